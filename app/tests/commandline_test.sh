#!/usr/bin/env bash
# quindle refuses an option it does not know before the toolkit looks for a display, which it
# would abort without.
# usage: commandline_test.sh QUINDLE
set -euo pipefail
status=0
err=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$1" --bogus 2>&1 >/dev/null) || status=$?
[ "$status" -eq 2 ] || { echo "quindle --bogus: status $status; $err"; exit 1; }
echo "$err" | grep -q 'unknown option --bogus' || { echo "quindle --bogus said: $err"; exit 1; }
env -u DISPLAY -u WAYLAND_DISPLAY "$1" --version | grep -q '^quindle ' || { echo "quindle --version failed"; exit 1; }
echo "quindle --bogus: $err"
