#!/usr/bin/env bash
# Builds the game on Debian unstable and runs its core tests there: the rules,
# the key commands, the session with its news, and the replays.
#
#   scripts/try-unstable.sh [PRESET...]     (default: ci fuzz win64 web)
#
# Unstable changes every day, so CI does not run it: a maintainer runs this
# to learn early what the next compilers, Qt and emscripten make of the code,
# and notes the result in docs/TESTING.md. It works in the unstable chroot of
# scripts/in-release.sh (made on first use, then reused) and builds into
# build/sid/. Each preset installs its package sets, then configures and
# builds with warnings as errors; after that ci runs the tests labelled core
# and fuzz its bounded fuzzing run. win64 and web are only built: their tests
# need Wine and the browsers. A failing preset does not stop the others; the
# end is one line a preset, and the exit status is 1 when any failed.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A needs=([ci]="play deb test" [fuzz]=test [win64]=windows [web]=web)

if [[ ${1:-} != --inside ]]; then
    presets=("$@")
    ((${#presets[@]})) || presets=(ci fuzz win64 web)
    for preset in "${presets[@]}"; do
        [[ -n ${needs[$preset]:-} ]] ||
            { echo "try-unstable: no preset '$preset' here (ci fuzz win64 web)" >&2; exit 2; }
    done
    # The chroot needs root; the build folder goes back to whoever runs this tree.
    source scripts/run-as-user.sh
    sudo=()
    ((EUID == 0)) || sudo=(sudo)
    status=0
    "${sudo[@]}" scripts/in-release.sh sid scripts/try-unstable.sh --inside "${presets[@]}" ||
        status=$?
    owner=
    if ((EUID != 0)); then
        owner=$(id -un)
    else
        owner=$(sudo_user_of_tree "$PWD") || owner=
    fi
    [[ -z $owner || ! -d build/sid ]] || "${sudo[@]}" chown -R "$owner:" build/sid
    exit "$status"
fi
shift

# What was tried, for the note in docs/TESTING.md.
. /etc/os-release
echo "== $PRETTY_NAME, $(date -u '+%F %H:%M UTC')"
results=()
failed=0
# step PRESET WHAT COMMAND...: runs one step into build/PRESET-WHAT.log; on
# failure shows the log's end, and the preset's later steps do not run.
step() {
    local preset=$1 what=$2
    shift 2
    local log=build/$preset-$what.log
    if ! "$@" >"$log" 2>&1; then
        echo "$preset: $what failed; the end of $log:" >&2
        tail -n 25 "$log" >&2
        return 1
    fi
}

for preset in "$@"; do
    start=$SECONDS
    result=failed
    read -ra sets <<<"${needs[$preset]}"
    if step "$preset" install scripts/install-deps.sh "${sets[@]}" &&
        step "$preset" configure cmake --preset "$preset" &&
        step "$preset" build cmake --build --preset "$preset"; then
        result=built
        case $preset in
        ci)
            if step ci tests ctest --test-dir build/ci -L core --no-tests=error; then
                result="built, $(sed -n 's/.* 0 tests failed out of \([0-9]*\)$/\1/p' \
                    build/ci-tests.log) core tests passed"
            else
                result="built, core tests failed"
            fi
            ;;
        fuzz)
            if step fuzz tests ctest --test-dir build/fuzz --no-tests=error; then
                result="built, fuzzing run passed"
            else
                result="built, fuzzing run failed"
            fi
            ;;
        esac
    fi
    [[ $result == built* && $result != *failed ]] || failed=1
    results+=("$preset: $result ($((SECONDS - start)) s)")
done

echo "== compilers and libraries"
for tool in g++ clang++ x86_64-w64-mingw32-g++ emcc clang-format cmake; do
    ! command -v "$tool" >/dev/null || echo "$tool: $("$tool" --version 2>/dev/null | head -n 1)"
done
dpkg-query -W -f '${Package} ${Version}\n' qt6-base-dev 2>/dev/null || true
echo "== results"
printf '%s\n' "${results[@]}"
exit "$failed"
