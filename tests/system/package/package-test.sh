#!/usr/bin/env bash
# The Debian package (run it inside palimo-session.sh): built by CPack from the build folder,
# its dependencies derived from the binary, unpacked into a scratch root whose desktop entry
# and AppStream metainfo validate and whose palimo starts, registers its shortcuts and quits.
#   package-test.sh BUILD_DIR
set -uo pipefail

build=${1:?usage: package-test.sh BUILD_DIR}
here=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
# shellcheck source=../desktop-fixture.sh
source "$here/../desktop-fixture.sh"
# shellcheck source=../palimo-process.sh
source "$here/../palimo-process.sh"

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >cpack.log 2>&1) ||
  { echo "cpack failed: $(cat "$work/cpack.log")" >&2; exit 1; }
deb=$(ls "$work"/out/palimo_*.deb 2>/dev/null | head -n1)
[ -n "$deb" ] || { echo "no package was written" >&2; exit 1; }

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6svg6 qt6-wayland libqt6widgets6 libqt6dbus6 libxcb1 libatspi2.0-0 libqt6keychain1 libc6; do
  [[ ", $depends," == *", $library"[\ ,\(]* ]] || fail "Depends lacks $library: $depends"
done

root=$work/root
dpkg-deb -x "$deb" "$root" || { echo "the package does not unpack" >&2; exit 1; }
app=app.palimo.Palimo
for file in usr/bin/palimo usr/share/applications/$app.desktop usr/share/metainfo/$app.metainfo.xml \
  usr/share/icons/hicolor/scalable/apps/$app.svg usr/share/icons/hicolor/48x48/apps/$app.png; do
  [ -s "$root/$file" ] || fail "the package lacks $file"
done
desktop-file-validate "$root/usr/share/applications/$app.desktop" || fail "the desktop entry is invalid"
appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/$app.metainfo.xml" >"$work/as.log" 2>&1 ||
  fail "the metainfo is invalid: $(cat "$work/as.log")"
exec_line=$(grep '^Exec=' "$root/usr/share/applications/$app.desktop" | cut -d= -f2)
# By its full path: KWin matches it against the running binary before it grants fake-input.
[ "$exec_line" = /usr/bin/palimo ] && [ -x "$root$exec_line" ] ||
  fail "the entry's Exec=$exec_line is not the packaged binary"
grep -qx 'X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input' "$root/usr/share/applications/$app.desktop" ||
  fail "the entry does not ask KWin for fake-input"

version=$("$root/usr/bin/palimo" --version)
[[ "$version" == "Palimo $(dpkg-deb -f "$deb" Version | cut -d- -f1) ("* ]] ||
  fail "--version says '$version' for package $(dpkg-deb -f "$deb" Version)"

# Started as a desktop starts it, it comes up, registers its shortcuts and ends cleanly.
palimo=$root/usr/bin/palimo
palimo_up
palimo_stop || fail "the packaged palimo did not end cleanly on SIGTERM"
finish "package test ($(basename "$deb"))"
