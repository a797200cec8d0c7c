#!/usr/bin/env bash
# Packs vantrel-term's .deb from a configured build tree and checks it as a
# system would meet it: its files, a manual page that renders cleanly, the
# dependencies worked out from what it links (ncurses, and neither Qt nor X),
# and lintian with no error and no warning.
#
# usage: check-deb.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack --config CPackTermConfig.cmake -B "$work/out" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log"; fail "cpack could not build the package"; }
deb=$(ls "$work"/out/vantrel-term_*_amd64.deb)
contents=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
expected=$(printf '%s\n' ./usr/games/vantrel-term ./usr/share/man/man6/vantrel-term.6.gz \
    ./usr/share/doc/vantrel-term/copyright ./usr/share/doc/vantrel-term/changelog.gz | sort)
[[ $contents == "$expected" ]] || fail "package files:"$'\n'"$contents"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
ncurses=$(dpkg -S "*/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/libncursesw.so.6" | sed -n '1s/:.*//p')
[[ -n $ncurses && $depends == *"$ncurses (>= "* ]] || fail "Depends lacks a versioned ${ncurses:-ncurses}"
! grep -Eiq 'qt|libx|xcb|libgl' <<<"$depends" || fail "Depends names a desktop library"
dpkg-deb -x "$deb" "$work/root"
zcat "$work/root/usr/share/doc/vantrel-term/changelog.gz" | head -n 1 |
    grep -q "^vantrel-term ($(dpkg-deb -f "$deb" Version)) " || fail "changelog version"
warnings=$(zcat "$work/root/usr/share/man/man6/vantrel-term.6.gz" |
    LC_ALL=C.UTF-8 MANWIDTH=80 groff -man -Tutf8 -ww -z 2>&1) || true
[[ -z $warnings ]] || fail "the manual page does not render cleanly: $warnings"
"$work/root/usr/games/vantrel-term" --version | grep -qx "vantrel-term $(dpkg-deb -f "$deb" Version)" ||
    fail "the packaged program gives the wrong version"

if ! command -v lintian >/dev/null; then
    echo "lintian is not installed: skipped"
    exit 77
fi
lintian --fail-on error,warning "$deb" 2>&1 | grep -v 'running with root privileges' || true
lintian --fail-on error,warning "$deb" >/dev/null 2>&1 || fail "lintian reports errors or warnings"
echo "lintian: no error, no warning"
