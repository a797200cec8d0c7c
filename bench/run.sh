#!/usr/bin/env bash
# Measures the game beside a bare Qt window and prints one table of figures,
# then vantrel-term beside the Qt program, then the browser build in headless
# Chromium.
# Builds what it needs; run ./test.sh once first on a fresh machine for the
# packages (Qt, Google Benchmark, Xvfb, xdotool, MinGW-w64, emscripten,
# Chromium, Node.js with npm).
set -euo pipefail
cd "$(dirname "$0")/.."
/usr/bin/python3 bench/measure.py "$@"

echo
# vantrel-term on a pseudo-terminal of the script's own, beside the Qt program.
python3 bench/term.py "$@"

echo
# The browser build: the web preset's folder, and puppeteer-core from its
# test build.
if ! command -v emcc >/dev/null || ! command -v npm >/dev/null || [[ ! -x /usr/bin/chromium ]]; then
    echo "bench: emscripten, npm or Chromium missing; browser build not measured"
    exit 0
fi
export NODE_PATH=/usr/share/nodejs
cmake --preset web >/dev/null
cmake --build --preset web >/dev/null
node bench/web.mjs build/web/web build/web/tests/web
