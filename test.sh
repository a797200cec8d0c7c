#!/usr/bin/env bash
# Installs what the build needs, builds every configuration and runs every test.
set -euo pipefail
cd "$(dirname "$0")"

# Packages first, with sudo for apt-get alone when not root. Machines with
# Node.js from outside Debian have npm already (and Debian's npm package would
# conflict with it); with Debian's nodejs, npm is a package of its own.
sets=(play deb test web web-test windows desktops)
command -v npm >/dev/null || sets+=(npm)
scripts/install-deps.sh "${sets[@]}"
# Run through sudo, the rest runs as the user who called it.
source scripts/run-as-user.sh
run_as_user ./test.sh "$@"

# Each test preset writes junit.xml into its build folder; at the end the tests
# that did not run are listed from them (see below). Results of an earlier run
# must not count.
builds=(build/ci build/asan build/fuzz build/win64 build/web)
rm -f "${builds[@]/%//junit.xml}"

# The main build: all tests, warnings as errors.
cmake --workflow --preset ci
# The same tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
cmake --workflow --preset asan
# A bounded fuzzing run over key and tick sequences, with clang.
cmake --workflow --preset fuzz
# The native Windows build, cross-compiled with MinGW-w64; its tests run the
# windows and the finished Vantrel.exe under Wine in a private virtual X server.
cmake --workflow --preset win64
# The browser build, compiled with emscripten; its tests play it in headless
# Chromium through puppeteer-core, which npm installs from the committed lock.
cmake --workflow --preset web
# A test that could not run (a tool missing) is reported as skipped and tests
# nothing. They are listed here; in CI (CI=true) any of them fails the run.
scripts/report-skips.py "${builds[@]}"
