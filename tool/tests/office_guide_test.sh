#!/usr/bin/env bash
# Runs every sh block of docs/office.md in order, each where its first line says: on the file
# server as root, where the share is $SHARE and nothing is mounted at $MOUNT, or on a person's
# machine as that person's own account, which reaches the share only at $MOUNT (a bind mount
# of it). What a block prints must be its output block, and what they made is checked: the
# folders' group and modes, the address book, the person's settings and mail, and a second
# person of the office sending a same-named attachment he may not read. The Samba files are
# checked with testparm and for the mount options the guide promises.
# The office's accounts exist in this test's own mount namespace only.
# usage: office_guide_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(realpath "$1") source=$(realpath "$2")
source "$source/tool/tests/office_accounts.sh"
office_accounts "$build" "$0" "$@" -- anna ben carla
mkdir -p "$scratch/work"
chmod 777 "$scratch/work"

share=$scratch/srv/quindle mount=$scratch/mnt/quindle
export PATH=$scratch/bin:$PATH

# The guide's blocks: block.N holds the N-th sh block, role.N its first line, expect.N the
# output block after it; other.KIND.N the blocks of other kinds.
awk -v dir="$scratch" '
  /^```/ && !inside { inside = 1; kind = substr($0, 4); n++; file = dir "/" (kind == "sh" ? "block." : kind == "output" ? "expect." : "other." kind ".") (kind == "output" ? last : n); if (kind == "sh") last = n; printf "" > file; next }
  /^```$/ && inside { inside = 0; next }
  inside { print >> file }
' "$source/docs/office.md"
# The guide's own names stand for the file server's; ours replace them.
sed -i -E '/^(SHARE|MOUNT|OFFICE)=/d' "$scratch"/block.*
: > "$scratch/work/vars"
chmod 644 "$scratch/work/vars"

run_block() { # n
  local n=$1 role
  role=$(head -n 1 "$scratch/block.$n")
  # Runs the block after the variables the blocks before it set, and keeps those it sets.
  local runner='set -euo pipefail; set -a; . "$VARS"; SHARE=$GUIDE_SHARE MOUNT=$GUIDE_MOUNT OFFICE=office; . "$BLOCK"; set +a
    for v in $(grep -ohE "^[A-Z]+=" "$BLOCKS"/block.* | tr -d = | sort -u); do if [ -n "${!v+x}" ]; then declare -p "$v"; fi; done > "$VARS.new"'
  local env=(VARS="$scratch/work/vars" BLOCK="$scratch/block.$n" BLOCKS="$scratch" PATH="$PATH")
  case "$role" in
    "# on the file server, as root")
      umount -q "$mount" 2>/dev/null || true
      (cd "$scratch/work" && env "${env[@]}" HOME=/root GUIDE_SHARE="$share" GUIDE_MOUNT="$mount" bash -c "$runner") \
        > "$scratch/out.$n" 2>&1 || { cat "$scratch/out.$n"; fail "block $n on the file server failed"; } ;;
    "# on "*"'s machine, as "*)
      local person=${role##*, as }
      person=$(echo "$person" | tr '[:upper:]' '[:lower:]')
      mount --bind "$share" "$mount"
      (cd "$scratch/work" && setpriv --reuid="$person" --regid="$person" --init-groups \
        env "${env[@]}" HOME="$scratch/home/$person" GUIDE_SHARE="$scratch/not-on-this-machine" GUIDE_MOUNT="$mount" \
        bash -c "umask 022; $runner") > "$scratch/out.$n" 2>&1 \
        || { cat "$scratch/out.$n"; fail "block $n on $person's machine failed"; }
      umount "$mount" ;;
    *) fail "block $n does not say where it runs: $role" ;;
  esac
  mv "$scratch/work/vars.new" "$scratch/work/vars"
  if [ -e "$scratch/expect.$n" ]; then
    # Paths as the guide writes them.
    sed -e "s|$scratch/home/[a-z]*|~|g" -e "s|$share|\$SHARE|g" -e "s|$mount|\$MOUNT|g" "$scratch/out.$n" > "$scratch/got.$n"
    diff -u "$scratch/expect.$n" "$scratch/got.$n" || fail "block $n prints something else than the guide says"
  fi
}
blocks=$(ls "$scratch"/block.* | sed 's/.*\.//' | sort -n)
for n in $blocks; do run_block "$n"; done

quindle-tool office check "$share" > "$scratch/check" || fail "the office differs from the set-up: $(cat "$scratch/check")"
quindle-tool dump --addresses "$share/book/address list.qda" > "$scratch/book"
grep -q '"index": 0, "empty": false, "Name": "Server", "InBox": "'"$mount"'/server/".*"Server": 1' "$scratch/book" \
  || fail "no server entry first: $(cat "$scratch/book")"
grep -q '"index": 1, "empty": false, "Name": "Anna", "InBox": "'"$mount"'/inbox/Anna/"' "$scratch/book" \
  || fail "no entry for Anna: $(cat "$scratch/book")"
grep -q '^Name=Anna.$' "$scratch/home/anna/.config/Quindle/main.ini" || fail "no settings for Anna"
[ "$(stat -c %a "$scratch/home/anna/.config/Quindle/main.ini")" = 600 ] || fail "main.ini is readable by others"

# The Samba share's definition as testparm reads it, and a client mount with what it needs.
smbconf=$(grep -l "^\[quindle\]" "$scratch"/other.ini.*)
if command -v testparm >/dev/null; then
  printf '[global]\n   server role = standalone server\n' | cat - "$smbconf" > "$scratch/smb.conf"
  testparm -s "$scratch/smb.conf" > "$scratch/testparm" 2>&1 || { cat "$scratch/testparm"; fail "testparm refuses the share"; }
  grep -qi 'inherit acls = yes' "$scratch/testparm" || fail "the share does not keep the folders' lists: $(cat "$scratch/testparm")"
  ! grep -q 'force user' "$scratch/testparm" || fail "the share writes every file as one account"
fi
grep -q '^smbpasswd -a ' "$scratch"/other.shell.* || fail "the Samba part gives no one a Samba password"
grep -q '^smbcontrol smbd reload-config' "$scratch"/other.shell.* || fail "the Samba part does not reload Samba"
grep -Eq '^username=.+' "$scratch"/other.ini.* && grep -Eq '^password=' "$scratch"/other.ini.* \
  || fail "no credentials file"
read -r what where type options _ < "$(ls "$scratch"/other.fstab.*)"
[ "$type" = cifs ] && [ "$where" = /mnt/quindle ] || fail "the fstab line mounts $what at $where as $type"
for option in credentials uid gid file_mode dir_mode; do
  echo ",$options," | grep -q ",$option=" || fail "the fstab line lacks $option: $options"
done

# Anna sends herself an attachment; Ben, another person of the office, then sends her another
# file of the same name, which he may not read: it comes in beside hers and counts in her
# Attach.ini, which he updates in place. Anna collects both, and both attachments are hers.
quindle-tool office add "$share" --name Ben --user ben --mount "$mount" >/dev/null
mount --bind "$share" "$mount"
program=$scratch/home/anna/.config/Quindle
as anna sh -c "echo 'from Anna' > '$scratch/home/anna/plan.txt'"
as anna quindle-tool send --program-folder "$program" --to Anna --subject one --body-rtf "$scratch/home/anna/test.rtf" \
  --attach "$scratch/home/anna/plan.txt" >/dev/null || fail "Anna cannot send herself an attachment"
ben=$scratch/home/ben
as ben mkdir -p -m 700 "$ben/program"
as ben sh -c "echo 'from Ben' > '$ben/plan.txt'"
as ben quindle-tool settings --program-folder "$ben/program" --name Ben --inbox "$mount/inbox/Ben" \
  --addresses "$mount/book" --data "$ben/program" >/dev/null
as ben quindle-tool send --program-folder "$ben/program" --to Anna --subject two --body-rtf "$scratch/home/anna/test.rtf" \
  --attach "$ben/plan.txt" > "$scratch/ben-send" 2>&1 || fail "Ben cannot deliver: $(cat "$scratch/ben-send")"
[ "$(cat "$share/inbox/Anna/plan.txt")" = "from Anna" ] || fail "Anna's attachment was overwritten"
[ "$(cat "$share/inbox/Anna/plan (2).txt")" = "from Ben" ] || fail "Ben's attachment did not come in beside Anna's"
as anna quindle-tool collect --program-folder "$program" | grep -qx 'collected 2 messages' \
  || fail "Anna did not collect both"
[ "$(stat -c %U "$share/inbox/Anna/plan (2).txt")" = anna ] || fail "Ben's attachment is still his after collection"
echo "every block of the guide ran where it says and printed what it says; a second person delivers too"
