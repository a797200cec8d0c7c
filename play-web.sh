#!/usr/bin/env bash
# Builds the browser version of the game into build/web-play/web and serves it
# on 127.0.0.1, printing the address to open; Ctrl+C stops the server. The
# same folder holds vantrel.html, the whole game in one file to open from disk.
# An optional argument is the port (default 8000, or a free one if taken).
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh web
source scripts/run-as-user.sh
run_as_user ./play-web.sh "$@"
# Debian's emscripten runs its JavaScript tools with Node.js, which has to
# find the Node modules Debian installs.
export NODE_PATH=/usr/share/nodejs
build=build/web-play
cmake -S . -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE=/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DVANTREL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build"
echo "One file to open from disk: $PWD/$build/web/vantrel.html"
exec node ui/web/serve.mjs "$build/web" "$@"
