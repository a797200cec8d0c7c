#!/usr/bin/env bash
# A player who starts the game sees nothing on the terminal: the real program,
# on a virtual X server, through the splash into a few beats of the board,
# with XDG_RUNTIME_DIR unset as it is for root and under su or sudo.
#   QuietStartTest.sh PROGRAM
# Exit 0 passed, 1 failed, 77 skipped (no Xvfb).
set -euo pipefail
program=$1
command -v Xvfb >/dev/null || { echo "SKIP: Xvfb not installed"; exit 77; }
work=$(mktemp -d)
xvfb=
cleanup() {
    [[ -z $xvfb ]] || kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
# The number is there once its line is complete; read fails until then.
number=
for _ in $(seq 100); do
    read -r number <"$work/display" && break
    sleep 0.1
done
[[ -n $number ]] || { echo "FAIL: Xvfb did not start"; exit 1; }
display=:$number

# Qt's fallback runtime folder goes in the temporary folder; this run's own.
status=0
env -u XDG_RUNTIME_DIR -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" TMPDIR="$work" \
    timeout 3.5 "$program" >"$work/output" 2>&1 || status=$?
if [[ -s $work/output ]]; then
    echo "FAIL: the program printed:"
    cat "$work/output"
    exit 1
fi
# timeout's 124: the game was still running.
[[ $status == 124 ]] || { echo "FAIL: the program exited with status $status"; exit 1; }
runtime=$work/runtime-$(id -un)
[[ $(stat -c %a "$runtime" 2>/dev/null) == 700 ]] ||
    { echo "FAIL: no private runtime folder $runtime"; exit 1; }
echo "3.5 s of the game on $display with no runtime folder set: nothing printed"
