#!/usr/bin/env bash
# Runs Windows test programs under Wine in a private virtual X server.
#
#   wine-session.sh start DIR           new Wine prefix and Xvfb, noted in DIR
#   wine-session.sh run DIR PROGRAM...  runs PROGRAM in that session, exits with its code
#   wine-session.sh stop DIR            ends the session and removes the prefix
#
# CTest calls start and stop as fixtures around the tests and run as the
# emulator of every test program. Each session has its own prefix and its own
# display, so several checkouts on one machine do not meet.
set -euo pipefail

command=${1:?usage: wine-session.sh start|run|stop DIR [PROGRAM...]}
state=${2:?usage: wine-session.sh start|run|stop DIR [PROGRAM...]}
shift 2

# Nothing started here may outlive a forgotten session by long.
readonly session_limit_s=1800
readonly run_limit_s=${VANTREL_WINE_RUN_LIMIT:-180}

fail() { echo "wine-session: $*" >&2; exit 1; }

use_session() {
    [[ -f $state/prefix && -f $state/display ]] || fail "no session in $state (did 'start' run?)"
    export WINEPREFIX
    WINEPREFIX=$(cat "$state/prefix")
    export DISPLAY=":$(cat "$state/display")"
    export WINEDEBUG=-all
    # No Mono or Gecko install prompts: the tests need neither.
    export WINEDLLOVERRIDES="mscoree,mshtml="
}

stop_session() {
    [[ -d $state ]] || return 0
    if [[ -f $state/prefix ]]; then
        local prefix
        prefix=$(cat "$state/prefix")
        WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
        # Only ever remove what start made: a temporary prefix of our own.
        [[ $prefix == /tmp/vantrel-wine.* ]] && rm -rf "$prefix"
    fi
    if [[ -f $state/xvfb.pid ]]; then
        kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
    fi
    rm -f "$state/prefix" "$state/display" "$state/xvfb.pid"
}

start_session() {
    stop_session
    mkdir -p "$state"
    # A start that fails half-way leaves no server or display behind.
    trap 'rc=$?; ((rc == 0)) || stop_session; exit $rc' EXIT
    command -v Xvfb >/dev/null || fail "Xvfb not found (Debian package xvfb)"
    command -v wine >/dev/null || fail "wine not found (Debian packages wine, wine64)"

    # -displayfd picks a free display number and writes it once the server is up.
    : >"$state/display"
    timeout "$session_limit_s" Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp \
        3>"$state/display" >/dev/null 2>&1 &
    echo $! >"$state/xvfb.pid"
    local waited=0
    until [[ -s $state/display ]]; do
        ((waited++ < 100)) || fail "Xvfb did not start within 10 s"
        sleep 0.1
    done

    mktemp -d /tmp/vantrel-wine.XXXXXX >"$state/prefix"
    use_session
    echo "wine-session: new prefix $WINEPREFIX on display $DISPLAY"
    timeout 300 wine wineboot -i >/dev/null 2>&1 || fail "wineboot failed"
    timeout 60 wineserver -w
    # Debian's Wine does not find the fonts it ships unless they are in the prefix.
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
    # A virtual desktop stands in for a window manager: without one, Wine
    # waits about two seconds for every window that is hidden or destroyed.
    timeout 60 wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    # It is large enough for the splash at 200 % (1312 px wide).
    timeout 60 wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1440x900 /f \
        >/dev/null 2>&1
    timeout 60 wineserver -w
    # From here the server and the desktop stay up between test programs, and
    # go by themselves ten minutes after the last one should stop never run.
    wineserver -p600 >/dev/null 2>&1
}

case $command in
start) start_session ;;
stop) stop_session ;;
run)
    (($# > 0)) || fail "run needs a program"
    use_session
    # Wine starts its desktop and services from the first program that needs
    # them, and they inherit that program's output. Were that CTest's pipe,
    # CTest would wait for them to end; a file does not keep anyone waiting.
    out=$(mktemp "$state/run.XXXXXX")
    rc=0
    timeout --kill-after=10 "$run_limit_s" wine "$@" >"$out" 2>&1 || rc=$?
    cat "$out"
    rm -f "$out"
    ((rc != 124)) || echo "wine-session: $1 did not finish within $run_limit_s s"
    exit "$rc"
    ;;
*) fail "unknown command '$command'" ;;
esac
