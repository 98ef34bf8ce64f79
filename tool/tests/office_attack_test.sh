#!/usr/bin/env bash
# A private office as `quindle-tool office init` and `office add` make it, with real accounts:
# anna, ben and carla in the group office, dan in it but away from his inbox folder, and eve
# outside it. It works (colleagues send same- and differently-named attachments, anna collects
# and removes them, the server folder carries dan's mail and dan takes it once, root repairs
# ben's folder after a colleague spoilt its Attach.ini), and every attack a colleague or an
# outsider tries fails. Each person's program folder and files are the tool's own doing, under
# the umask 022 offices run with.
# usage: office_attack_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$(realpath "$1") source=$(realpath "$2")
source "$source/tool/tests/office_accounts.sh"
office_accounts "$build" "$0" "$@" -- anna ben carla dan
set -e
umask 022
tool=$scratch/bin/quindle-tool
share=$scratch/srv/quindle

"$tool" office init "$share" --group office --mount "$share" >/dev/null
for person in Anna:anna Ben:ben Carla:carla Dan:dan; do
  "$tool" office add "$share" --name "${person%%:*}" --user "${person##*:}" >/dev/null
done
for login in anna ben carla dan; do
  name=$(echo "${login:0:1}" | tr a-z A-Z)${login:1}
  inbox=$share/inbox/$name
  [ "$login" = dan ] && inbox=$scratch/home/dan/in && as dan mkdir -m 700 "$inbox"
  as "$login" "$tool" settings --program-folder "$scratch/home/$login/q" --name "$name" --inbox "$inbox" \
    --addresses "$share/book" --data "$scratch/home/$login/q" >/dev/null
  as "$login" sh -c "printf '{\\\\rtf1 from $login\\\\par}' > ~/body.rtf; echo 'plan of $login' > ~/plan.txt"
done
send() { # login recipient attachment...
  local login=$1 to=$2 args=()
  for a in "${@:3}"; do args+=(--attach "$scratch/home/$login/$a"); done
  as "$login" "$tool" send --program-folder "$scratch/home/$login/q" --to "$to" --subject "from $login" \
    --body-rtf "$scratch/home/$login/body.rtf" "${args[@]}"
}
refused() { # what... : the command must fail
  if as "$@" >/dev/null 2>&1; then fail "not refused: $*"; fi
  tried=$((tried + 1))
}
tried=0

# Dan's inbox folder cannot be reached: his mail goes to the server folder.
rm -r "$share/inbox/Dan"
send ben Anna plan.txt >/dev/null
as carla sh -c 'echo other > ~/other.txt'
send carla Anna plan.txt other.txt >/dev/null
send carla Dan plan.txt >/dev/null
[ "$(cat "$share/inbox/Anna/plan.txt")" = "plan of ben" ] || fail "ben's attachment is not in place"
[ "$(cat "$share/inbox/Anna/plan (2).txt")" = "plan of carla" ] || fail "carla's attachment did not come in beside"
anna=$share/inbox/Anna

# An outsider reaches nothing.
refused eve ls "$share"
refused eve cat "$share/book/address list.qda"
refused eve cat "$anna/Attach.ini"
refused eve touch "$anna/Anna9.qdm"
refused eve cat "$share/server/Dan1.qdm"
refused eve "$tool" check "$anna"

# A colleague cannot redirect, list, read, change or remove anyone else's mail.
refused ben mv "$anna" "$share/inbox/Old"
refused ben ln -s "$scratch/home/anna" "$share/inbox/Anna2"
refused ben rmdir "$anna"
refused ben ls "$anna"
refused ben cat "$anna/Anna2.qdm"
refused ben sh -c "echo x >> '$anna/Anna2.qdm'"
refused ben rm -f "$anna/Anna2.qdm"
refused ben mv "$anna/Anna2.qdm" "$anna/Ben9.qdm"
refused ben cat "$anna/plan (2).txt"
refused ben rm -f "$anna/other.txt"
refused ben ls "$share/server"
refused ben cat "$share/server/Dan1.qdm"
refused ben rm -f "$share/server/Dan1.qdm"
refused ben "$tool" address --book "$share/book" --name Anna --inbox "$scratch/home/ben/"
refused ben touch "$share/book/address list.qda"
refused ben mkdir "$share/inbox/Eve"
# Nor move, rename or replace the share's own folders.
for folder in book inbox server; do
  refused ben mv "$share/$folder" "$share/$folder.old"
done
refused ben sh -c "mv '$share/book' '$scratch/home/ben/' || rm -rf '$share/book'; ln -s '$scratch/home/ben' '$share/book'"
[ -d "$share/book" ] && [ ! -L "$share/book" ] || fail "the address book folder was replaced"

# Anna collects and removes both messages; her attachments are hers alone from then on.
as anna "$tool" collect --program-folder "$scratch/home/anna/q" | grep -qx 'collected 2 messages' \
  || fail "anna did not collect both"
for f in Anna1.qdm Anna2.qdm; do [ ! -e "$anna/$f" ] || fail "$f stayed"; done
for f in plan.txt "plan (2).txt" other.txt; do
  [ "$(stat -c %U "$anna/$f")" = anna ] || fail "$f is not anna's after collection"
done
refused ben sh -c "echo x >> '$anna/plan.txt'"
refused ben rm -f "$anna/plan.txt"
refused carla cat "$anna/other.txt"
# The reader learns which account delivered each message: the marks' table of accounts holds,
# in slot order, ben (Anna1) and then carla (Anna2).
LC_ALL=C grep -qaP '\x03\x00ben\x05\x00carla' "$scratch/home/anna/q/InBox.qdx" || fail "the marks keep no accounts"

# Anna's program folder and files, which the tool made (main.ini, the body file of a send, the
# datafile, its marks and lock), are hers alone; a datafile made readable is narrowed again.
q=$scratch/home/anna/q
send anna Carla >/dev/null
[ "$(stat -c %a "$q")" = 700 ] || fail "anna's program folder is $(stat -c %a "$q")"
for f in main.ini tmprtf.tmp InBox.qdi InBox.qdx InBox.qdi.lock; do [ -e "$q/$f" ] || fail "the tool made no $f"; done
for f in "$q"/*; do [ "$(stat -c %a "$f")" = 600 ] || fail "$f is $(stat -c %a "$f")"; done
for f in InBox.qdi InBox.qdx main.ini tmprtf.tmp; do
  refused ben cat "$q/$f"
  refused eve cat "$q/$f"
done
as anna chmod 644 "$q/InBox.qdi"
send ben Anna >/dev/null
as anna "$tool" collect --program-folder "$q" >/dev/null 2>&1
[ "$(stat -c %a "$q/InBox.qdi")" = 600 ] || fail "anna's datafile stayed readable by others"

# Dan takes his server mail once: the server folder keeps it, his collections go past it.
out=$(as dan "$tool" collect --program-folder "$scratch/home/dan/q" 2>&1)
echo "$out" | grep -q 'taken into the inbox but could not be removed' || fail "dan was not told: $out"
[ "$(cat "$scratch/home/dan/in/plan.txt")" = "plan of carla" ] || fail "dan's attachment did not come"
again=$(as dan "$tool" collect --program-folder "$scratch/home/dan/q" 2>&1)
[ "$again" = "collected 0 messages" ] || fail "dan's second collection: $again"
[ "$(as dan "$tool" text "$scratch/home/dan/q/InBox.qdi" | grep -c '^From: ')" -eq 1 ] || fail "dan took it twice"
out=$("$tool" check --program-folder "$scratch/home/dan/q" "$share/server" 2>&1) && fail "check found nothing: $out"
echo "$out" | grep -qx 'taken into the inbox but not removable (collections go past it): Dan1.qdm' \
  || fail "check does not name the mail dan took: $out"

# A colleague spoils the counts in ben's folder and leaves a file there; root repairs it with
# ben's program folder, which keeps what ben's collected mail names.
ben=$share/inbox/Ben bq=$scratch/home/ben/q
send carla Ben other.txt >/dev/null
as ben "$tool" collect --program-folder "$bq" >/dev/null
send carla Ben plan.txt >/dev/null
as dan sh -c "printf '[attachments]\r\nplan.txt=15\r\n' > '$ben/Attach.ini'; echo junk > '$ben/stray.txt'"
out=$("$tool" repair "$ben" --dry-run --program-folder "$bq")
printf '%s\n' 'Attach.ini: would plan.txt=1 (was 15)' 'would remove stray.txt (5 bytes): no waiting message names it' \
  | diff - <(echo "$out") || fail "the dry run said otherwise"
"$tool" repair "$ben" --program-folder "$bq" >/dev/null || fail "repair failed"
[ ! -e "$ben/stray.txt" ] && [ -e "$ben/other.txt" ] && [ -e "$ben/plan.txt" ] || fail "repair removed the wrong files"
grep -qx $'plan.txt=1\r' "$ben/Attach.ini" || fail "repair counted otherwise: $(cat "$ben/Attach.ini")"
[ "$(stat -c '%U:%G %a' "$ben/Attach.ini")" = "ben:office 660" ] || fail "repair took Attach.ini from ben"
# Made too large to read, Attach.ini fails every send with an attachment to ben until repair
# rebuilds it, as ben's and the group's again, from the drop file still waiting.
as dan sh -c "head -c 5000000 /dev/zero >> '$ben/Attach.ini'"
if send anna Ben plan.txt >/dev/null 2>&1; then fail "a send counted into an Attach.ini too large to read"; fi
out=$("$tool" repair "$ben" --dry-run)
echo "$out" | grep -qx 'Attach.ini: would rebuild it whole from the drop files present: it is 5.0 MB, more than the 4.2 MB Quindle reads' \
  || fail "the dry run does not say it rebuilds Attach.ini: $out"
[ "$(stat -c %s "$ben/Attach.ini")" -gt 5000000 ] || fail "the dry run changed Attach.ini"
"$tool" repair "$ben" --program-folder "$bq" >/dev/null || fail "repair of the large Attach.ini failed"
[ "$(stat -c '%U:%G %a' "$ben/Attach.ini")" = "ben:office 660" ] && getfacl -cp "$ben/Attach.ini" | grep -qx 'group::rw-' \
  || fail "the rebuilt Attach.ini is $(stat -c '%U:%G %a' "$ben/Attach.ini"): $(getfacl -cp "$ben/Attach.ini")"
grep -qx $'plan.txt=1\r' "$ben/Attach.ini" || fail "the rebuilt Attach.ini counts otherwise: $(cat "$ben/Attach.ini")"
send anna Ben plan.txt >/dev/null || fail "anna cannot send an attachment to ben after the repair"
as ben "$tool" collect --program-folder "$bq" | grep -qx 'collected 2 messages' || fail "ben did not collect both"

# The older set-up, every folder group-writable (2775) with a default ACL o::rx: check says it
# deviates.
old=$scratch/srv/old
mkdir -p "$old/inbox/Anna" "$old/server" "$old/book"
chgrp -R office "$old"
chmod 2775 "$old" "$old/inbox" "$old/inbox/Anna" "$old/server" "$old/book"
setfacl -R -d -m o::rx "$old"
"$tool" address --book "$old/book" --name Anna --inbox "$old/inbox/Anna" >/dev/null
status=0
"$tool" office check "$old" > "$scratch/old-check" || status=$?
[ "$status" -eq 1 ] || fail "office check of the older set-up exits $status: $(cat "$scratch/old-check")"

"$tool" office check "$share" > "$scratch/check" || fail "office check: $(cat "$scratch/check")"
# A lock of Attach.ini that is not the person's deviates from the set-up.
chown root "$ben/Attach.ini.lock"
out=$("$tool" office check "$share") && fail "office check passes a lock file that is not ben's"
echo "$out" | grep -qx '  differs: Attach.ini.lock belongs to root, not to ben' || fail "office check says: $out"
echo "the office works; $tried attacks by a colleague and an outsider were refused"
