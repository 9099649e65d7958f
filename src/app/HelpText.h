#pragma once
// Renders the library's help (framework/Help.h) as HTML: the help document
// and the context help of each menu item.
#include <QString>

namespace mirto {

struct Command;
struct LabelItem;

// The whole help document.
QString HelpTopicsHtml();
// What one calculation command computes (context help of its menu item).
QString CommandHelpHtml(const Command& command);
QString LabelHelpHtml(const LabelItem& label);

}  // namespace mirto
