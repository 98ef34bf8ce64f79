#!/usr/bin/env bash
# quindle-tool's command line as Unix tools behave: --help on standard output with status 0,
# --version, an unknown command or option refused on standard error with the usage and status
# 2, and a manual page that names every command and option that --help names.
# usage: commandline_test.sh QUINDLE_TOOL MANUAL_PAGE
set -euo pipefail
tool=$1 manual=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "$*"; exit 1; }
run() { # expected-status command...: its output in $scratch/out and $scratch/err
  local status=0
  "$tool" "${@:2}" >"$scratch/out" 2>"$scratch/err" || status=$?
  [ "$status" -eq "$1" ] || fail "quindle-tool ${*:2}: status $status, not $1; $(cat "$scratch/err")"
}

run 0 --help
[ ! -s "$scratch/err" ] || fail "--help wrote to standard error"
cp "$scratch/out" "$scratch/help"
grep -q '^usage: quindle-tool dump' "$scratch/help" || fail "--help prints no usage"
run 0 send --help
cmp -s "$scratch/out" "$scratch/help" || fail "send --help differs from --help"
run 0 --version
grep -Eqx 'quindle-tool [0-9]+(\.[0-9]+)+' "$scratch/out" || fail "--version: $(cat "$scratch/out")"

commands=$(sed -nE 's/^(usage:)? *quindle-tool ([a-z]+).*/\2/p' "$scratch/help" | sort -u)
[ "$(echo "$commands" | wc -l)" -ge 7 ] || fail "commands in --help: $commands"
for bad in "--bogus" "bogus" "-x"; do
  run 2 "$bad"
  [ ! -s "$scratch/out" ] || fail "quindle-tool $bad wrote to standard output"
  grep -q 'usage: quindle-tool' "$scratch/err" || fail "quindle-tool $bad: no usage on standard error"
done
for command in $commands; do
  run 2 "$command" --bogus
  [ ! -s "$scratch/out" ] || fail "quindle-tool $command --bogus wrote to standard output"
  grep -q "usage: quindle-tool $command" "$scratch/err" || fail "$command --bogus: no usage; $(cat "$scratch/err")"
done

# The manual page's text with roff's escaped hyphens as plain ones.
sed 's/\\-/-/g' "$manual" > "$scratch/manual"
for command in $commands; do
  grep -Eq "^\.B quindle-tool $command( |$)" "$scratch/manual" || fail "the manual's synopsis lacks $command"
  grep -A1 '^\.TP' "$scratch/manual" | grep -Eq "^\.B $command( |$)" || fail "the manual does not describe $command"
done
for option in $(grep -Eo -- '--[a-z][a-z-]*' "$scratch/help" | sort -u); do
  grep -q -- "$option" "$scratch/manual" || fail "the manual does not name $option"
done
echo "commands: $(echo $commands); every option of --help in the manual"
