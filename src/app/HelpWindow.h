#pragma once
#include <QDialog>

class QTextBrowser;

namespace mirto {

// Help Topics: the program's help in a window of its own, beside the journal.
class HelpWindow : public QDialog {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* parent = nullptr);
  QTextBrowser* Browser() const { return m_browser; }

 private:
  QTextBrowser* m_browser;
};

}  // namespace mirto
