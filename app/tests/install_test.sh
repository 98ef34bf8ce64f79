#!/usr/bin/env bash
# cmake --install and cpack -G DEB on the build: the desktop files validate; the two packages
# hold what the installation holds, with compressed manual pages and each package's copyright,
# changelog and office guide; quindle-tool links and depends on Qt Core alone, quindle depends
# on it; and the installed program keeps its settings in the user's folder, not beside itself.
# usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
for tool in desktop-file-validate appstreamcli dpkg-deb dpkg-shlibdeps dpkg-parsechangelog identify file; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/setup.sh installs it)"; exit 77; }
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "$*"; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")

tool_files="bin/quindle-tool
share/doc/quindle-tool/changelog.gz
share/doc/quindle-tool/copyright
share/doc/quindle-tool/office.md
share/man/man1/quindle-tool.1.gz"
app_files="bin/quindle
share/applications/org.quindle.Quindle.desktop
share/doc/quindle/changelog.gz
share/doc/quindle/copyright
share/doc/quindle/office.md
share/icons/hicolor/16x16/apps/org.quindle.Quindle.png
share/icons/hicolor/256x256/apps/org.quindle.Quindle.png
share/icons/hicolor/32x32/apps/org.quindle.Quindle.png
share/icons/hicolor/48x48/apps/org.quindle.Quindle.png
share/icons/hicolor/scalable/apps/org.quindle.Quindle.svg
share/man/man1/quindle.1.gz
share/metainfo/org.quindle.Quindle.metainfo.xml"
files_in() { (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }
same_files() { # what expected actual
  [ "$2" = "$3" ] || { echo "$1 differ:"; diff <(echo "$2") <(echo "$3"); exit 1; }
}

cmake --install "$build" --prefix "$scratch/stage" >/dev/null
stage=$scratch/stage
same_files "installed files" "$(printf '%s\n%s\n' "$tool_files" "$app_files" | LC_ALL=C sort)" "$(files_in "$stage")"
desktop-file-validate "$stage/share/applications/org.quindle.Quindle.desktop"
appstreamcli validate --no-net --explain "$stage/share/metainfo/org.quindle.Quindle.metainfo.xml"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$stage/share/metainfo/org.quindle.Quindle.metainfo.xml" \
  || fail "the metainfo names no licence"
for size in 16 32 48 256; do
  [ "$(identify -format '%wx%h' "$stage/share/icons/hicolor/${size}x$size/apps/org.quindle.Quindle.png")" = "${size}x$size" ] \
    || fail "icon of $size pixels has another size"
done
for package in quindle quindle-tool; do
  doc=$stage/share/doc/$package
  grep -qx 'License: GPL-3.0+' "$doc/copyright" || fail "$package: copyright names no GPL-3.0+"
  [ "$(zcat "$doc/changelog.gz" | dpkg-parsechangelog -l - -S Version)" = "$version" ] \
    || fail "$package: changelog.gz does not give version $version"
  zcat "$stage/share/man/man1/$package.1.gz" | head -n 1 | grep -q '^\.TH ' || fail "$package.1.gz is no manual page"
done
[ "$("$stage/bin/quindle" --version)" = "quindle $version" ]
[ "$("$stage/bin/quindle-tool" --version)" = "quindle-tool $version" ]
"$stage/bin/quindle" --help | grep -q -- '--program-folder DIR'

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/package" >/dev/null
app_deb=$scratch/package/quindle_${version}_amd64.deb
tool_deb=$scratch/package/quindle-tool_${version}_amd64.deb
[ -f "$app_deb" ] && [ -f "$tool_deb" ] || fail "packages: $(ls "$scratch/package")"
packaged() { # deb: its files under usr/, from its contents list
  dpkg-deb -c "$1" | awk '$1 ~ /^-/ { print $6 }' | sed 's|^\./usr/||' | LC_ALL=C sort
}
same_files "quindle-tool's files" "$tool_files" "$(packaged "$tool_deb")"
same_files "quindle's files" "$app_files" "$(packaged "$app_deb")"

tool_depends=$(dpkg-deb -f "$tool_deb" Depends)
app_depends=$(dpkg-deb -f "$app_deb" Depends)
echo "$tool_depends" | grep -q 'libqt6core6' || fail "quindle-tool does not depend on Qt Core: $tool_depends"
! echo "$tool_depends" | grep -Eq 'libqt6(gui|widgets|dbus)' || fail "quindle-tool depends on more than Qt Core: $tool_depends"
echo "$app_depends" | grep -q "quindle-tool (= $version)" || fail "quindle does not depend on quindle-tool: $app_depends"
echo "$app_depends" | grep -q 'libqt6widgets6' || fail "quindle does not depend on Qt Widgets: $app_depends"

dpkg-deb -x "$tool_deb" "$scratch/root"
dpkg-deb -x "$app_deb" "$scratch/root"
libraries=$(ldd "$scratch/root/usr/bin/quindle-tool")
! echo "$libraries" | grep -q 'not found' || fail "quindle-tool misses libraries: $libraries"
echo "$libraries" | grep -q 'libQt6Core' || fail "quindle-tool links no Qt Core: $libraries"
! echo "$libraries" | grep -Eq 'libQt6(Gui|Widgets|DBus)|libX|libGL|libdbus' \
  || fail "quindle-tool links more than Qt Core: $libraries"
! file -b "$scratch/root/usr/bin/quindle-tool" | grep -q 'not stripped' || fail "quindle-tool is not stripped"

# Started from the unpacked package with no main.ini beside it, the program takes the user's
# configuration folder, which it makes.
config=$scratch/config
XDG_CONFIG_HOME=$config QT_QPA_PLATFORM=offscreen "$scratch/root/usr/bin/quindle" >/dev/null 2>&1 &
program=$!
for _ in $(seq 600); do [ -d "$config/Quindle" ] && break; sleep 0.1; done
kill "$program"; wait "$program" 2>/dev/null || true
[ -d "$config/Quindle" ] || fail "no program folder in $config"
[ ! -e "$scratch/root/usr/bin/main.ini" ]
echo "installed and packaged: quindle-tool $(echo "$tool_files" | wc -l) files, quindle $(echo "$app_files" | wc -l) files"
