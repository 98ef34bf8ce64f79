#!/usr/bin/env bash
# The real program on the real X11 platform under Xvfb: Anna's window of the demo office, a
# click on Collect Mail, the welcome message checked in her inbox datafile with quindle-tool,
# and a picture of the window kept as BUILD_DIR/smoke/anna.png.
# usage: smoke_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(realpath "$1") source=$(realpath "$2")
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/setup.sh installs it)"; exit 77; }
done
quindle=$build/app/quindle
tool=$build/tool/quindle-tool
work=$build/smoke
office=$work/office
mkdir -p "$work"
rm -f "$work/anna.png"
bash "$source/scripts/demo-office.sh" "$tool" "$office"

program="" xvfb_pid=""
trap 'kill $program $xvfb_pid 2>/dev/null || true' EXIT
source "$source/scripts/xvfb.sh"
start_xvfb
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

# Polls a condition while the program lives; fails when it ends or after a minute.
await() { # what command...
  local what=$1; shift
  for _ in $(seq 600); do
    "$@" && return 0
    kill -0 "$program" 2>/dev/null || { echo "the program ended while waiting for $what"; exit 1; }
    sleep 0.1
  done
  echo "no $what within a minute"; exit 1
}

"$quindle" --program-folder "$office/Anna" &
program=$!
window_of() { window=$(xdotool search --onlyvisible --pid "$program" --name '^Quindle$' | head -n 1); [ -n "$window" ]; }
await "window" window_of
inbox=$office/Anna/InBox.qdi
# Start-up has made the inbox datafile with its one empty slot before the window shows.
[ -e "$inbox" ] || { echo "no inbox datafile after start-up"; exit 1; }
# Collect Mail, the first button below the menu bar of 18 pixels.
xdotool mousemove --window "$window" 15 $((18 + 14)) click 1
welcome() { "$tool" dump --messages "$inbox" | grep -q '"Subject": "Welcome to Quindle"'; }
await "welcome message in $inbox" welcome
"$tool" dump --messages "$inbox" | grep -q '"From": "Carla"'
[ ! -e "$office/shared/inbox/Anna/Anna1.qdm" ] || { echo "the drop file is still there"; exit 1; }
[ -e "$office/shared/inbox/Anna/office-hours.txt" ]
sleep 0.5
import -window "$window" "$work/anna.png"
echo "collected the welcome message; picture in $work/anna.png"
