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
# configures it, without the tests.
set -euo pipefail

src=$(cd "${1:?usage: check-reproducible.sh SOURCE_DIR WORK_DIR}" && pwd)
work=${2:?usage: check-reproducible.sh SOURCE_DIR WORK_DIR}
rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)

build() {
    cmake -S "$1" -B "$2" -G Ninja --toolchain "$1/cmake/mingw-w64-x86_64.cmake" \
        -D CMAKE_BUILD_TYPE=Release -D VANTREL_WERROR=ON -D VANTREL_BUILD_TESTS=OFF \
        -D VANTREL_BUILD_QT=OFF -D VANTREL_WINE_TESTS=OFF >"$2.log" 2>&1 ||
        { cat "$2.log"; exit 1; }
    cmake --build "$2" -j2 --target windows-zip >>"$2.log" 2>&1 || { cat "$2.log"; exit 1; }
}

build "$src" "$work/first"

epoch=${SOURCE_DATE_EPOCH:-$(git -C "$src" log -1 --format=%ct 2>/dev/null || true)}
copy="$work/second-build-elsewhere/vantrel"
mkdir -p "$copy"
if git -C "$src" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    (cd "$src" && git ls-files -z | xargs -0 tar -cf - --) | tar -xf - -C "$copy"
else
    tar -C "$src" --exclude=./build -cf - . | tar -xf - -C "$copy"
fi
(
    umask 077
    export TZ=Pacific/Kiritimati
    if [[ -n $epoch ]]; then
        export SOURCE_DATE_EPOCH=$epoch
    fi
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
exit $status
