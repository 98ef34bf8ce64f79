#!/usr/bin/env bash
# The real window under Xvfb, driven with xdotool as a user would, its files checked with
# quindle-tool: Send without a recipient and with a name typed but never picked writes
# nothing, a picked name typed again is delivered; files dragged from another program onto
# the text are attached, their names no text; a folder typed without its "/" is saved with
# it; the window takes a view shortcut and repaints within half a second while it collects
# 20,000 messages; the marks survive a compaction and a restart; the message read
# exports as a PDF holding its sender, subject and text; a word of one text is found among
# 100,000 messages.
# usage: window_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(realpath "$1") source=$(realpath "$2")
for tool in Xvfb xdotool import pdftotext; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/setup.sh installs it)"; exit 77; }
done
quindle=$build/app/quindle
tool=$build/tool/quindle-tool
work=$build/window-test
office=$work/office
rm -rf "$work"
mkdir -p "$work"
bash "$source/scripts/demo-office.sh" "$tool" "$office"
anna=$office/Anna
inbox=$office/shared/inbox

program="" xvfb_pid="" source_program=""
trap 'kill $program $source_program $xvfb_pid 2>/dev/null || true; rm -rf "$office"' EXIT
source "$source/scripts/xvfb.sh"
start_xvfb
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

fail() { echo "FAIL: $*"; exit 1; }
# Polls a condition for up to `tenths` tenths of a second while the program lives.
await() { # tenths what command...
  local tenths=$1 what=$2; shift 2
  for _ in $(seq "$tenths"); do
    "$@" && return 0
    kill -0 "$program" 2>/dev/null || fail "the program ended while waiting for $what"
    sleep 0.1
  done
  fail "no $what"
}
# The same without a pause between the looks (each takes a grab of the window, some tens of
# milliseconds), for what the window does within moments.
promptly() { # times what command...
  local times=$1 what=$2; shift 2
  for _ in $(seq "$times"); do
    "$@" && return 0
  done
  fail "no $what"
}
windows() { xdotool search --all --onlyvisible --pid "$program" --name '.' 2>/dev/null | wc -l; }
start() {
  "$quindle" --program-folder "$anna" >/dev/null 2>&1 &
  program=$!
  window=""
  found() { window=$(xdotool search --all --onlyvisible --pid "$program" --name '^Quindle$' | head -n 1); [ -n "$window" ]; }
  await 600 "window" found
  sleep 0.5
  xdotool windowfocus --sync "$window"
}
# Places are the client area's, below the menu bar of 18 pixels.
menu=18
click() { xdotool mousemove --window "$window" "$1" $(($2 + menu)) click "${@:3}" 1; sleep 0.2; }
key() { xdotool windowfocus --sync "$window" key --delay 50 "$@"; sleep 0.3; }
type_text() { xdotool type --delay 20 "$1"; }
# Answers the box the window shows with Return (OK, or Yes).
answer() {
  boxed() { [ "$(windows)" -ge 2 ]; }
  await 100 "box" boxed
  local box
  box=$(xdotool search --all --onlyvisible --pid "$program" --name '.' | grep -v "^$window\$" | tail -n 1)
  xdotool windowfocus --sync "$box" key Return
  gone() { [ "$(windows)" -lt 2 ]; }
  await 100 "box closed" gone
  sleep 0.2
}
dialog() { [ "$(windows)" -ge 2 ]; }
files() { find "$office/shared" "$anna" -type f ! -name 'main.ini' | sort; }

start
# Without a recipient, and with a name typed but never picked: a box, nothing built or written.
before=$(files)
key ctrl+1
key ctrl+Return
answer
click 450 95 # To's field
type_text "Zed"
key ctrl+Return
answer
[ "$(files)" = "$before" ] || fail "a refused send wrote: $(diff <(echo "$before") <(files))"
[ ! -e "$anna/tmprtf.tmp" ] || fail "a refused send built the body"

# Ben picked, his name typed again in To: delivered.
key ctrl+2
click 140 $((29 + 23 + 29 + 24 + 24 * (2 - 1) + 12)) # Ben's row
key ctrl+1
click 359 95 # To
click 450 95 --repeat 3 --delay 60
type_text "Ben"
click 250 95
type_text "Typed"
key ctrl+Return
answer
"$tool" dump --messages "$inbox/Ben/Ben2.qdm" | grep -q '"Subject": "Typed"' || fail "Ben got nothing"

# Two files dragged from another program's window onto the text, the mouse moved there in
# steps as a hand moves it: both fill attachment slots, and the text takes nothing.
printf 'first\n' > "$work/drop one.txt"
printf 'second\n' > "$work/drop-two.txt"
"$build/app/dragsource" "$work/drop one.txt" "$work/drop-two.txt" > "$work/drag.out" 2>/dev/null &
source_program=$!
source_shown() { source_window=$(xdotool search --all --onlyvisible --pid "$source_program" --name '^Drag source$' | head -n 1); [ -n "$source_window" ]; }
await 100 "the drag source" source_shown
click 250 95 --repeat 3 --delay 60 # Subject
type_text "Dropped"
xdotool mousemove --window "$source_window" 60 60 mousedown 1
sleep 0.3
for step in $(seq 10); do
  xdotool mousemove --window "$window" $((900 - 45 * step)) $((700 - 40 * step)) # to the text's middle
  sleep 0.05
done
sleep 0.5
xdotool mouseup 1
await 50 "the drop" grep -q '^copied$' "$work/drag.out"
key ctrl+Return
answer
kill "$source_program"
dropped=$("$tool" dump --messages "$inbox/Ben/Ben3.qdm")
grep -q '"Subject": "Dropped"' <<<"$dropped" || fail "Ben got no message with the dropped files: $dropped"
grep -qF '"AttachNames": ["drop one.txt", "drop-two.txt", ""' <<<"$dropped" || fail "the dropped files are not attached: $dropped"
cmp -s "$work/drop one.txt" "$inbox/Ben/drop one.txt" && cmp -s "$work/drop-two.txt" "$inbox/Ben/drop-two.txt" ||
  fail "the dropped files were not copied: $(ls "$inbox/Ben")"
text=$("$tool" text "$inbox/Ben/Ben3.qdm")
grep -q "file:" <<<"$text" && fail "the text took the files' names: $text"

# A folder typed without its final "/" is saved with it.
key ctrl+4
click 200 319 --repeat 3 --delay 60 # Inbox Datafile Folder
type_text "$anna"
click 446 432 # Save
grep -q "^Inbox Data=$anna/"$'\r'"\$" "$anna/main.ini" || fail "main.ini: $(grep 'Inbox Data' "$anna/main.ini")"

# Marks survive a compaction and a restart: three messages, the last read, the first deleted.
for n in 2 3; do
  printf '{\\rtf1\\ansi Message %s\\par}' "$n" > "$work/body$n.rtf"
  "$tool" send --program-folder "$office/Carla" --to Anna --subject "Message $n" --body-rtf "$work/body$n.rtf" >/dev/null
done
key F5
three() { [ "$("$tool" dump --messages "$anna/InBox.qdi" | grep -c '"Subject": "')" -eq 3 ]; }
await 100 "three messages" three
click 140 $((29 + 23 + 29 + 24 * 3 + 12)) --repeat 2 --delay 80 # the third, read
key ctrl+5
click 140 $((29 + 23 + 29 + 24 + 12)) # the first
key Delete
answer
click 145 $((29 + 23 + 14)) # Compact Inbox
answer # the welcome's attachment went with it
marks=$anna/InBox.qdx
# The marks file counts its marks after its 8-byte magic.
marks_count() { od -An -t u8 -j 8 -N 8 "$marks" 2>/dev/null | tr -d ' '; }
await 50 "marks of two slots" test "$(marks_count)" = 2
key ctrl+q
await 100 "the window to close" bash -c "! kill -0 $program 2>/dev/null"
saved=$(md5sum < "$marks")
start
key ctrl+5
sleep 0.5
[ "$(md5sum < "$marks")" = "$saved" ] || fail "the marks changed at the restart: they were lost"

# The message read, exported as PDF.
click 140 $((29 + 23 + 29 + 24 * 2 + 12)) --repeat 2 --delay 80 # "Message 3", now second
key alt+f e
await 100 "file dialog" dialog
sleep 0.5
xdotool key ctrl+a
type_text "$work/message.pdf"
xdotool key Return
await 100 "the PDF" test -s "$work/message.pdf"
sleep 0.5
text=$(pdftotext "$work/message.pdf" -)
for part in "From:" "Carla" "Subject:" "Message 3"; do
  grep -qF "$part" <<<"$text" || fail "the PDF lacks $part: $text"
done
[ "$(grep -c "Message 3" <<<"$text")" -ge 2 ] || fail "the PDF lacks the text: $text"

# 20,000 messages waiting: while they are collected, the window repaints its count and
# takes Ctrl+2 within half a second. Ctrl+2 is pressed once the count shows; what the window
# shows just after the view changed tells whether it was still collecting then: the count,
# moved on, and the Address List (the end of a collection brings the InBox forward).
"$tool" send --program-folder "$office/Carla" --to Anna --subject "Many" --body-rtf "$work/body2.rtf" >/dev/null
(cd "$inbox/Anna" && for start in $(seq 2 2000 20000); do
   tee $(seq -f 'Anna%.0f.qdm' "$start" $((start + 1999 > 20000 ? 20000 : start + 1999))) < Anna1.qdm >/dev/null
 done)
[ -e "$inbox/Anna/Anna20000.qdm" ] || fail "the drop files were not made"
bar() { import -window "$window" -crop 300x29+40+$menu +repage "$work/$1.png"; }
view() { import -window "$window" -crop 692x23+100+$((29 + menu)) +repage "$work/$1.png"; }
key ctrl+2
view addresses
key ctrl+1
bar idle
collecting=$(date +%s%N)
xdotool key F5
counting() { bar count1; ! cmp -s "$work/idle.png" "$work/count1.png"; }
promptly 200 "count" counting
pressed=$(date +%s%N)
xdotool key ctrl+2
switched() { view after; cmp -s "$work/addresses.png" "$work/after.png"; }
promptly 40 "Address List" switched
took=$((($(date +%s%N) - pressed) / 1000000))
bar count2
cmp -s "$work/idle.png" "$work/count2.png" && fail "the collection ended before the shortcut was tested"
cmp -s "$work/count1.png" "$work/count2.png" && fail "the count did not move while collecting"
[ "$took" -le 500 ] || fail "Ctrl+2 took $took ms while collecting"
echo "while collecting 20,000 messages, Ctrl+2 showed its view in $took ms," \
  "$((($(date +%s%N) - collecting) / 1000000)) ms after the collection began"
done20000() { [ ! -e "$inbox/Anna/Anna20000.qdm" ]; }
await 1800 "the collection of 20,000" done20000
echo "the collection of 20,000 took about $((($(date +%s%N) - collecting) / 1000000)) ms"
key ctrl+q
await 100 "the window to close" bash -c "! kill -0 $program 2>/dev/null"

# One text among 100,000 holds "zebracrossing": the search finds it.
printf '{\\rtf1\\ansi Mind the {\\b zebracrossing} on the way in.\\par}' > "$work/zebra.rtf"
"$tool" send --program-folder "$office/Carla" --to Anna --subject "Needle" --body-rtf "$work/zebra.rtf" >/dev/null
filler=$work/filler.qdi
head -c 19100 "$anna/InBox.qdi" > "$filler"
for _ in $(seq 17); do cat "$filler" "$filler" > "$filler.2"; mv "$filler.2" "$filler"; done
head -c $((99999 * 19100)) "$filler" > "$anna/InBox.qdi"
rm -f "$filler" "$marks"
cat "$inbox/Anna/Anna1.qdm" >> "$anna/InBox.qdi"
rm "$inbox/Anna/Anna1.qdm"
start
key ctrl+5
click 300 $((29 + 23 + 14)) # the search field
type_text "zebracross"
# The first search reads the texts in pieces; then one row is left.
one_row() {
  # Within the first column: text in the first row, the second one blank.
  import -window "$window" -crop 58x16+104+$((29 + 23 + 29 + 24 + 4 + menu)) +repage "$work/row1.png"
  import -window "$window" -crop 58x16+104+$((29 + 23 + 29 + 48 + 4 + menu)) +repage "$work/row2.png"
  [ "$(convert "$work/row1.png" -format '%[fx:standard_deviation>0]' info:)" = 1 ] &&
    [ "$(convert "$work/row2.png" -format '%[fx:standard_deviation>0]' info:)" = 0 ]
}
await 600 "a single row found" one_row
key ctrl+6 # the Mail Reader shows the row selected
key alt+f e
await 100 "file dialog" dialog
sleep 0.5
xdotool key ctrl+a
type_text "$work/needle.pdf"
xdotool key Return
await 100 "the PDF" test -s "$work/needle.pdf"
sleep 0.5
pdftotext "$work/needle.pdf" - | grep -q "zebracrossing" || fail "the row found is not the message: $(pdftotext "$work/needle.pdf" -)"
echo "the real window passed"
