#!/usr/bin/env bash
# Sets up, builds and runs Quindle on a demo office made once under build/demo-office/: Anna's
# and Ben's windows side by side, a welcome message waiting for each.
#   scripts/run.sh                   the two windows (pictures instead when there is no display)
#   scripts/run.sh --screenshots DIR a picture of every view, made under Xvfb as mail travels
set -euo pipefail

shots=""
case "${1:-}" in
  "") ;;
  --screenshots) shots=$(realpath -m "${2:?usage: scripts/run.sh [--screenshots DIR]}") ;;
  *) echo "usage: scripts/run.sh [--screenshots DIR]" >&2; exit 2 ;;
esac
cd "$(dirname "$0")/.."
if [ -z "$shots" ] && [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  shots=$PWD/build/demo-pictures
  echo "No display: instead of the windows, pictures of every view go to $shots"
fi

scripts/setup.sh
scripts/build.sh quindle quindle-tool
quindle=$PWD/build/app/quindle
tool=$PWD/build/tool/quindle-tool

if [ -z "$shots" ]; then
  office=$PWD/build/demo-office
  if [ ! -e "$office/.made" ]; then
    scripts/demo-office.sh "$tool" "$office"
    touch "$office/.made"
  fi
  echo "Demo office in $office: press Collect Mail (top left) in Anna's window."
  "$quindle" --program-folder "$office/Anna" -qwindowgeometry 792x472+0+0 &
  "$quindle" --program-folder "$office/Ben" -qwindowgeometry 792x472+800+0 &
  wait
  exit 0
fi

# A fresh office of its own, at a short path: the Settings view shows it.
office=${TMPDIR:-/tmp}/quindle-demo
scripts/demo-office.sh "$tool" "$office"
mkdir -p "$shots"
xvfb_pid=""
trap 'kill $(jobs -p) $xvfb_pid 2>/dev/null || true; rm -rf "$office"' EXIT
source scripts/xvfb.sh
start_xvfb
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb

window="" pid=""
start() { # user
  "$quindle" --program-folder "$office/$1" >/dev/null 2>&1 &
  pid=$!
  window=$(xdotool search --sync --onlyvisible --pid "$pid" --name '^Quindle$' | head -n 1)
  sleep 1
}
# Places are the client area's, below the menu bar of 18 pixels.
menu=18
click() { xdotool mousemove --window "$window" "$1" $(($2 + menu)) click "${@:3}" 1; }
item() { click 50 $((75 + 59 * $1)); sleep 0.5; }
shot() { sleep 0.7; import -window "$window" "$shots/$1.png"; }
# A picture of the window with a menu open over it: the menu is a window of its own.
menushot() {
  sleep 0.7
  eval "$(xdotool getwindowgeometry --shell "$window")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shots/$1.png"
}
# Waits until the user's inbox datafile holds a message with that subject.
arrived() { # user subject
  until "$tool" text "$office/$1/InBox.qdi" 2>/dev/null | grep -q "$2"; do sleep 0.2; done
}

start Anna
click 15 14
arrived Anna "Welcome to Quindle"
click 140 117 --repeat 2 --delay 80 # the InBox grid's first row
shot reader
click 320 95 # the reader's Attachments button
menushot reader-attachments
xdotool key Escape
xdotool key alt+f
menushot menu-bar
xdotool key Escape
# The message read, exported as PDF through the file dialog, and its first page as a picture.
xdotool key alt+f e
sleep 1.5
xdotool key ctrl+a
xdotool type --delay 20 "$office/welcome.pdf"
xdotool key Return
until [ -s "$office/welcome.pdf" ]; do sleep 0.2; done
sleep 0.5
pdftoppm -png -r 60 -singlefile "$office/welcome.pdf" "$shots/printed"
item 1
click 140 $((29 + 23 + 29 + 24 + 24 * (2 - 1) + 12)) # Ben
shot address-list
item 2
shot address-edit
item 0
click 359 95
click 250 95; xdotool type --delay 20 "Shelves for Saturday"
click 400 250; xdotool type --delay 20 "Ben, could you count the shelves in the back on Saturday?"
shot new
click 115 66
until [ -e "$office/shared/inbox/Ben/Ben2.qdm" ]; do sleep 0.2; done
xdotool key Return
item 3
shot settings
kill "$pid"

start Ben
click 15 14
arrived Ben "Shelves for Saturday"
click 140 $((117 + 24)) --repeat 2 --delay 80 # Anna's message, below the welcome
item 4
shot inbox # the welcome still unread, in bold
echo "Pictures of every view are in $shots"
