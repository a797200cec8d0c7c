#!/usr/bin/env bash
# Measures the game beside a bare Qt window and prints one table of figures.
# Builds what it needs; run ./test.sh once first on a fresh machine for the
# packages (Qt, Google Benchmark, Xvfb, xdotool, MinGW-w64).
set -euo pipefail
cd "$(dirname "$0")/.."
exec python3 bench/measure.py "$@"
