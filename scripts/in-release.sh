#!/usr/bin/env bash
# Runs a command in this tree inside another Debian release (a chroot made with
# mmdebstrap from the same archive apt uses here), as root:
#
#   scripts/in-release.sh [--root DIR] [--fresh] [--remove] RELEASE COMMAND...
#
# RELEASE is a suite name (trixie, sid, bookworm). The chroot lives in DIR
# (default /var/tmp/vantrel-RELEASE) and is made on first use; --fresh makes it
# anew, --remove deletes it when the command has ended. The tree is mounted at
# /src inside, and its build/ is replaced there by build/RELEASE/ of this tree,
# so the release's builds sit beside the host's without mixing with them.
#
# Every mount lives in a private mount namespace, so nothing stays mounted when
# the command ends, however it ends. Needs root (mmdebstrap, chroot, mounts).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tree=$(dirname "$here")

root= fresh=0 remove=0
while [[ ${1:-} == --* ]]; do
    case $1 in
    --root) root=$2; shift 2 ;;
    --fresh) fresh=1; shift ;;
    --remove) remove=1; shift ;;
    *) echo "in-release: unknown option $1" >&2; exit 2 ;;
    esac
done
(($# >= 2)) || { echo "usage: $0 [--root DIR] [--fresh] [--remove] RELEASE COMMAND..." >&2; exit 2; }
release=$1
shift
root=${root:-/var/tmp/vantrel-$release}
((EUID == 0)) || { echo "in-release: needs root (mmdebstrap, chroot and mounts)" >&2; exit 1; }

# The mirror is the one apt uses here; a release is only a suite of it.
mirror=$(sed -n 's/^URIs: *\([^ ]*\/debian\)$/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
[[ -n $mirror ]] || mirror=$(sed -n 's/^deb \(\[[^]]*\] \)\?\([^ ]*\/debian\) .*/\2/p' /etc/apt/sources.list 2>/dev/null | head -n 1)
[[ -n $mirror ]] || { echo "in-release: no Debian mirror found in apt's sources" >&2; exit 1; }

# A chroot made for this command alone goes, however the command ends.
((remove == 0)) || trap 'rm -rf "$root"' EXIT
if ((fresh)) || [[ ! -x $root/usr/bin/apt-get ]]; then
    command -v mmdebstrap >/dev/null ||
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends mmdebstrap </dev/null >/dev/null
    rm -rf "$root"
    opts=()
    # The archive served here is a snapshot: unstable's Release file expires
    # within days of it, and apt would refuse it afterwards.
    [[ $release != sid && $release != unstable ]] || opts+=(--aptopt='Acquire::Check-Valid-Until "false"')
    # A chroot for one command is never used after a crash, so dpkg need not
    # sync each file it unpacks, which is most of installing the test sets.
    ((remove == 0)) || opts+=(--dpkgopt=force-unsafe-io)
    echo "in-release: making a $release chroot in $root…" >&2
    mmdebstrap --quiet --variant=apt "${opts[@]}" \
        --include=ca-certificates,git,sudo,xvfb,xauth,procps,passwd,locales \
        "$release" "$root" "$mirror" >&2
    # npm reaches its registry here only through this machine's own CA
    # certificates, and reads its settings from root's .npmrc.
    if compgen -G '/usr/local/share/ca-certificates/*.crt' >/dev/null; then
        cp /usr/local/share/ca-certificates/*.crt "$root/usr/local/share/ca-certificates/"
        chroot "$root" update-ca-certificates >/dev/null 2>&1
    fi
    [[ ! -f /root/.npmrc ]] || cp /root/.npmrc "$root/root/.npmrc"
fi

mkdir -p "$tree/build/$release" "$root/src"
status=0
unshare --mount --fork bash -s "$root" "$tree" "$release" "$@" <<'INSIDE' || status=$?
set -euo pipefail
root=$1 tree=$2 release=$3
shift 3
mount --make-rprivate /
mount --rbind /dev "$root/dev"
mount -t proc proc "$root/proc"
mount -t sysfs sys "$root/sys"
mount -t tmpfs tmpfs "$root/dev/shm"
mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
mount -t tmpfs tmpfs "$root/run"
mkdir -p "$root/run/user"
mount --bind "$tree" "$root/src"
mount --bind "$tree/build/$release" "$root/src/build"
# A git worktree's .git is a file naming the repository's folder by its path
# here, so that folder goes to the same path inside, read-only: git then lists
# the tracked files and dates the last commit there as it does here.
if [[ -f $tree/.git ]] &&
    common=$(git -C "$tree" rev-parse --path-format=absolute --git-common-dir 2>/dev/null); then
    mkdir -p "$root$common"
    mount --bind "$common" "$root$common"
    mount -o remount,bind,ro "$root$common"
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
exec chroot "$root" env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME=/root LANG=C.UTF-8 ${CI:+CI=$CI} \
    GIT_CONFIG_COUNT=1 GIT_CONFIG_KEY_0=safe.directory GIT_CONFIG_VALUE_0=/src \
    NODE_EXTRA_CA_CERTS=/etc/ssl/certs/ca-certificates.crt \
    bash -c 'cd /src && exec "$@"' in-release "$@"
INSIDE
exit "$status"
