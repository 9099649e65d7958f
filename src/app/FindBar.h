#pragma once
// Edit > Find: a bar over the journal with the text to find, Previous and
// Next, "Match case" and a line that says when nothing was found or the
// search went round the end. Typing finds as it goes; Return and F3 find the
// next match, Shift+Return and Shift+F3 the previous one; Escape closes it.
#include <QWidget>

#include "app/CTervoView.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace mirto {

class FindBar : public QWidget {
  Q_OBJECT
 public:
  FindBar(CTervoView& view, QWidget* parent);

  QLineEdit* Field() const { return m_field; }
  QCheckBox* MatchCase() const { return m_matchCase; }
  QLabel* Status() const { return m_status; }

 public slots:
  // Shows the bar with the keyboard in its field, its text selected.
  void Open();
  // The next or previous match; with nothing to find, opens the bar.
  void FindNext();
  void FindPrevious();
  // Hides the bar and its marks, and gives the keyboard back to the journal.
  void Close();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Search(CTervoView::FindStep step);

  CTervoView& m_view;
  QLineEdit* m_field;
  QCheckBox* m_matchCase;
  QLabel* m_status;
};

}  // namespace mirto
