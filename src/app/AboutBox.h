#pragma once
#include <QDialog>

namespace mirto {

// "About Tervo": the program icon, its name and version, its licence, and OK.
class AboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit AboutBox(QWidget* parent = nullptr);
};

}  // namespace mirto
