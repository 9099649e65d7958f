#!/usr/bin/env bash
# The real program in a real X server with no window manager, driven through
# the server: two calculations from the menu (the second picks its confidence
# level with the keyboard), File > Export > Session as batch script, save
# with Ctrl+S, exit; the saved file is checked, and the exported script run
# by `mirto --batch` writes it again. No window is ever given the keyboard
# from outside: the program must take it itself.
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
# Alt reaches the menu bar; the label items ("Method:" ...) take a step each.
keys alt Down Right Down Right Down Right Down Right Down Return
window '^Simple random sampling$' >/dev/null || fail "the form did not open"
xdotool type --delay 30 "1000"
keys Tab
xdotool type --delay 30 "25.5"
keys Return
window '^Untitled\* - Mirto$' >/dev/null || fail "no main window after OK"
# Interval estimates > Simple; the first Down in the confidence list is 99%.
keys alt Down Right Down Right Down Right Down Down Right Down Return
window '^Simple random sampling$' >/dev/null || fail "the interval form did not open"
for value in 1000 100 50.5 10.25; do
  xdotool type --delay 30 "$value"
  keys Tab
done
keys Down Return
for _ in $(seq 50); do xdotool search --onlyvisible --name '^Simple random sampling$' >/dev/null || break; sleep 0.1; done
keys alt+f e s
window '^Export Session as Batch Script$' >/dev/null || fail "File > Export > Session as batch script opened no dialog"
xdotool type --delay 20 "$work/session.mirto"
keys Return
for _ in $(seq 100); do [ -s "$work/session.mirto" ] && break; sleep 0.1; done
[ -s "$work/session.mirto" ] || fail "no session script was written"
keys ctrl+s
window '^Save As$' >/dev/null || fail "Ctrl+S opened no Save As dialog"
xdotool type --delay 20 "$work/journal.txt"
keys Return
for _ in $(seq 100); do [ -s "$work/journal.txt" ] && break; sleep 0.1; done
window '^journal.txt - Mirto$' >/dev/null || fail "the title does not name the saved file"

# File > Exit: saved, so no prompt, and the program ends.
keys alt+f x
for _ in $(seq 100); do kill -0 "$mirto_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$mirto_pid" 2>/dev/null && fail "File > Exit did not end the program"
wait "$mirto_pid" || fail "the program ended with status $?"
mirto_pid=""

# The interval by hand: sd = 10.25 * sqrt(900 / (99 * 1000)) = 0.9772991540,
# 50.5 -+ 2.576 * sd = 47.9824773794 and 53.0175226206.
expected="Program Mirto, journal of calculations.
To start program, click on \`Select approach:'.
*********
Target: Mean and total of variable
Method: Simple random sampling
Objective: Point estimates
Estimator: Simple
Population size, N= 1000
Estimate of population mean: 25.500000
Estimate of population total: 25500.000000
*********
Target: Mean and total of variable
Method: Simple random sampling
Objective: Confidence interval estimates
Estimator: Simple
Population size, N= 1000
Sample size, n= 100
Point estimate of population mean: 50.500000
Point estimate of population total: 50500.000000
Est. std. deviation of sample mean: 0.977299
Approx. 0.99 confidence interval for population mean is from 47.982477 to 53.017523
Approx. 0.99 confidence interval for population total is from 47982.477379 to 53017.522621"
actual="$(cat "$work/journal.txt")"
[ "$actual" = "$expected" ] || fail "saved journal differs:
$(diff <(echo "$expected") <(echo "$actual") || true)"
"$mirto" --batch "$work/session.mirto" -o "$work/replayed.txt" 2>"$work/replay.log" ||
  fail "the exported session did not run: $(cat "$work/replay.log")"
cmp -s "$work/journal.txt" "$work/replayed.txt" || fail "the exported session writes another journal:
$(diff "$work/journal.txt" "$work/replayed.txt" || true)"
grep -q "File1=$work/journal.txt" "$work/config/Local AppWizard-Generated Applications/Windows Mirto.conf" ||
  fail "the saved file is not first in the recent-file list"
echo "1 passed, 0 failed"
