#!/usr/bin/env bash
# Runs every command block of docs/office.md in order, in a scratch folder, then checks what
# they made: the folders' group and modes, the address book, the person's settings and mail.
# As root, a person of the office group other than the one who wrote the files also delivers.
# usage: office_guide_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(realpath "$1") source=$(realpath "$2")
command -v setfacl >/dev/null || { echo "SKIP: setfacl is missing (scripts/setup.sh installs acl)"; exit 77; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
chmod 755 "$scratch"
export PATH=$build/tool:$PATH HOME=$scratch/anna
export SHARE=$scratch/share MOUNT=$scratch/share OFFICE
OFFICE=$(id -gn)
mkdir "$HOME"

# The guide's own names stand for the file server's; ours replace them.
awk '/^```sh$/ { on = 1; next } /^```$/ { on = 0 } on' "$source/docs/office.md" \
  | grep -vE '^(SHARE|MOUNT|OFFICE)=' > "$scratch/guide.sh"
( cd "$scratch" && bash -euo pipefail guide.sh ) > "$scratch/out" 2>&1 \
  || { cat "$scratch/out"; echo "a command of the guide failed"; exit 1; }

fail() { echo "$1"; cat "$scratch/out"; exit 1; }
for folder in "$SHARE" "$SHARE/inbox" "$SHARE/book" "$SHARE/server" "$SHARE/inbox/Anna"; do
  [ "$(stat -c '%a %G' "$folder")" = "2775 $OFFICE" ] || fail "$folder: $(stat -c '%a %G' "$folder")"
done
grep -qx 'Anna: collects Anna1.qdm' "$scratch/out" || fail "check did not find the test message"
grep -qx 'collected 1 message' "$scratch/out" || fail "the test message was not collected"
quindle-tool dump --addresses "$SHARE/book/address list.qda" > "$scratch/book"
grep -q '"index": 0, "empty": false, "Name": "Server", "InBox": "'"$MOUNT"'/server/".*"Server": 1' "$scratch/book" \
  || fail "no server entry first: $(cat "$scratch/book")"
grep -q '"index": 1, "empty": false, "Name": "Anna", "InBox": "'"$MOUNT"'/inbox/Anna/", "Comment": "Sales"' \
  "$scratch/book" || fail "no entry for Anna: $(cat "$scratch/book")"
grep -q '^Name=Anna.$' "$HOME/.config/Quindle/main.ini" || fail "no settings for Anna"

[ "$(id -u)" -eq 0 ] || { echo "the office's folders and commands work (not root: no second person)"; exit 0; }
# Anna sends herself an attachment; Ben, another user in the office group, then sends her
# another file of the same name, which comes in beside hers and counts in her Attach.ini.
echo "from Anna" > "$scratch/plan.txt"
quindle-tool send --program-folder "$HOME/.config/Quindle" --to Anna --subject one --body-rtf "$HOME/test.rtf" \
  --attach "$scratch/plan.txt" >/dev/null
ben=$scratch/ben
mkdir -p "$ben/program" "$ben/docs"
echo "from Ben" > "$ben/docs/plan.txt"
cp "$HOME/test.rtf" "$ben/docs/"
chown -R 65534 "$ben"
as_ben() { setpriv --reuid=65534 --regid="$(id -g)" --clear-groups env HOME="$ben" "$@"; }
as_ben quindle-tool settings --program-folder "$ben/program" --name Ben --inbox "$ben/docs" \
  --addresses "$MOUNT/book" --data "$ben/program" >/dev/null
as_ben quindle-tool send --program-folder "$ben/program" --to Anna --subject two --body-rtf "$ben/docs/test.rtf" \
  --attach "$ben/docs/plan.txt" > "$scratch/ben-send" 2>&1 || fail "Ben cannot deliver: $(cat "$scratch/ben-send")"
[ "$(cat "$SHARE/inbox/Anna/plan.txt")" = "from Anna" ] || fail "Anna's attachment was overwritten"
[ "$(cat "$SHARE/inbox/Anna/plan (2).txt")" = "from Ben" ] || fail "Ben's attachment did not come in beside Anna's"
quindle-tool collect --program-folder "$HOME/.config/Quindle" | grep -qx 'collected 2 messages' \
  || fail "Anna did not collect both"
echo "the office's folders and commands work, also for a second person of the group"
