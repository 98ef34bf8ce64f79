#!/usr/bin/env bash
# A private office as `quindle-tool office init` and `office add` make it, with real accounts:
# anna, ben and carla in the group office, dan in it but away from his inbox folder, and eve
# outside it. It works (colleagues send same- and differently-named attachments, anna collects
# and removes them, the server folder carries dan's mail and dan takes it once), and every
# attack a colleague or an outsider tries fails.
# usage: office_attack_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$(realpath "$1") source=$(realpath "$2")
source "$source/tool/tests/office_accounts.sh"
office_accounts "$build" "$0" "$@" -- anna ben carla dan
set -e
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
  as "$login" mkdir -m 700 "$scratch/home/$login/q"
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
# The reader learns which account delivered each message.
as anna "$tool" dump "$scratch/home/anna/q/InBox.qdi" >/dev/null
grep -q 'carla' "$scratch/home/anna/q/InBox.qdx" || fail "the marks keep no account"

# Dan takes his server mail once: the server folder keeps it, his collections go past it.
out=$(as dan "$tool" collect --program-folder "$scratch/home/dan/q" 2>&1)
echo "$out" | grep -q 'taken into the inbox but could not be removed' || fail "dan was not told: $out"
[ "$(cat "$scratch/home/dan/in/plan.txt")" = "plan of carla" ] || fail "dan's attachment did not come"
again=$(as dan "$tool" collect --program-folder "$scratch/home/dan/q" 2>&1)
[ "$again" = "collected 0 messages" ] || fail "dan's second collection: $again"
[ "$(as dan "$tool" text "$scratch/home/dan/q/InBox.qdi" | grep -c '^From: ')" -eq 1 ] || fail "dan took it twice"

"$tool" office check "$share" > "$scratch/check" || fail "office check: $(cat "$scratch/check")"
echo "the office works; $tried attacks by a colleague and an outsider were refused"
