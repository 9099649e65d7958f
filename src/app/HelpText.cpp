#include "app/HelpText.h"

#include <QRegularExpression>
#include <string_view>

#include "framework/Help.h"
#include "framework/Registry.h"

namespace mirto {
namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())).toHtmlEscaped(); }

// Escaped, with the text between "**" marks in bold and "[text](#anchor)" a link.
QString Rich(std::string_view s) {
  static const QRegularExpression bold("\\*\\*(.+?)\\*\\*");
  static const QRegularExpression link("\\[([^\\]]+)\\]\\(#([\\w-]+)\\)");
  return Q(s).replace(bold, "<b>\\1</b>").replace(link, "<a href=\"#\\2\">\\1</a>");
}

QString SectionHtml(const HelpSection& section) {
  QString html;
  if (!section.heading.empty()) {
    const QString anchor = section.anchor.empty() ? QString() : QString("<a name=\"%1\"></a>").arg(Q(section.anchor));
    html += QString("<h2>%1%2</h2>").arg(anchor, Q(section.heading));
  }
  for (std::string_view p : section.paragraphs) html += "<p>" + Rich(p) + "</p>";
  if (!section.entries.empty()) {
    html += "<dl>";
    for (const HelpEntry& e : section.entries) {
      const QString note = e.note.empty() ? QString() : " " + Q(e.note);
      html += QString("<dt><b>%1</b>%2</dt><dd>%3</dd>").arg(Q(e.term), note, Rich(e.text));
    }
    html += "</dl>";
  }
  if (!section.links.empty()) {
    html += "<ul>";
    for (const HelpLink& l : section.links)
      html += QString("<li><a href=\"#%1\">%2</a></li>").arg(Q(l.anchor), Q(l.text));
    html += "</ul>";
  }
  if (!section.items.empty()) {
    html += "<ul>";
    for (const std::string& item : section.items) html += "<li>" + Q(item) + "</li>";
    html += "</ul>";
  }
  return html;
}

}  // namespace

QString CommandHelpHtml(const Command& c) {
  QString html = QString("<p><b>%1</b><br>%2</p>").arg(Q(c.path), Q(c.prompt));
  for (const HelpParagraph& p : Paragraphs(c.help)) {
    if (p.heading.empty())
      html += QString("<p>%1</p>").arg(Q(p.topic->text));
    else
      html += QString("<p><i>%1: %2.</i> %3</p>").arg(Q(p.heading), Q(p.topic->name), Q(p.topic->text));
  }
  return html;
}

QString LabelHelpHtml(const LabelItem& label) {
  return QString("<p><b>%1</b> %2</p><p>%3</p>").arg(Q(label.text), Q(label.prompt), Q(kLabelHelp));
}

QString HelpTopicsHtml(const QString& query, int* found) {
  const HelpDocument doc = HelpTopics();
  const std::string text = query.trimmed().toStdString();
  const std::vector<std::size_t> matching = MatchingSections(doc, text);
  if (found) *found = static_cast<int>(matching.size());
  QString html = QString("<h1>%1</h1>").arg(Q(doc.title));
  for (std::size_t i : matching) html += SectionHtml(doc.sections[i]);
  return html;
}

QString HelpFoundText(const QString& query, int found) {
  return QString::fromStdString(SearchSummary(query.trimmed().toStdString(), static_cast<std::size_t>(found)));
}

QString FormTopicHtml(const FormTemplate& form) {
  const FormTopic topic = FormTopicFor(form);
  QString html = QString("<h2>%1</h2>").arg(Q(topic.title));
  for (const std::string& p : topic.paragraphs) html += "<p>" + Rich(p) + "</p>";
  return html;
}

}  // namespace mirto
