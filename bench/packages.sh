#!/usr/bin/env bash
# Prints what the package sets in scripts/ cost on a fresh Debian 12: for each
# set alone, and for each command, the packages apt would add (and upgrade),
# the download and the disk space. It asks apt inside a minimal Debian 12
# (debootstrap's minbase, about what a container image holds) with git, which
# cloned the repository, made once in build/bench/debian12 with this
# machine's Debian sources; nothing else is installed there. Needs root
# (debootstrap, chroot) and Debian's archive.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD/build/bench/debian12

if ((EUID != 0)); then
    echo "bench/packages.sh: needs root, for debootstrap and chroot" >&2
    exit 1
fi
if [[ ! -x $root/usr/bin/apt-get ]]; then
    command -v debootstrap >/dev/null ||
        { echo "bench/packages.sh: needs debootstrap (apt-get install debootstrap)" >&2; exit 1; }
    mkdir -p "$(dirname "$root")"
    echo "making a minimal Debian 12 in $root (once, about 100 MB)…"
    debootstrap --variant=minbase bookworm "$root" >"$root.log" 2>&1 ||
        { echo "debootstrap failed, see $root.log" >&2; exit 1; }
    # The same archive, updates and security suites as this machine uses.
    if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
        cp /etc/apt/sources.list.d/debian.sources "$root/etc/apt/sources.list.d/"
        rm -f "$root/etc/apt/sources.list"
    fi
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
chroot "$root" apt-get update -qq >/dev/null
chroot "$root" sh -c 'command -v git >/dev/null ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends git >/dev/null'

packages() {
    local set
    for set in "$@"; do
        grep -v '^[[:space:]]*\(#\|$\)' "scripts/packages-$set.txt" | awk '{print $1}'
    done | awk '!seen[$0]++'
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

echo "On $(cat "$root/etc/debian_version") (debootstrap minbase, and git), apt-get install --no-install-recommends:"
echo
echo "| Packages | Added | Download | Disk space |"
echo "|---|---|---|---|"
for set in play deb test desktops web web-test windows npm; do
    label="set $set" cost "$set"
done
label="./play.sh" cost play
label="the .deb (play, deb)" cost play deb
label="./play-web.sh" cost web
label="./test.sh" cost play deb test web web-test windows desktops npm
