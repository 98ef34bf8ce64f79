#!/usr/bin/env bash
# Pictures of every view of the real program under Xvfb, on a small demo mailbox:
# Ben sends Anna two messages, Anna collects them and reads one. Writes DIR/*.png
# (default docs/).
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-docs}")
scripts/setup.sh
missing=()
for p in xdotool imagemagick python3; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
scripts/build.sh quindle quindle-tool
tool=$PWD/build/tool/quindle-tool

office=${TMPDIR:-/tmp}/quindle-office
rm -rf "$office"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$office"' EXIT
mkdir -p "$office"/{book,server,docs}
for user in Anna Ben; do
  mkdir -p "$office/$user"/{inbox,data,program}
  # The program folder is the one the executable stands in.
  cp build/app/quindle "$office/$user/program/"
  printf '[Destination]\r\nMyDest=%s\r\n[Settings]\r\nName=%s\r\nAddresses=%s\r\nInbox Data=%s\r\nAuto Opti Address=0\r\nAuto Opti Inbox=0\r\n' \
    "$office/$user/inbox/" "$user" "$office/book/" "$office/$user/data/" > "$office/$user/program/main.ini"
done
python3 - "$office" <<'PY'
import sys
office = sys.argv[1]
def short(text, size):
    data = text.encode('cp1252')[:size - 1]
    return bytes([len(data)]) + data + bytes(size - 1 - len(data))
entries = [("Anna", office + "/Anna/inbox/", "Sales office", 0),
           ("Ben", office + "/Ben/inbox/", "Warehouse", 0),
           ("Carla", office + "/Carla/inbox/", "Away until May", 0),
           ("Server", office + "/server/", "Mail for people away", 1)]
with open(office + "/book/address list.qda", "wb") as book:
    for name, inbox, comment, server in entries:
        book.write(short(name, 128) + short(inbox, 256) + short(comment, 256) + short("", 128)
                   + bytes([server]) + bytes(523))
PY
cat > "$office/docs/welcome.rtf" <<'RTF'
{\rtf1\ansi\deff0{\fonttbl{\f0\fswiss DejaVu Sans;}}\f0\fs20 Hello Anna,\par
The \b stock count\b0  is on \i Friday\i0 . Please bring:\par
{\pntext\'95\tab}{\*\pn\pnlvlblt\pnindent0{\pntxtb\'95}}\fi-200\li200 the scanner\par
{\pntext\'95\tab}the list of shelves\par
\pard Thanks, Ben\par
}
RTF
echo "Shelves A to F" > "$office/docs/shelves.txt"
"$tool" send --program-folder "$office/Ben/program" --to Anna --subject "Stock count on Friday" \
  --body-rtf "$office/docs/welcome.rtf" --attach "$office/docs/shelves.txt" >/dev/null
"$tool" send --program-folder "$office/Ben/program" --to Anna --subject "Lunch" \
  --body-rtf "$office/docs/welcome.rtf" >/dev/null

export DISPLAY=:97
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
sleep 1
"$office/Anna/program/quindle" >/dev/null 2>&1 &
window=$(xdotool search --sync --name '^Quindle$' | head -n 1)
sleep 1
mkdir -p "$out"
shot() { sleep 0.7; import -window "$window" "$out/$1.png"; }
# Places in the window: the collect button, the bar's item pictures, the InBox's first row.
click() { xdotool mousemove --window "$window" "$1" "$2" click "${@:3}" 1; }
item() { click 50 $((75 + $1 * 59)); }
click 15 14
shot inbox
click 140 $((29 + 23 + 29 + 24 + 12)) --repeat 2 --delay 80
shot reader
item 0
click 250 95; xdotool type --delay 20 "Re: Stock count on Friday"
click 400 250; xdotool type --delay 20 "I will bring the scanner and the list."
shot new
item 1; shot address-list
click 140 $((29 + 23 + 29 + 24 + 24 + 12)) --repeat 2 --delay 80
shot address-edit
item 3; shot settings
echo "Pictures in $out"
