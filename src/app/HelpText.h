#pragma once
// The program's help: the topics shown by Help Topics and the context help of
// each menu item, written from the command table and the form catalogue.
#include <QString>

namespace mirto {

struct Command;
struct LabelItem;

// The whole help document (HTML).
QString HelpTopicsHtml();
// What one calculation command computes (context help of its menu item).
QString CommandHelp(const Command& command);
QString LabelHelp(const LabelItem& label);
QString PredictionHelp();

}  // namespace mirto
