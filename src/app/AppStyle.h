#pragma once
#include <QProxyStyle>

namespace mirto {

// The platform's style with two habits of the menus this program was made
// for: disabled items (the "Method:" labels) highlight to show their prompt,
// and Alt alone moves to the menu bar.
class AppStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                QStyleHintReturn* returnData = nullptr) const override;
};

}  // namespace mirto
