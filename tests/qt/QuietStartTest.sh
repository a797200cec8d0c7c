#!/usr/bin/env bash
# A player who starts the game sees nothing on the terminal: the real program,
# on a virtual X server, through the splash into a few beats of the board,
# with XDG_RUNTIME_DIR unset as it is for root and under su or sudo, and under
# locales Qt does not take as they are: none at all (the C locale), LC_ALL=C
# over a UTF-8 LANG, and a locale the system lacks.
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

# The three starts run side by side, each with a temporary folder of its own,
# where Qt's fallback runtime folder goes.
locales=("" "LC_ALL=C LANG=C.UTF-8" "LANG=xx_YY.UTF-8")
pids=()
for i in "${!locales[@]}"; do
    mkdir "$work/$i"
    # shellcheck disable=SC2086 # each setting is a list of assignments
    env -u XDG_RUNTIME_DIR -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u LANG -u LANGUAGE \
        $(env | sed -n 's/^\(LC_[A-Z_]*\)=.*/-u \1/p') ${locales[i]} \
        DISPLAY="$display" TMPDIR="$work/$i" \
        timeout 3.5 "$program" >"$work/$i.output" 2>&1 &
    pids+=($!)
done
failed=0
for i in "${!locales[@]}"; do
    status=0
    wait "${pids[i]}" || status=$?
    setting=${locales[i]:-no locale set}
    if [[ -s $work/$i.output ]]; then
        echo "FAIL ($setting): the program printed:"
        cat "$work/$i.output"
        failed=1
    fi
    # timeout's 124: the game was still running.
    [[ $status == 124 ]] || { echo "FAIL ($setting): the program exited with status $status"; failed=1; }
    # Qt makes its fallback runtime folder only when something asks for it
    # (Qt 6.4 at every start, Qt 6.8 on X11 not at all); made, it is private.
    runtime=$work/$i/runtime-$(id -un)
    if [[ -e $runtime && $(stat -c %a "$runtime") != 700 ]]; then
        echo "FAIL ($setting): the runtime folder $runtime is not private"
        failed=1
    fi
done
((failed == 0)) || exit 1
echo "3.5 s of the game on $display with no runtime folder set, under each locale" \
     "(${#locales[@]}): nothing printed"
