// The main window fits the screen it starts on, at any scale factor (run with
// QT_SCALE_FACTOR=2 on a 1280 x 900 screen).
#include <QScreen>
#include <QStatusBar>
#include <QTest>

#include "AppTest.h"
#include "app/CMainFrame.h"
#include "app/CTervoApp.h"

using namespace mirto;

class HiDpiTest : public QObject {
  Q_OBJECT
 private slots:
  void theWholeWindowIsOnTheScreen() {
    CTervoApp app;
    QVERIFY(app.InitInstance({}));
    CMainFrame& frame = *app.Frame();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    const QRect screen = frame.screen()->availableGeometry();
    QVERIFY2(screen.contains(frame.frameGeometry()),
             qPrintable(QString("window %1x%2+%3+%4 on a screen of %5x%6 at scale %7")
                            .arg(frame.frameGeometry().width())
                            .arg(frame.frameGeometry().height())
                            .arg(frame.frameGeometry().x())
                            .arg(frame.frameGeometry().y())
                            .arg(screen.width())
                            .arg(screen.height())
                            .arg(frame.devicePixelRatioF())));
    const QRect bar(frame.statusBar()->mapToGlobal(QPoint(0, 0)), frame.statusBar()->size());
    QVERIFY(screen.contains(bar));
    frame.ShowHelpTopics();
    QVERIFY(QTest::qWaitForWindowExposed(frame.Help()));
    QVERIFY(frame.Help()->width() <= screen.width() && frame.Help()->height() <= screen.height());
  }
};

MIRTO_APP_TEST(HiDpiTest);
#include "hidpi_test.moc"
