#!/usr/bin/env bash
# Prints what the package sets in scripts/ cost on a fresh Debian release: for
# each set alone, and for each command, the packages apt would add (and
# upgrade), the download and the disk space.
#
#   bench/packages.sh [RELEASE]      RELEASE: bookworm (the default), trixie, sid
#
# It asks apt inside a minimal system of that release (mmdebstrap's apt
# variant: the essential packages and apt, about what a container image
# holds) with git, which cloned the repository, made once in
# build/bench/RELEASE from the archive apt uses here (for this machine's own
# release, with its sources, updates and security included); nothing else is
# installed there. The sets are read for that release (scripts/install-deps.sh
# --list). Needs root (mmdebstrap, chroot) and Debian's archive.
set -euo pipefail
cd "$(dirname "$0")/.."
release=${1:-bookworm}
root=$PWD/build/bench/$release

if ((EUID != 0)); then
    echo "bench/packages.sh: needs root, for mmdebstrap and chroot" >&2
    exit 1
fi
if [[ ! -x $root/usr/bin/apt-get ]]; then
    command -v mmdebstrap >/dev/null ||
        { echo "bench/packages.sh: needs mmdebstrap (apt-get install mmdebstrap)" >&2; exit 1; }
    mirror=$(sed -n 's/^URIs: *\([^ ]*\/debian\)$/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
    [[ -n $mirror ]] ||
        mirror=$(sed -n 's/^deb \(\[[^]]*\] \)\?\([^ ]*\/debian\) .*/\2/p' /etc/apt/sources.list 2>/dev/null | head -n 1)
    opts=()
    # The archive served here is a snapshot, past unstable's Release file's date.
    [[ $release != sid && $release != unstable ]] || opts+=(--aptopt='Acquire::Check-Valid-Until "false"')
    mkdir -p "$(dirname "$root")"
    echo "making a minimal $release in $root (once, about 150 MB)…"
    rm -rf "$root"
    mmdebstrap --variant=apt --include=git "${opts[@]}" "$release" "$root" ${mirror:+"$mirror"} \
        >"$root.log" 2>&1 || { echo "mmdebstrap failed, see $root.log" >&2; exit 1; }
    # This machine's own release: the same archive, updates and security suites.
    if [[ $release == "$(. /etc/os-release && echo "${VERSION_CODENAME:-}")" && -f /etc/apt/sources.list.d/debian.sources ]]; then
        cp /etc/apt/sources.list.d/debian.sources "$root/etc/apt/sources.list.d/"
        rm -f "$root/etc/apt/sources.list"
    fi
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
chroot "$root" apt-get update -qq >/dev/null
codename=$(. "$root/etc/os-release" && echo "${VERSION_CODENAME:-}")

packages() {
    scripts/install-deps.sh --list --release "$codename" "$@"
}

# apt's own summary of an install it is told to refuse.
cost() {
    local summary
    summary=$(chroot "$root" env LC_ALL=C apt-get install --assume-no --no-install-recommends \
        $(packages "$@") 2>&1 || true)
    local counts download disk
    counts=$(sed -n 's/^\([0-9]*\) upgraded, \([0-9]*\) newly installed.*/\2 new, \1 upgraded/p' \
        <<<"$summary")
    download=$(sed -n 's/^Need to get \(.*\) of archives\./\1/p' <<<"$summary")
    disk=$(sed -n 's/^After this operation, \(.*\) of additional disk space.*/\1/p' <<<"$summary")
    [[ -n $counts ]] || { echo "apt-get failed for $*:" >&2; echo "$summary" >&2; exit 1; }
    printf '| %s | %s | %s | %s |\n' "$label" "$counts" "${download:-0 B}" "${disk:-0 B}"
}

echo "On $(. "$root/etc/os-release" && echo "$PRETTY_NAME") ($(cat "$root/etc/debian_version"); mmdebstrap's apt variant, and git), apt-get install --no-install-recommends:"
echo
echo "| Packages | Added | Download | Disk space |"
echo "|---|---|---|---|"
for set in play deb test desktops reader web web-test windows npm; do
    label="set $set" cost "$set"
done
label="./play.sh" cost play
label="the .deb (play, deb)" cost play deb
label="./play-web.sh" cost web
label="./test.sh" cost play deb test web web-test windows desktops reader npm
