#!/usr/bin/env bash
# Makes a small demo office in ROOT with quindle-tool: Anna, Ben and Carla, their inbox folders
# on a "shared drive", a server folder, a shared address book, one program folder each, and a
# welcome message from Carla waiting for Anna and for Ben.
# usage: demo-office.sh QUINDLE_TOOL ROOT
set -euo pipefail
tool=$1
root=$(realpath -m "$2")
shared=$root/shared

rm -rf "$root"
mkdir -p "$shared/book" "$shared/server" "$root/welcome"
declare -A comment=([Anna]="Sales" [Ben]="Warehouse" [Carla]="Office manager")
for user in Anna Ben Carla; do
  mkdir -p "$shared/inbox/$user" "$root/$user"
  "$tool" address --book "$shared/book" --name "$user" --inbox "$shared/inbox/$user" \
    --comment "${comment[$user]}" >/dev/null
  # The program folder also holds the user's inbox datafile.
  "$tool" settings --program-folder "$root/$user" --name "$user" --inbox "$shared/inbox/$user" \
    --addresses "$shared/book" --data "$root/$user" >/dev/null
done
"$tool" address --book "$shared/book" --name Server --inbox "$shared/server" \
  --comment "Mail for people whose folder cannot be reached" --server >/dev/null

cat > "$root/welcome/welcome.rtf" <<'RTF'
{\rtf1\ansi\deff0{\fonttbl{\f0\fswiss DejaVu Sans;}}\f0\fs20 Hello Anna and Ben,\par
welcome to \b Quindle\b0 , our mail over \i shared folders\i0 :\par
{\pntext\'95\tab}{\*\pn\pnlvlblt\pnindent0{\pntxtb\'95}}\fi-200\li200 \b Collect Mail\b0 , the button at the top left, fetches your messages\par
{\pntext\'95\tab}\b New\b0  writes one: pick a name in \i Addresses List\i0 , then press \b To\b0\par
{\pntext\'95\tab}the attached \i office-hours.txt\i0  says when someone is in\par
\pard Carla\par
}
RTF
printf 'Monday to Friday, 8:00 to 17:00\nSaturday, 9:00 to 12:00\n' > "$root/welcome/office-hours.txt"
"$tool" send --program-folder "$root/Carla" --to Anna --to Ben --subject "Welcome to Quindle" \
  --body-rtf "$root/welcome/welcome.rtf" --attach "$root/welcome/office-hours.txt" >/dev/null
