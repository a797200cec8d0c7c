#!/usr/bin/env bash
# Installs what the build needs, builds every configuration and runs every test.
#
#   ./test.sh [PRESET...]                         the presets named (default: all five)
#   ./test.sh --release RELEASE [--fresh] [PRESET...]
#
# With --release the same runs inside another Debian release (trixie, sid; a
# chroot made on first use, scripts/in-release.sh), building into
# build/RELEASE; --fresh makes a new chroot for this run alone and deletes it
# afterwards, as CI does.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/run-as-user.sh

if [[ ${1:-} == --release ]]; then
    (($# >= 2)) || { echo "usage: $0 --release RELEASE [--fresh] [PRESET...]" >&2; exit 2; }
    release=$2
    shift 2
    chroot_opts=()
    if [[ ${1:-} == --fresh ]]; then
        shift
        chroot_opts=(--fresh --remove --root "$(mktemp -d "/var/tmp/vantrel-$release.XXXXXX")")
    fi
    # Chroots and mounts need root: sudo for that when not root, passing CI on.
    sudo=()
    ((EUID == 0)) || sudo=(sudo env ${CI:+CI=$CI})
    status=0
    "${sudo[@]}" scripts/in-release.sh "${chroot_opts[@]}" "$release" ./test.sh "$@" || status=$?
    # Root built there; the build folder goes back to whoever runs this tree.
    owner=
    if ((EUID != 0)); then
        owner=$(id -un)
    else
        owner=$(sudo_user_of_tree "$PWD") || owner=
    fi
    [[ -z $owner || ! -d build/$release ]] || "${sudo[@]}" chown -R "$owner:" "build/$release"
    exit "$status"
fi

# Which presets, and the package sets each needs (install-deps passes over
# the npm set where an npm is on the PATH already).
declare -A needs=(
    [ci]="play deb test desktops reader" [asan]="play test reader" [fuzz]="test"
    [win64]=windows [web]="web web-test npm reader"
)
presets=("$@")
((${#presets[@]})) || presets=(ci asan fuzz win64 web)
sets=()
for preset in "${presets[@]}"; do
    [[ -n ${needs[$preset]:-} ]] ||
        { echo "test.sh: no preset '$preset' (ci asan fuzz win64 web)" >&2; exit 2; }
    read -ra more <<<"${needs[$preset]}"
    sets+=("${more[@]}")
done
scripts/install-deps.sh "${sets[@]}"
# Run through sudo, the rest runs as the user who called it.
run_as_user ./test.sh "$@"

# Each test preset writes junit.xml into its build folder; at the end the tests
# that did not run are listed from them (see below). Results of an earlier run
# must not count.
builds=("${presets[@]/#/build/}")
rm -f "${builds[@]/%//junit.xml}"

# The presets, each configured, built and tested:
#  ci     the main build: all tests, warnings as errors;
#  asan   the same tests again under AddressSanitizer and UndefinedBehaviorSanitizer;
#  fuzz   a bounded fuzzing run over key and tick sequences, with clang;
#  win64  the native Windows build, cross-compiled with MinGW-w64; its tests run
#         the windows and the finished Vantrel.exe under Wine in a private
#         virtual X server;
#  web    the browser build, compiled with emscripten; its tests play it in
#         headless Chromium, Firefox and WebKit, through puppeteer-core, which
#         npm installs from the committed lock.
for preset in "${presets[@]}"; do
    cmake --workflow --preset "$preset"
done
# A test that could not run (a tool missing) is reported as skipped and tests
# nothing. They are listed here; in CI (CI=true) any of them fails the run.
scripts/report-skips.py "${builds[@]}"
