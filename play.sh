#!/usr/bin/env bash
# Installs what the game needs (Debian packages, only those missing), builds
# the release configuration and starts the game. Run as root or with sudo the
# first time, so that missing packages can be installed.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh play
cmake --preset release >/dev/null
cmake --build --preset release --target vantrel
exec build/release/ui/qt/vantrel
