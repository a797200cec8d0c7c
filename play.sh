#!/usr/bin/env bash
# Installs what the game needs (Debian packages, only those missing, with sudo
# for that step alone when not root), builds the release configuration and
# starts the game. A start with nothing to build prints nothing; the first
# says what it builds, and a failed build shows its log.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh play
source scripts/run-as-user.sh
run_as_user ./play.sh "$@"

log=build/play-build.log
plan=
[[ ! -f build/release/build.ninja ]] ||
    plan=$(cmake --build --preset release --target vantrel -- -n 2>/dev/null || true)
if [[ $plan != *"ninja: no work to do"* ]]; then
    mkdir -p build
    echo -n "building the game in build/release… "
    if ! { cmake --preset release && cmake --build --preset release --target vantrel; } >"$log" 2>&1; then
        echo "failed; the end of $log:"
        tail -n 30 "$log"
        exit 1
    fi
    echo "done"
fi
exec build/release/ui/qt/vantrel
