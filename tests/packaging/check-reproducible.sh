#!/usr/bin/env bash
# Builds a package twice from the same sources and fails unless the two are
# the same byte for byte, and carry the source's date.
#
# usage: check-reproducible.sh KIND SOURCE_DIR [CMAKE_CONFIGURE_ARGS...]
# KIND is deb (vantrel's .deb), term (vantrel-term's .deb) or windows
# (Vantrel.exe and its zip, cross-built).
#
# The first build uses the sources where they are and no SOURCE_DATE_EPOCH,
# so its date must come from the last commit by itself. The second uses a copy
# of the tracked files in a folder of another name and depth, without Git, so
# its date comes from SOURCE_DATE_EPOCH instead; it runs later, in another
# time zone and, for Windows, with another umask. Both are configured with the arguments
# given, without the tests. Outside a git checkout there is no commit time,
# and the check is skipped (exit 77).
set -euo pipefail
kind=$1
src=$(cd "$2" && pwd)
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
unset SOURCE_DATE_EPOCH
# A clone made by another user (sudo ./test.sh) is one git would refuse to read.
git=(git -c safe.directory="$src" -C "$src")
epoch=$("${git[@]}" log -1 --format=%ct 2>/dev/null) ||
    { echo "not a git checkout: no commit time to build with"; exit 77; }

case $kind in
deb) target=vantrel cpack_args=(-G DEB) ;;
term) target=vantrel-term cpack_args=(--config CPackTermConfig.cmake) ;;
windows) target=windows-zip ;;
*) fail "unknown kind $kind" ;;
esac

build() { # SOURCE BUILD_DIR: prints the files built
    {
        cmake -S "$1" -B "$2" -DVANTREL_BUILD_TESTS=OFF "${@:3}" &&
            cmake --build "$2" -j2 --target "$target" &&
            if [[ $kind != windows ]]; then (cd "$2" && cpack "${cpack_args[@]}" -B "$2/out"); fi
    } >"$2.log" 2>&1 || { cat "$2.log" >&2; fail "building in $2 failed"; }
    if [[ $kind == windows ]]; then
        printf '%s\n' "$2"/bin/Vantrel.exe "$2"/Vantrel-*-win64.zip
    else
        ls "$2"/out/"$target"_*.deb
    fi
}

mapfile -t one < <(build "$src" "$work/first" "$@")
copy=$work/second/one/level/deeper/vantrel
mkdir -p "$copy"
# A file deleted but not yet committed is left out.
(cd "$src" && "${git[@]}" ls-files -z | xargs -0 tar --ignore-failed-read -cf - -- 2>/dev/null) |
    tar -xf - -C "$copy"
mapfile -t two < <(
    # CPack writes a .deb's folders and archive members with the umask's
    # modes, so only the Windows build is held to another umask.
    [[ $kind != windows ]] || umask 077
    export TZ=Pacific/Kiritimati SOURCE_DATE_EPOCH=$epoch
    build "$copy" "$copy-build" "$@"
)
((${#one[@]} > 0 && ${#one[@]} == ${#two[@]})) || fail "the builds made ${one[*]} and ${two[*]}"

status=0
for i in "${!one[@]}"; do
    a=${one[$i]} b=${two[$i]}
    echo "$(sha256sum <"$a" | cut -d' ' -f1) $(stat -c %s "$a") bytes: $(basename "$a")"
    cmp -s "$a" "$b" && continue
    status=1
    echo "FAIL: the two builds of $(basename "$a") differ" >&2
    [[ $kind != windows ]] || continue
    # Say where two packages part: which archive member, and which files inside.
    for deb in "$a" "$b"; do
        mkdir "$deb.x" && (cd "$deb.x" && ar x "$deb" && ar tv "$deb" >ar.txt)
        dpkg-deb --fsys-tarfile "$deb" | tar -tv --full-time >"$deb.x/files.txt"
        dpkg-deb -R "$deb" "$deb.x/tree"
    done
    diff "$a.x/ar.txt" "$b.x/ar.txt" || true
    diff "$a.x/files.txt" "$b.x/files.txt" || true
    diff -r "$a.x/tree" "$b.x/tree" || true
done
((status == 0)) || exit 1

# The date both carry is the last commit's, not the time of either build: the
# files in a package, or the program's link time stamp and every entry of the
# zip (zip times count in steps of two seconds).
if [[ $kind == windows ]]; then
    python3 - "${one[@]}" "$epoch" <<'PY' || fail "the exe or the zip does not carry the commit's date"
import struct, sys, time, zipfile
exe, archive, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
with open(exe, "rb") as f:
    header = f.read(4096)
stamp = struct.unpack_from("<I", header, struct.unpack_from("<I", header, 0x3C)[0] + 8)[0]
want = time.gmtime(epoch)[:5] + (time.gmtime(epoch)[5] // 2 * 2,)
dates = {entry.filename: entry.date_time for entry in zipfile.ZipFile(archive).infolist()}
print(f"commit time {epoch}: exe stamped {stamp}, zip entries {sorted(set(dates.values()))}")
sys.exit(0 if stamp == epoch and all(d == want for d in dates.values()) else 1)
PY
else
    stamped=$(dpkg-deb --fsys-tarfile "${one[0]}" | TZ=UTC tar -tv --full-time | awk 'NR == 1 {print $4, $5}')
    expected=$(date -u -d "@$epoch" '+%Y-%m-%d %H:%M:%S')
    [[ $stamped == "$expected" ]] || fail "files are stamped $stamped, not the commit time $expected"
    echo "files stamped with the last commit's time, $expected UTC"
fi
echo "two builds in different folders, at different times, gave the same bytes"
