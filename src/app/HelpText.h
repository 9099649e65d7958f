#pragma once
// Renders the library's help (framework/Help.h) as HTML: the help document
// and the context help of each menu item.
#include <QString>

namespace mirto {

struct Command;
struct LabelItem;

struct FormTemplate;

// The whole help document; with a query, only the topics that hold it
// (their number in `found`).
QString HelpTopicsHtml(const QString& query = {}, int* found = nullptr);
// "3 topics hold \"divisor\"" and the like.
QString HelpFoundText(const QString& query, int found);
// The topic a form's Help button and F1 open.
QString FormTopicHtml(const FormTemplate& form);
// What one calculation command computes (context help of its menu item).
QString CommandHelpHtml(const Command& command);
QString LabelHelpHtml(const LabelItem& label);

}  // namespace mirto
