#include "app/ApproachMenu.h"

#include <QHash>
#include <QStringList>

#include "app/HelpText.h"
#include "framework/Registry.h"

namespace mirto {
namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

class MenuTree {
 public:
  MenuTree(QMenu* root, QActionGroup* commands) : m_commands(commands) {
    m_menus.insert(QString(), root->addMenu(Q(kRandomSamplingMenu)));
    AddLabel(QString());
  }

  void AddCommand(const Command& c) {
    QStringList segments = Q(c.path).split(" > ");
    const QString leaf = segments.takeLast();
    QAction* action = SubmenuFor(segments)->addAction(leaf);
    Describe(action, c.id, Q(c.prompt), CommandHelpHtml(c));
    m_commands->addAction(action);
  }

 private:
  QMenu* SubmenuFor(const QStringList& segments) {
    const QString path = segments.join(" > ");
    if (QMenu* menu = m_menus.value(path)) return menu;
    QMenu* parent = SubmenuFor(segments.mid(0, segments.size() - 1));
    QMenu* menu = parent->addMenu(segments.last());
    m_menus.insert(path, menu);
    AddLabel(path);
    return menu;
  }

  void AddLabel(const QString& path) {
    for (const LabelItem& label : LabelItems()) {
      if (Q(label.submenu) != path) continue;
      QAction* action = m_menus.value(path)->addAction(Q(label.text));
      Describe(action, label.id, Q(label.prompt), LabelHelpHtml(label));
      action->setEnabled(false);  // a label has no handler
    }
  }

  static void Describe(QAction* action, int id, const QString& prompt, const QString& help) {
    action->setData(id);
    action->setStatusTip(prompt);
    action->setWhatsThis(help);
  }

  QActionGroup* m_commands;
  QHash<QString, QMenu*> m_menus;
};

}  // namespace

ApproachMenu BuildApproachMenu(QWidget* parent) {
  ApproachMenu result;
  result.menu = new QMenu(Q(kApproachMenu), parent);
  result.menu->setObjectName("ApproachMenu");
  result.commands = new QActionGroup(result.menu);
  result.commands->setExclusionPolicy(QActionGroup::ExclusionPolicy::None);
  MenuTree tree(result.menu, result.commands);
  for (const Command& c : Commands()) {
    if (c.approach == Approach::Randomization) {
      tree.AddCommand(c);
      continue;
    }
    // An approach of its own: an item of "Select approach:" itself.
    QAction* action = result.menu->addAction(Q(c.path));
    action->setData(c.id);
    action->setStatusTip(Q(c.prompt));
    action->setWhatsThis(CommandHelpHtml(c));
    result.commands->addAction(action);
  }
  return result;
}

}  // namespace mirto
