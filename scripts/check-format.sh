#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null ||
    { echo "skipped: clang-format (Debian package clang-format) not installed"; exit 77; }
git rev-parse --git-dir >/dev/null 2>&1 ||
    { echo "skipped: not a git checkout, so no list of the tracked files"; exit 77; }
mapfile -t files < <(git ls-files '*.cpp' '*.h')
bad=0
for f in "${files[@]}"; do
    if ! clang-format --dry-run -Werror "$f" >/dev/null 2>&1; then
        echo "not formatted: $f (run clang-format -i $f)"
        bad=1
    fi
done
exit $bad
