#pragma once
// The "Select approach:" menu, built from the command table: submenus as the
// paths say, a disabled label item heading each submenu, and one action per
// calculation that carries its command id.
#include <QActionGroup>
#include <QMenu>

namespace mirto {

struct ApproachMenu {
  QMenu* menu = nullptr;
  // Every calculation action (the leaves and "Prediction"); its data() is the id.
  QActionGroup* commands = nullptr;
};

ApproachMenu BuildApproachMenu(QWidget* parent);

}  // namespace mirto
