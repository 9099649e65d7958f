#include "app/LockState.h"

#include <QGuiApplication>

#if defined(MIRTO_HAVE_X11)
#include <X11/XKBlib.h>
#endif

namespace mirto {

#if defined(MIRTO_HAVE_X11)
namespace {

bool Indicator(Display* display, const char* name) {
  Bool on = False;
  const Atom atom = XInternAtom(display, name, True);
  if (atom == 0) return false;
  return XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr) && on;
}

}  // namespace

LockState ReadLockState() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* display = x11 ? x11->display() : nullptr;
  if (!display) return {};
  return {true, Indicator(display, "Caps Lock"), Indicator(display, "Num Lock"), Indicator(display, "Scroll Lock")};
}
#else
LockState ReadLockState() { return {}; }
#endif

}  // namespace mirto
