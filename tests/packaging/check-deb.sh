#!/usr/bin/env bash
# Builds a .deb, vantrel or vantrel-term, from a configured build tree and
# checks it the way a user's system and a distribution would meet it: its file
# list, its dependencies, its copyright, changelog and manual page, lintian
# with no error and no warning, and for vantrel the desktop entry and metainfo
# validators and, when run as root, a real install, a start of the installed
# program by its desktop entry and a removal.
#
# usage: check-deb.sh PACKAGE BUILD_DIR SOURCE_DIR
set -euo pipefail
package=$1
build=$(cd "$2" && pwd)
source_dir=$(cd "$3" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Checks that could not run, for lack of a tool or of root: the others still
# run, and then the test says it skipped (exit 77), naming what was missing.
skipped=()
skip_if_any() { # [WHAT]: WHAT is one more check that could not run
    (($# == 0)) || skipped+=("$1;")
    ((${#skipped[@]} == 0)) || { printf 'skipped: %s\n' "${skipped[*]}" | sed 's/;$//'; exit 77; }
}
validate() { # TOOL PACKAGE ARGS...
    local tool=$1 holder=$2
    shift 2
    if command -v "$tool" >/dev/null; then
        "$tool" "$@"
    else
        skipped+=("$tool (Debian package $holder) not installed;")
    fi
}

app_id=io.vantrel.Vantrel
doc=./usr/share/doc/$package
files=(./usr/games/$package ./usr/share/man/man6/$package.6.gz $doc/copyright $doc/changelog.gz)
if [[ $package == vantrel ]]; then
    cpack_args=(-G DEB)
    files+=(./usr/share/applications/$app_id.desktop ./usr/share/metainfo/$app_id.metainfo.xml
        ./usr/share/icons/hicolor/{32x32,64x64,128x128,256x256}/apps/$app_id.png)
    sonames=(libc.so.6 libstdc++.so.6 libQt6Core.so.6 libQt6Gui.so.6 libQt6Widgets.so.6)
else
    cpack_args=(--config CPackTermConfig.cmake)
    sonames=(libncursesw.so.6)
fi
# Under a private umask, so that lintian sees any folder or file whose mode
# came from the builder's umask rather than from the package.
(cd "$build" && umask 077 && cpack "${cpack_args[@]}" -B "$work/out" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log"; fail "cpack could not build the package"; }
deb=$(ls "$work"/out/"$package"_*_amd64.deb 2>/dev/null | head -n 1)
[[ -f $deb ]] || fail "no .deb was produced"
echo "built $(basename "$deb") ($(stat -c %s "$deb") bytes)"

# The package holds these files and nothing else.
contents=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
[[ $contents == "$(printf '%s\n' "${files[@]}" | sort)" ]] || fail "package files:"$'\n'"$contents"

# Dependencies must come from what the program links, with versions, and no
# library typed by hand: each under the name of the package that holds it on
# the release that built it (Debian 13 renamed some for 64-bit time,
# libqt6core6t64 for one).
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for soname in "${sonames[@]}"; do
    lib=$(dpkg -S "*/$multiarch/$soname" | sed -n '1s/:.*//p')
    [[ -n $lib ]] || fail "no package here holds $soname"
    [[ ", $depends" == *", $lib (>= "* ]] || fail "Depends lacks a versioned $lib (for $soname)"
done
[[ $(dpkg-deb -f "$deb" Section) == games ]] || fail "section is not games"
if [[ $package == vantrel ]]; then
    # The display plugins are no library the program links: named by hand.
    [[ ", $depends," == *", qt6-qpa-plugins,"* ]] || fail "Depends lacks qt6-qpa-plugins (X11)"
    [[ ", $(dpkg-deb -f "$deb" Recommends)," == *", qt6-wayland,"* ]] ||
        fail "Recommends lacks qt6-wayland"
else
    ! grep -Eiq 'qt|libx|xcb|libgl' <<<"$depends" || fail "Depends names a desktop library"
fi

dpkg-deb -x "$deb" "$work/root"
# The licence in the copyright file is LICENSE's, word for word: the text
# after its License line, with the one-space indent and the " ." blank
# lines of the format undone, against LICENSE after its copyright line.
copyright=$work/root/$doc/copyright
head -n 1 "$copyright" | grep -q '^Format: .*copyright-format/1.0/$' ||
    fail "copyright is not in the machine-readable format"
grep -qx 'Copyright: 2026 The Vantrel developers' "$copyright" || fail "copyright holder"
diff <(sed '1,/^License: Expat$/d; s/^ //; s/^\.$//' "$copyright") \
    <(sed '1,/^Copyright (c)/d' "$source_dir/LICENSE" | sed '/./,$!d') ||
    fail "the licence in the copyright file differs from LICENSE"

# The changelog's latest entry is this version, and the manual page renders
# without a warning.
version=$(dpkg-deb -f "$deb" Version)
zcat "$work/root/$doc/changelog.gz" | head -n 1 | grep -q "^$package ($version) " ||
    fail "changelog does not start with version $version"
warnings=$(zcat "$work/root/usr/share/man/man6/$package.6.gz" |
    LC_ALL=C.UTF-8 MANWIDTH=80 groff -man -Tutf8 -ww -z 2>&1) || true
[[ -z $warnings ]] || fail "the manual page does not render cleanly: $warnings"

if [[ $package == vantrel-term ]]; then
    "$work/root/usr/games/vantrel-term" --version | grep -qx "vantrel-term $version" ||
        fail "the packaged program gives the wrong version"
else
    desktop=$work/root/usr/share/applications/$app_id.desktop
    validate desktop-file-validate desktop-file-utils "$desktop" ||
        fail "desktop entry does not validate"
    grep -qx 'Categories=Game;ArcadeGame;' "$desktop" || fail "desktop entry has the wrong categories"
    grep -qx 'Exec=/usr/games/vantrel' "$desktop" || fail "desktop entry does not start /usr/games/vantrel"
    metainfo=$work/root/usr/share/metainfo/$app_id.metainfo.xml
    validate appstreamcli appstream validate --no-net "$metainfo" || fail "metainfo does not validate"
    # Each themed icon must be a PNG of the size its folder names.
    for size in 32 64 128 256; do
        file "$work/root/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png" |
            grep -q "PNG image data, $size x $size" || fail "icon ${size}x${size} is not that size"
    done
fi

# A distribution's own checker: no error and no warning. Informational tags
# (hardening hints, for one) are not failures.
if command -v lintian >/dev/null; then
    status=0
    lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 || status=$?
    grep -v 'running with root privileges' "$work/lintian.log" || true
    ((status == 0)) || fail "lintian reports errors or warnings (above)"
    echo "lintian: no error, no warning"
else
    skipped+=("lintian not installed;")
fi

[[ $package == vantrel ]] || { skip_if_any; exit 0; }
((EUID == 0)) || skip_if_any "the install, start and removal need root"
! dpkg-query -W -f='${Status}' vantrel 2>/dev/null | grep -q 'install ok installed' ||
    skip_if_any "the install, start and removal: vantrel is already installed here"
apt_opts=(-y -qq -o DPkg::Lock::Timeout=300)
export DEBIAN_FRONTEND=noninteractive
cp "$deb" "$work/vantrel.deb" # apt's sandbox user must be able to read it
chmod 644 "$work/vantrel.deb"
chmod 755 "$work"
apt-get install "${apt_opts[@]}" "$work/vantrel.deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; fail "apt-get could not install the package"; }
cleanup() {
    apt-get remove "${apt_opts[@]}" vantrel >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

# Started by its desktop entry's command on the offscreen platform, the game
# must still be running after a few seconds (splash, handover, ticks);
# timeout's 124 says it was.
status=0
mkdir -m 700 "$work/runtime"
exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/$app_id.desktop)
XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=offscreen timeout 4 $exec_line || status=$?
[[ $status == 124 ]] || fail "the installed program exited with status $status"
echo "installed program ran for 4 s"

apt-get remove "${apt_opts[@]}" vantrel >/dev/null 2>&1 || fail "apt-get could not remove it"
[[ ! -e /usr/games/vantrel ]] || fail "removal left /usr/games/vantrel behind"
echo "package installed, started and removed cleanly"
skip_if_any
