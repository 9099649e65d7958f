#pragma once
// The desktop host of the library's forms and message boxes.
#include <QPointer>
#include <QWidget>

#include "framework/Form.h"

namespace mirto {

class QtFormHost : public FormHost {
 public:
  // Dialogs are centred on `window` (set once the main window exists).
  void SetWindow(QWidget* window) { m_window = window; }
  bool ShowForm(Form& form) override;
  void Message(std::string_view text) override;

 private:
  QPointer<QWidget> m_window;
};

}  // namespace mirto
