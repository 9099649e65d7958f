// The main window's first size and its size and place on the next start (run
// on a 1600 x 1000 screen).
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include "AppTest.h"
#include "app/CMainFrame.h"
#include "app/CTervoApp.h"
#include "app/CTervoView.h"

using namespace mirto;

class WindowTest : public QObject {
  Q_OBJECT
 private slots:
  // A report line of 100 characters shows whole, without a horizontal
  // scroll, in the journal's own font and in a larger one.
  void theFirstWindowShowsAHundredColumns() {
    QTemporaryDir dir;
    const QString path = dir.filePath("wide.txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(100, 'x') + "\n");
    file.close();
    CTervoApp app;
    QVERIFY(app.InitInstance({path}));
    CMainFrame& frame = *app.Frame();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QCOMPARE(frame.View()->horizontalScrollBar()->maximum(), 0);
    QFont large = frame.View()->Font();
    large.setPointSize(14);
    frame.View()->SetJournalFont(large);
    QVERIFY(frame.View()->horizontalScrollBar()->maximum() > 0);
    frame.resize(frame.FirstSize());
    QTRY_COMPARE(frame.View()->horizontalScrollBar()->maximum(), 0);
  }

  void sizeAndPlaceAreKeptForTheNextStart() {
    const QRect chosen(70, 80, 900, 610);
    {
      CTervoApp app;
      QVERIFY(app.InitInstance({}));
      app.Frame()->setGeometry(chosen);
      QVERIFY(app.Frame()->close());
    }
    CTervoApp app;
    QVERIFY(app.InitInstance({}));
    QCOMPARE(app.Frame()->geometry(), chosen);
  }
};

MIRTO_APP_TEST(WindowTest);
#include "window_test.moc"
