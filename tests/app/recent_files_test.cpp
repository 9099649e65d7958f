// The recent-file list: newest first, no duplicates, at most four, kept in
// the per-user settings.
#include <QDir>
#include <QTest>

#include "AppTest.h"
#include "app/AppSettings.h"
#include "app/RecentFileList.h"

using namespace mirto;

class RecentFilesTest : public QObject {
  Q_OBJECT
 private slots:
  void newestFirstAtMostFour() {
    RecentFileList list(kRecentFileCount);
    for (const char* f : {"/j/a", "/j/b", "/j/c", "/j/d", "/j/e"}) list.Add(f);
    QCOMPARE(list.Files(), (QStringList{"/j/e", "/j/d", "/j/c", "/j/b"}));
  }

  void anEntryMovesRatherThanRepeats() {
    RecentFileList list(kRecentFileCount);
    for (const char* f : {"/j/a", "/j/b", "/j/c"}) list.Add(f);
    list.Add("/j/a");
    QCOMPARE(list.Files(), (QStringList{"/j/a", "/j/c", "/j/b"}));
    // The same file under another spelling is the same entry.
    list.Add("/j/x/../b");
    QCOMPARE(list.Files(), (QStringList{"/j/b", "/j/a", "/j/c"}));
    list.Add(QDir::current().relativeFilePath("/j/c"));
    QCOMPARE(list.Files(), (QStringList{"/j/c", "/j/b", "/j/a"}));
  }

  void removeAndEmptyNames() {
    RecentFileList list(kRecentFileCount);
    list.Add("");
    QVERIFY(list.Files().isEmpty());
    list.Add("/j/a");
    list.Add("/j/b");
    list.Remove("/j/a");
    QCOMPARE(list.Files(), QStringList{"/j/b"});
  }

  void loadingAppliesTheSameRules() {
    RecentFileList list(kRecentFileCount);
    list.SetFiles({"/j/a", "/j/b", "/j/a", "", "/j/c", "/j/d", "/j/e"});
    QCOMPARE(list.Files(), (QStringList{"/j/a", "/j/b", "/j/c", "/j/d"}));
  }

  void settingsKeepTheListBetweenRuns() {
    {
      AppSettings settings;
      settings.SaveRecentFiles({"/j/one", "/j/two"});
    }
    AppSettings later;
    QCOMPARE(later.LoadRecentFiles(), (QStringList{"/j/one", "/j/two"}));
    later.SaveRecentFiles({"/j/three"});
    QCOMPARE(AppSettings().LoadRecentFiles(), QStringList{"/j/three"});  // no stale File2
  }
};

MIRTO_APP_TEST(RecentFilesTest);
#include "recent_files_test.moc"
