#pragma once
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace mirto {

// Gives a new window its size, within the screen it opens on at any scale
// factor, with room left for the window's frame.
inline void ResizeWithinScreen(QWidget& window, QSize wanted) {
  const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  window.resize(screen ? wanted.boundedTo(screen->availableGeometry().size() * 0.9) : wanted);
}

}  // namespace mirto
