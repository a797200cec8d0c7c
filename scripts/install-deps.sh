#!/usr/bin/env bash
# Installs the Debian packages listed in scripts/packages-<set>.txt for each set
# named on the command line, one set after another. Packages already present
# are left alone, so a second run costs one dpkg look-up and no network.
#
# A list holds one package a line. Where Debian releases name a package
# differently and no name serves all, a second word says in which releases
# (VERSION_CODENAME in /etc/os-release) the line counts: "bookworm" for only
# there, "!bookworm" for every release but that one; several go with commas.
#
#   scripts/install-deps.sh SET...                  installs the sets
#   scripts/install-deps.sh --list [--release CODENAME] SET...
#                                                   prints their packages for this
#                                                   release (or CODENAME), once each
#
# apt's own output goes to build/install.log; the terminal gets one line a
# set, and the log's last lines if apt fails. Only apt-get needs root: as
# another user it runs through sudo, and as root sudo is never called.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tree=$(dirname "$here")
# shellcheck source=scripts/run-as-user.sh
source "$here/run-as-user.sh"

list_only=0 release=
while [[ ${1:-} == --* ]]; do
    case $1 in
    --list) list_only=1; shift ;;
    --release) release=$2; shift 2 ;;
    *) echo "install-deps: unknown option $1" >&2; exit 2 ;;
    esac
done
[[ -n $release ]] || release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")

# set_packages SET: the set's packages for this release, one a line.
set_packages() {
    local pkg releases
    while read -r pkg releases _; do
        [[ -z $pkg || $pkg == \#* ]] && continue
        if [[ -n $releases ]]; then
            if [[ $releases == !* ]]; then
                [[ ,${releases#!}, != *",$release,"* ]] || continue
            else
                [[ ,$releases, == *",$release,"* ]] || continue
            fi
        fi
        echo "$pkg"
    done <"$here/packages-$1.txt"
}

sets=() wanted=()
for set in "$@"; do
    [[ -f $here/packages-$set.txt ]] || { echo "install-deps: no package list for '$set'" >&2; exit 2; }
    [[ " ${sets[*]} " != *" $set "* ]] || continue
    # A Node.js from outside Debian brings its own npm, which Debian's would
    # conflict with; any npm on the PATH serves. A list is for another system,
    # so it keeps the set.
    [[ $set != npm ]] || ((list_only)) || ! command -v npm >/dev/null || continue
    sets+=("$set")
    mapfile -t -O "${#wanted[@]}" wanted < <(set_packages "$set")
done
if ((list_only)); then
    ((${#wanted[@]} == 0)) || printf '%s\n' "${wanted[@]}" | awk '!seen[$0]++'
    exit 0
fi
((${#wanted[@]})) || exit 0

declare -A installed=()
while read -r pkg status; do
    # Configured, or configured with triggers still to run (they run at the
    # next apt-get or dpkg call): either way there is nothing to install.
    [[ $status == i[itW]* ]] && installed[$pkg]=1
done < <(dpkg-query -W -f='${Package} ${db:Status-Abbrev}\n' "${wanted[@]}" 2>/dev/null || true)

# Each set's missing packages, each package in the first set that lists it.
declare -A missing=() taken=()
any=0
for set in "${sets[@]}"; do
    while read -r pkg; do
        [[ -n ${installed[$pkg]:-} || -n ${taken[$pkg]:-} ]] && continue
        taken[$pkg]=1
        missing[$set]+="$pkg "
        any=1
    done < <(set_packages "$set")
done
((any)) || exit 0

sudo=()
if ((EUID != 0)); then
    command -v sudo >/dev/null || {
        echo "install-deps: installing ${missing[*]}needs root: run this as root, or install sudo" >&2
        exit 1
    }
    sudo=(sudo)
fi

# Under sudo the log and a new build folder belong to the user who called it,
# who builds there next (scripts/run-as-user.sh).
log_name=build/install.log
log=$tree/$log_name
refuse_foreign_build "$tree"
new_build=0
[[ -d $tree/build ]] || new_build=1
mkdir -p "$tree/build"
echo "== $(date '+%F %T') install-deps ${sets[*]}" >>"$log"
if user=$(sudo_user_of_tree "$tree"); then
    ((new_build == 0)) || chown "$user:" "$tree/build"
    chown "$user:" "$log"
fi

failed() {
    echo "failed"
    echo "install-deps: $1; the end of $log_name:" >&2
    tail -n 15 "$log" >&2
    exit 1
}

# sudo passes no environment on, so apt-get gets it on its command line. It
# gets no standard input either: nothing may wait for an answer nobody sees.
apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300)
"${apt[@]}" update </dev/null >>"$log" 2>&1 || { echo -n "updating the package lists… "; failed "apt-get update failed"; }

for set in "${sets[@]}"; do
    [[ -n ${missing[$set]:-} ]] || continue
    read -ra pkgs <<<"${missing[$set]}"
    # What apt will do, counted first: the dependencies come too, and a
    # package they need in a newer version is upgraded.
    plan=$(LC_ALL=C apt-get install -s --no-install-recommends "${pkgs[@]}" 2>>"$log") ||
        { echo -n "$set: "; failed "apt-get cannot install ${pkgs[*]}"; }
    new=$(grep -c '^Inst [^ ]* (' <<<"$plan" || true)
    upgraded=$(grep -c '^Inst [^ ]* \[' <<<"$plan" || true)
    what="$new package"
    ((new == 1)) || what+=s
    ((upgraded == 0)) || what+=" and upgrading $upgraded"
    echo -n "$set: installing $what… "
    "${apt[@]}" install -y --no-install-recommends "${pkgs[@]}" </dev/null >>"$log" 2>&1 ||
        failed "apt-get install failed"
    echo "done, log in $log_name"
done
