#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;
class QTextBrowser;

namespace mirto {

struct FormTemplate;

// Help Topics: the program's help in a window of its own, beside the journal,
// with a search field that keeps the topics holding its text. A form's Help
// button and F1 open it on that form's topic.
class HelpWindow : public QDialog {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* parent = nullptr);
  QTextBrowser* Browser() const { return m_browser; }
  QLineEdit* Search() const { return m_search; }
  QLabel* Found() const { return m_found; }
  // The topic of `form` in place of the document (until the next search).
  void ShowFormTopic(const FormTemplate& form);

 private:
  void Filter(const QString& query);

  QLineEdit* m_search;
  QLabel* m_found;
  QTextBrowser* m_browser;
};

}  // namespace mirto
