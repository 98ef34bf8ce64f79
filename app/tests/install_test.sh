#!/usr/bin/env bash
# cmake --install and cpack -G DEB on the build: the desktop files validate, the package holds
# what the installation holds with dependencies on the libraries linked, and the installed
# program keeps its settings in the user's folder, not beside itself.
# usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
for tool in desktop-file-validate appstreamcli dpkg-deb dpkg-shlibdeps identify; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/setup.sh installs it)"; exit 77; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cmake --install "$build" --prefix "$scratch/stage" >/dev/null
stage=$scratch/stage
desktop-file-validate "$stage/share/applications/org.quindle.Quindle.desktop"
appstreamcli validate --no-net --explain "$stage/share/metainfo/org.quindle.Quindle.metainfo.xml"
expected="bin/quindle
bin/quindle-tool
share/applications/org.quindle.Quindle.desktop
share/icons/hicolor/16x16/apps/org.quindle.Quindle.png
share/icons/hicolor/256x256/apps/org.quindle.Quindle.png
share/icons/hicolor/32x32/apps/org.quindle.Quindle.png
share/icons/hicolor/48x48/apps/org.quindle.Quindle.png
share/icons/hicolor/scalable/apps/org.quindle.Quindle.svg
share/man/man1/quindle-tool.1
share/man/man1/quindle.1
share/metainfo/org.quindle.Quindle.metainfo.xml"
installed=$(cd "$stage" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$installed" = "$expected" ] || { echo "installed files differ:"; diff <(echo "$expected") <(echo "$installed"); exit 1; }
for size in 16 32 48 256; do
  [ "$(identify -format '%wx%h' "$stage/share/icons/hicolor/${size}x$size/apps/org.quindle.Quindle.png")" = "${size}x$size" ] \
    || { echo "icon of $size pixels has another size"; exit 1; }
done
[ "$("$stage/bin/quindle" --version)" = "quindle $(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")" ]
"$stage/bin/quindle" --help | grep -q -- '--program-folder DIR'

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/package" >/dev/null
deb=$(ls "$scratch"/package/quindle_*.deb)
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || { echo "no Qt dependency: $(dpkg-deb -f "$deb" Depends)"; exit 1; }
dpkg -x "$deb" "$scratch/root"
packaged=$(cd "$scratch/root/usr" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$packaged" = "$expected" ] || { echo "packaged files differ:"; diff <(echo "$expected") <(echo "$packaged"); exit 1; }

# Started from the unpacked package with no main.ini beside it, the program takes the user's
# configuration folder, which it makes.
config=$scratch/config
XDG_CONFIG_HOME=$config QT_QPA_PLATFORM=offscreen "$scratch/root/usr/bin/quindle" >/dev/null 2>&1 &
program=$!
for _ in $(seq 600); do [ -d "$config/Quindle" ] && break; sleep 0.1; done
kill "$program"; wait "$program" 2>/dev/null || true
[ -d "$config/Quindle" ] || { echo "no program folder in $config"; exit 1; }
[ ! -e "$scratch/root/usr/bin/main.ini" ]
echo "installed and packaged: $(echo "$expected" | wc -l) files"
