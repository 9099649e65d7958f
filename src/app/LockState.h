#pragma once
// The keyboard lock lights, where the display lets a program read them.
namespace mirto {

struct LockState {
  bool known = false;  // false where the display tells nothing (Wayland, offscreen)
  bool caps = false;
  bool num = false;
  bool scroll = false;
};

LockState ReadLockState();

}  // namespace mirto
