#pragma once
// The program as it starts, so that what a test drives reaches the host
// through every layer; every dialog the test expected must have come.
#include <QTest>

#include "AppTest.h"
#include "app/AppSettings.h"
#include "app/CMainFrame.h"
#include "app/CTervoApp.h"
#include "framework/Registry.h"
#include "journal/CTervoDoc.h"

namespace mirto::test {

struct AppFixture {
  ModalWatchdog watchdog;
  CTervoApp app;
  CTervoDoc& doc = app.Document();
  AppFixture() {
    AppSettings().SaveOneFormPerRow(false);
    app.InitInstance({});
  }
  ~AppFixture() {
    QCOMPARE(watchdog.Pending(), 0);
    QVERIFY2(watchdog.Unexpected().isEmpty(), qPrintable(watchdog.Unexpected().join("; ")));
  }
  void Run(const char* path) { app.Frame()->RunCalculation(FindCommandId(path)); }
};

}  // namespace mirto::test
