#!/usr/bin/env bash
# Builds the .deb twice from the same source, each time in a new build folder
# of its own (at different paths and depths, one after the other), and fails
# unless the two packages are byte for byte the same. Neither build is given
# a SOURCE_DATE_EPOCH: the time stamp must come from the last commit by itself.
# Outside a git checkout there is no commit time, and the test says SKIP.
#
# usage: [VANTREL_PACKAGE=vantrel-term] check-reproducible.sh SOURCE_DIR [CMAKE_CONFIGURE_ARGS...]
# VANTREL_PACKAGE picks the package, vantrel (the default) or vantrel-term,
# whose program has the same name.
set -euo pipefail
package=${VANTREL_PACKAGE:-vantrel}
cpack_args=(-G DEB)
[[ $package == vantrel-term ]] && cpack_args=(--config CPackTermConfig.cmake)
source_dir=$(cd "$1" && pwd)
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
unset SOURCE_DATE_EPOCH
git=(git -c safe.directory="$source_dir" -C "$source_dir")
commit_time=$("${git[@]}" log -1 --format=%ct 2>/dev/null) ||
    { echo "not a git checkout: no commit time to build with"; exit 77; }

build_package() { # BUILD_DIR
    local dir=$1
    mkdir -p "$dir"
    {
        cmake -S "$source_dir" -B "$dir/build" -DVANTREL_BUILD_TESTS=OFF "$@" &&
            cmake --build "$dir/build" -j2 --target "$package" &&
            (cd "$dir/build" && cpack "${cpack_args[@]}" -B "$dir/out")
    } >"$dir/log" 2>&1 || { cat "$dir/log"; fail "building in $dir failed"; }
    ls "$dir"/out/"$package"_*.deb
}

one=$(build_package "$work/first" "$@")
two=$(build_package "$work/second/one/level/deeper" "$@")
sum_one=$(sha256sum <"$one" | cut -d' ' -f1)
sum_two=$(sha256sum <"$two" | cut -d' ' -f1)
echo "first:  $sum_one $(stat -c %s "$one") bytes"
echo "second: $sum_two $(stat -c %s "$two") bytes"

if [[ $sum_one != "$sum_two" ]]; then
    # Say where they part: which archive member, and which files inside.
    for deb in "$one" "$two"; do
        mkdir "$deb.x" && (cd "$deb.x" && ar x "$deb" && ar tv "$deb" >ar.txt)
        dpkg-deb --fsys-tarfile "$deb" | tar -tv --full-time >"$deb.x/files.txt"
        dpkg-deb -R "$deb" "$deb.x/tree"
    done
    diff "$one.x/ar.txt" "$two.x/ar.txt" || true
    diff "$one.x/files.txt" "$two.x/files.txt" || true
    diff -r "$one.x/tree" "$two.x/tree" || true
    fail "two builds of the same source gave different packages"
fi

# The time stamp is the last commit's, not the time of either build.
stamped=$(dpkg-deb --fsys-tarfile "$one" | TZ=UTC tar -tv --full-time | awk 'NR == 1 {print $4, $5}')
expected=$(date -u -d "@$commit_time" '+%Y-%m-%d %H:%M:%S')
[[ $stamped == "$expected" ]] || fail "files are stamped $stamped, not the commit time $expected"
echo "files stamped with the last commit's time, $expected UTC"
echo "two builds in different folders gave the same package"
