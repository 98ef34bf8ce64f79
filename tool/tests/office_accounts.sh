# Sourced by the office tests, which run as root: the script re-runs itself in a mount
# namespace of its own, where copies of /etc/passwd and /etc/group hold the office's
# accounts (the group office and the people given, and "eve", who is outside it), so the
# machine's own accounts are never touched. Sets scratch (a folder removed at exit), fail,
# and as LOGIN COMMAND..., which runs a command as that account with its groups; the
# office's accounts run the copy of quindle-tool in "$scratch/bin", since they may not enter
# the build folder (a clone in root's home).
# usage: office_accounts BUILD_DIR "$0" "$@" -- anna ben ...
office_accounts() {
  local build=$1 script=$2
  shift 2
  local args=()
  while [ "$1" != "--" ]; do args+=("$1"); shift; done
  shift
  [ "$(id -u)" -eq 0 ] || { echo "SKIP: the office's accounts need root"; exit 77; }
  for tool in setfacl unshare setpriv; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/setup.sh installs it)"; exit 77; }
  done
  if [ -z "${QUINDLE_OFFICE_NAMESPACE:-}" ]; then
    exec unshare --mount --propagation private env QUINDLE_OFFICE_NAMESPACE=1 bash "$script" "${args[@]}"
  fi
  scratch=$(mktemp -d)
  trap 'umount -q "$scratch/mnt/quindle" 2>/dev/null || true; rm -rf "$scratch"' EXIT
  chmod 755 "$scratch"
  mkdir -p "$scratch/etc" "$scratch/home" "$scratch/mnt/quindle" "$scratch/srv"
  cp /etc/passwd /etc/group "$scratch/etc/"
  local members uid=64101
  members=$(IFS=,; echo "$*")
  echo "office:x:64100:$members" >> "$scratch/etc/group"
  for login in "$@" eve; do
    echo "$login:x:$uid:$uid::$scratch/home/$login:/bin/bash" >> "$scratch/etc/passwd"
    echo "$login:x:$uid:" >> "$scratch/etc/group"
    mkdir -p "$scratch/home/$login"
    chown "$uid:$uid" "$scratch/home/$login"
    uid=$((uid + 1))
  done
  mkdir -p "$scratch/bin"
  cp "$build/tool/quindle-tool" "$scratch/bin/"
  chmod 755 "$scratch/bin" "$scratch/bin/quindle-tool"
  mount --bind "$scratch/etc/passwd" /etc/passwd
  mount --bind "$scratch/etc/group" /etc/group
}
fail() { echo "$*"; exit 1; }
as() { setpriv --reuid="$1" --regid="$1" --init-groups env HOME="$scratch/home/$1" "${@:2}"; }
