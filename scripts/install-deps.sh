#!/usr/bin/env bash
# Installs the Debian packages listed in scripts/packages-<set>.txt for each set
# named on the command line, one set after another. Packages already present
# are left alone, so a second run costs one dpkg look-up and no network.
#
# apt's own output goes to build/install.log; the terminal gets one line a
# set, and the log's last lines if apt fails. Only apt-get needs root: as
# another user it runs through sudo, and as root sudo is never called.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tree=$(dirname "$here")
# shellcheck source=scripts/run-as-user.sh
source "$here/run-as-user.sh"

sets=() wanted=()
for set in "$@"; do
    list="$here/packages-$set.txt"
    [[ -f $list ]] || { echo "install-deps: no package list for '$set'" >&2; exit 2; }
    sets+=("$set")
    while read -r pkg _; do
        [[ -z $pkg || $pkg == \#* ]] || wanted+=("$pkg")
    done <"$list"
done
((${#wanted[@]})) || exit 0

declare -A installed=()
while read -r pkg status; do
    [[ $status == ii* ]] && installed[$pkg]=1
done < <(dpkg-query -W -f='${Package} ${db:Status-Abbrev}\n' "${wanted[@]}" 2>/dev/null || true)

# Each set's missing packages, each package in the first set that lists it.
declare -A missing=() taken=()
any=0
for set in "${sets[@]}"; do
    while read -r pkg _; do
        [[ -z $pkg || $pkg == \#* || -n ${installed[$pkg]:-} || -n ${taken[$pkg]:-} ]] && continue
        taken[$pkg]=1
        missing[$set]+="$pkg "
        any=1
    done <"$here/packages-$set.txt"
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
