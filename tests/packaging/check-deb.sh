#!/usr/bin/env bash
# Builds the .deb from a configured build tree and checks it the way a user's
# system would meet it: its file list, its dependencies, the desktop entry and
# metainfo validators, and, when run as root, a real install, a start of the
# installed program and a removal.
#
# usage: check-deb.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log"; fail "cpack could not build the package"; }
deb=$(ls "$work"/out/vantrel_*_amd64.deb 2>/dev/null | head -n 1)
[[ -f $deb ]] || fail "no .deb was produced"
echo "built $(basename "$deb") ($(stat -c %s "$deb") bytes)"

app_id=io.vantrel.Vantrel
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/vantrel \
    ./usr/share/applications/$app_id.desktop \
    ./usr/share/metainfo/$app_id.metainfo.xml \
    ./usr/share/icons/hicolor/{32x32,64x64,128x128,256x256}/apps/$app_id.png; do
    grep -qxF "$path" <<<"$contents" || fail "package lacks $path"
done

# Dependencies must come from what the program links, so the Qt libraries and
# the C++ runtime must be there with versions, and nothing typed by hand.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6; do
    [[ ", $depends" == *", $lib (>= "* ]] || fail "Depends lacks a versioned $lib"
done
[[ $(dpkg-deb -f "$deb" Section) == games ]] || fail "section is not games"

dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/$app_id.desktop" ||
    fail "desktop entry does not validate"
grep -qx 'Categories=Game;ArcadeGame;' "$work/root/usr/share/applications/$app_id.desktop" ||
    fail "desktop entry has the wrong categories"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/$app_id.metainfo.xml" ||
    fail "metainfo does not validate"

# Each themed icon must be a PNG of the size its folder names.
for size in 32 64 128 256; do
    file "$work/root/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png" |
        grep -q "PNG image data, $size x $size" || fail "icon ${size}x${size} is not that size"
done

if ((EUID != 0)); then
    echo "not root: skipping the install, start and removal"
    exit 0
fi
if dpkg-query -W -f='${Status}' vantrel 2>/dev/null | grep -q 'install ok installed'; then
    echo "vantrel is already installed on this machine: leaving it alone"
    exit 0
fi
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

# Started on the offscreen platform the game must still be running after a
# few seconds (splash, handover, ticks); timeout's 124 says it was.
status=0
mkdir -m 700 "$work/runtime"
XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=offscreen timeout 4 /usr/bin/vantrel || status=$?
[[ $status == 124 ]] || fail "the installed program exited with status $status"
echo "installed program ran for 4 s"

apt-get remove "${apt_opts[@]}" vantrel >/dev/null 2>&1 || fail "apt-get could not remove it"
[[ ! -e /usr/bin/vantrel ]] || fail "removal left /usr/bin/vantrel behind"
echo "package installed, started and removed cleanly"
