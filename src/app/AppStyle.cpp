#include "app/AppStyle.h"

namespace mirto {

int AppStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                        QStyleHintReturn* returnData) const {
  if (hint == SH_Menu_AllowActiveAndDisabled || hint == SH_MenuBar_AltKeyNavigation) return 1;
  return QProxyStyle::styleHint(hint, option, widget, returnData);
}

}  // namespace mirto
