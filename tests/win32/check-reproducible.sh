#!/usr/bin/env bash
# Builds Vantrel.exe and the Windows zip twice from the same sources and fails
# unless the two builds are the same byte for byte.
#
#   check-reproducible.sh SOURCE_DIR WORK_DIR
#
# The first build uses the sources where they are; the second a copy of the
# tracked files in a folder of another name, without Git, so its date comes
# from SOURCE_DATE_EPOCH instead of the last commit, built later, with another
# umask and in another time zone. Both run the cross build as the win64 preset
# configures it, without the tests. With neither a commit nor SOURCE_DATE_EPOCH
# there is no date to build with, and the check is skipped (exit 77).
set -euo pipefail

src=$(cd "${1:?usage: check-reproducible.sh SOURCE_DIR WORK_DIR}" && pwd)
work=${2:?usage: check-reproducible.sh SOURCE_DIR WORK_DIR}
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)

build() {
    cmake -S "$1" -B "$2" -G Ninja --toolchain "$1/cmake/mingw-w64-x86_64.cmake" \
        -D CMAKE_BUILD_TYPE=MinSizeRel -D VANTREL_WERROR=ON -D VANTREL_BUILD_TESTS=OFF \
        -D VANTREL_BUILD_QT=OFF -D VANTREL_WINE_TESTS=OFF >"$2.log" 2>&1 ||
        { cat "$2.log"; exit 1; }
    cmake --build "$2" -j2 --target windows-zip >>"$2.log" 2>&1 || { cat "$2.log"; exit 1; }
}

# A clone made by another user (sudo ./test.sh) is one git would refuse to read.
git=(git -c safe.directory="$src" -C "$src")
epoch=${SOURCE_DATE_EPOCH:-$("${git[@]}" log -1 --format=%ct 2>/dev/null || true)}
if [[ -z $epoch ]]; then
    echo "check-reproducible: not a git checkout and no SOURCE_DATE_EPOCH: no date to build with"
    exit 77
fi

build "$src" "$work/first"

copy="$work/second-build-elsewhere/vantrel"
mkdir -p "$copy"
if "${git[@]}" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    (cd "$src" && "${git[@]}" ls-files -z | xargs -0 tar -cf - --) | tar -xf - -C "$copy"
else
    tar -C "$src" --exclude=./build -cf - . | tar -xf - -C "$copy"
fi
(
    umask 077
    export TZ=Pacific/Kiritimati SOURCE_DATE_EPOCH=$epoch
    build "$copy" "$work/second-build-elsewhere/build"
)

status=0
for file in bin/Vantrel.exe Vantrel-1.0.0-win64.zip; do
    a="$work/first/$file"
    b="$work/second-build-elsewhere/build/$file"
    sha256sum "$a" "$b"
    if ! cmp "$a" "$b"; then
        echo "check-reproducible: the two builds of $file differ"
        status=1
    fi
done

# And the date both carry is the source's: the program's link time stamp and
# every entry of the zip (zip times count in steps of two seconds).
python3 - "$work/first/bin/Vantrel.exe" "$work/first/Vantrel-1.0.0-win64.zip" "$epoch" <<'PY' ||
import struct, sys, time, zipfile
exe, archive, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
with open(exe, "rb") as f:
    header = f.read(4096)
stamp = struct.unpack_from("<I", header, struct.unpack_from("<I", header, 0x3C)[0] + 8)[0]
want = time.gmtime(epoch)[:5] + (time.gmtime(epoch)[5] // 2 * 2,)
dates = {entry.filename: entry.date_time for entry in zipfile.ZipFile(archive).infolist()}
print(f"source date {epoch}: exe stamped {stamp}, zip entries {sorted(set(dates.values()))}")
sys.exit(0 if stamp == epoch and all(d == want for d in dates.values()) else 1)
PY
    { echo "check-reproducible: the exe or the zip does not carry the source's date"; status=1; }
exit $status
