#!/usr/bin/env bash
# The real program in a real X server, driven through the server: choose
# Simple > Mean/total of variable > Point estimates > Simple from the menu,
# fill the form, OK, save with Ctrl+S, exit, and check the saved file.
set -euo pipefail
mirto="$1"
work="$(mktemp -d)"
xvfb_pid="" mirto_pid=""
cleanup() {
  [ -n "$mirto_pid" ] && kill "$mirto_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  [ -f "$work/mirto.log" ] && sed 's/^/mirto: /' "$work/mirto.log" >&2
  exit 1
}

# A display of our own: the server picks a free number and tells it on fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -1 "$work/display")"

# A person's settings of its own, Qt's own dialogs, and a German locale when there is one.
export XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME=""
if locale -a | grep -qx 'de_DE.utf8'; then export LC_ALL=de_DE.UTF-8; fi
"$mirto" >"$work/mirto.log" 2>&1 &
mirto_pid=$!

# Waits until a visible window's title matches; prints its id.
window() { timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -1; }
keys() { for k in "$@"; do xdotool key --clearmodifiers "$k"; sleep 0.15; done; }

main=$(window '^Untitled - Mirto$') || fail "no main window"
xdotool windowfocus --sync "$main"
# Alt reaches the menu bar; the label items ("Method:" ...) take a step each.
keys alt Down Right Down Right Down Right Down Right Down Return
form=$(window '^Simple random sampling$') || fail "the form did not open"
xdotool windowfocus --sync "$form"
xdotool type --delay 30 "1000"
keys Tab
xdotool type --delay 30 "25.5"
keys Return
window '^Untitled\*? - Mirto$' >/dev/null || fail "no main window after OK"
xdotool windowfocus --sync "$main"
keys ctrl+s
dialog=$(window '^Save As$') || fail "Ctrl+S opened no Save As dialog"
xdotool windowfocus --sync "$dialog"
xdotool type --delay 20 "$work/journal.txt"
keys Return
for _ in $(seq 100); do [ -s "$work/journal.txt" ] && break; sleep 0.1; done
window '^journal.txt - Mirto$' >/dev/null || fail "the title does not name the saved file"

# File > Exit: saved, so no prompt, and the program ends.
xdotool windowfocus --sync "$main"
keys alt+f x
for _ in $(seq 100); do kill -0 "$mirto_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$mirto_pid" 2>/dev/null && fail "File > Exit did not end the program"
wait "$mirto_pid" || fail "the program ended with status $?"
mirto_pid=""

expected="Program Mirto, journal of calculations.
To start program, click on \`Select approach:'.
*********
Target: Mean and total of variable
Method: Simple random sampling
Objective: Point estimates
Estimator: Simple
Population size, N= 1000
Estimate of population mean: 25.500000
Estimate of population total: 25500.000000"
actual="$(cat "$work/journal.txt")"
[ "$actual" = "$expected" ] || fail "saved journal differs:
$(diff <(echo "$expected") <(echo "$actual") || true)"
grep -q "File1=$work/journal.txt" "$work/config/Local AppWizard-Generated Applications/Windows Mirto.conf" ||
  fail "the saved file is not first in the recent-file list"
echo "1 passed, 0 failed"
