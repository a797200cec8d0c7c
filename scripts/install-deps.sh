#!/usr/bin/env bash
# Installs the Debian packages listed in scripts/packages-<set>.txt for each set
# named on the command line. Packages already present are left alone, so a
# second run costs a few dpkg look-ups and no network.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

wanted=()
for set in "$@"; do
    list="$here/packages-$set.txt"
    [[ -f $list ]] || { echo "install-deps: no package list for '$set'" >&2; exit 2; }
    while read -r pkg _; do
        [[ -z $pkg || $pkg == \#* ]] && continue
        wanted+=("$pkg")
    done <"$list"
done

missing=()
for pkg in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$pkg")
    fi
done
((${#missing[@]} == 0)) && exit 0

# Keep the order but drop repeats, so apt-get sees each name once.
mapfile -t missing < <(printf '%s\n' "${missing[@]}" | awk '!seen[$0]++')
echo "install-deps: installing ${missing[*]}"
sudo=()
if ((EUID != 0)); then
    command -v sudo >/dev/null || { echo "install-deps: run as root or install sudo" >&2; exit 1; }
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
