#!/usr/bin/env bash
# Checks a package made by scripts/package-deb.sh: it holds exactly the programs,
# the menu entries and the icon, owned by root; its control fields carry the
# project's version, the computed libraries and the description; and what it
# installs works together (each entry, valid, names its installed program and
# the icon).
#   scripts/check-deb.sh build-deb/qv-make_<version>_amd64.deb
set -euo pipefail
deb=$1
root_dir="$(cd "$(dirname "$0")/.." && pwd)"
version=$(sed -n 's/^project(qv_make VERSION \([0-9][0-9.]*\).*/\1/p' "$root_dir/CMakeLists.txt")
failed=0
fail() { echo "check-deb: $*" >&2; failed=1; }

[ -n "$version" ] || { echo "check-deb: no version in CMakeLists.txt's project()" >&2; exit 1; }
[ "$(basename "$deb")" = "qv-make_${version}_amd64.deb" ] ||
    fail "file name $(basename "$deb"), expected qv-make_${version}_amd64.deb"

# Mode, owner and path of every entry, nothing more and nothing less.
expected="drwxr-xr-x root/root ./usr/
drwxr-xr-x root/root ./usr/bin/
-rwxr-xr-x root/root ./usr/bin/qv_make
-rwxr-xr-x root/root ./usr/bin/qv_paper
-rwxr-xr-x root/root ./usr/bin/qv_tools
drwxr-xr-x root/root ./usr/share/
drwxr-xr-x root/root ./usr/share/applications/
-rw-r--r-- root/root ./usr/share/applications/qv_make.desktop
-rw-r--r-- root/root ./usr/share/applications/qv_tools.desktop
drwxr-xr-x root/root ./usr/share/icons/
drwxr-xr-x root/root ./usr/share/icons/hicolor/
drwxr-xr-x root/root ./usr/share/icons/hicolor/128x128/
drwxr-xr-x root/root ./usr/share/icons/hicolor/128x128/apps/
-rw-r--r-- root/root ./usr/share/icons/hicolor/128x128/apps/qv_make.png"
# dpkg-deb -b lists the root folder too, cpack does not.
listed=$(dpkg-deb -c "$deb" | awk '{ $3 = $4 = $5 = ""; print }' | tr -s ' ' |
         grep -vxF 'drwxr-xr-x root/root ./' | sort)
if [ "$listed" != "$(sort <<<"$expected")" ]; then
    fail "contents differ from what is expected:"
    diff <(sort <<<"$expected") <(echo "$listed") >&2 || true
fi

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = qv-make ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), expected $version"
[ "$(field Architecture)" = amd64 ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = education ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"

depends=$(field Depends)
depended=$(tr ',|' '\n' <<<"$depends" | awk '{ print $1 }')
libraries=(libc6 libstdc++6 libqt5core5a libqt5gui5 libqt5widgets5)
# QuaZip reads Word and Excel files (zip files). The linker keeps a library
# only where a program calls into it (Debian links --as-needed), so it is
# required once a program loads it, and then apt must install it.
needed=$(readelf -d "$tree/usr/bin/qv_make" "$tree/usr/bin/qv_tools" "$tree/usr/bin/qv_paper")
if grep -q 'NEEDED.*\[libquazip1-qt5\.so\.1\]' <<<"$needed"; then
    libraries+=(libquazip1-qt5-1)
fi
for library in "${libraries[@]}"; do
    grep -qxF "$library" <<<"$depended" || fail "Depends lacks $library: $depends"
done
grep -qw fonts-noto-cjk <<<"$(field Recommends)" || fail "Recommends lacks fonts-noto-cjk"
# A Chinese summary and a paragraph after it, not CPack's default line.
description=$(field Description)
summary=$(head -n 1 <<<"$description")
grep -qP '\p{Han}' <<<"$summary" || fail "the summary is not Chinese: $summary"
[ "$(wc -l <<<"$description")" -ge 3 ] || fail "no long description: $description"

# Each window's entry starts that window's program.
for window in qv_make qv_tools; do
    entry="$tree/usr/share/applications/$window.desktop"
    # Its hints too: a second main category puts the entry twice in some menus.
    if ! report=$(desktop-file-validate "$entry" 2>&1) || [ -n "$report" ]; then
        fail "desktop-file-validate reports $window.desktop: $report"
    fi
    program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    name=${program#/usr/bin/}
    if [ "$name" != "$window" ] || [ ! -x "$tree/usr/bin/$name" ]; then
        fail "$window.desktop: Exec=$program is not /usr/bin/$window, which the package installs"
    fi
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ -f "$tree/usr/share/icons/hicolor/128x128/apps/$icon.png" ] ||
        fail "$window.desktop: Icon=$icon is not the installed icon"
done
shown=$("$tree/usr/bin/qv_paper" --version 2>&1 || true)
[ "$shown" = "qv_paper $version" ] || fail "qv_paper --version says '$shown', the package $version"

if [ "$failed" -ne 0 ]; then
    exit 1
fi
echo "check-deb: $(basename "$deb") holds the programs, the menu entries and the icon; Depends: $depends"
