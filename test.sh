#!/usr/bin/env bash
# Installs what the build needs, builds every configuration and runs every test.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh play test windows

# The main build: all tests, warnings as errors.
cmake --workflow --preset ci
# The same tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
cmake --workflow --preset asan
# A bounded fuzzing run over key and tick sequences, where clang is present.
if command -v clang++ >/dev/null; then
    cmake --workflow --preset fuzz
else
    echo "test.sh: clang++ not found, fuzzing skipped"
fi
# The native Windows build, cross-compiled with MinGW-w64; its tests run the
# windows and the finished Vantrel.exe under Wine in a private virtual X server.
cmake --workflow --preset win64
# The browser build, compiled with emscripten; its tests play it in headless
# Chromium through puppeteer-core, which npm installs from the committed lock.
# Machines with Node.js from outside Debian have npm already (and Debian's npm
# package would conflict with it); with Debian's nodejs, npm is a package of
# its own.
if ! command -v npm >/dev/null; then
    scripts/install-deps.sh npm
fi
cmake --workflow --preset web
