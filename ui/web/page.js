// The page side of the browser build: the splash and its handover, the step
// timer, the keyboard and the touch buttons, the message boxes and the end of
// the game. The rules run in the wasm module; this script only turns browser
// events into the window events the desktop builds have, one at a time.
(function () {
    'use strict';

    var TICK_MS = 250;
    var SPLASH_MS = 2000;
    var BOARD_WIDTH = 212;
    var BOARD_HEIGHT = 146;
    var SPLASH_WIDTH = 656;
    var CELL_WIDTH = 13;
    var FONT_PX = 20;
    var MAX_SCALE = 3;
    var BUTTONS_YES_NO = 4;
    var ANSWER_OK = 1, ANSWER_YES = 6, ANSWER_NO = 7;

    // Keys by KeyboardEvent.code, the physical key, so that X restarts under
    // any layout. Letters, digits and F1 to F24 follow a rule (below).
    var NAMED_KEYS = {
        Backspace: 8, Tab: 9, Enter: 13, NumpadEnter: 13, ShiftLeft: 16, ShiftRight: 16,
        ControlLeft: 17, ControlRight: 17, AltLeft: 18, AltRight: 18, Pause: 19,
        CapsLock: 20, Escape: 27, Space: 32, PageUp: 33, PageDown: 34, End: 35, Home: 36,
        ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39, ArrowDown: 40, PrintScreen: 44,
        Insert: 45, Delete: 46, MetaLeft: 91, MetaRight: 92, ContextMenu: 93,
        NumLock: 144, ScrollLock: 145
    };
    var KEY_F1 = 112;
    // The keys a browser would spend on itself: help, scrolling, leaving
    // full screen.
    var KEPT_FROM_BROWSER = { 27: 1, 32: 1, 37: 1, 38: 1, 39: 1, 40: 1, 112: 1 };

    var $ = function (id) { return document.getElementById(id); };
    var splash = $('frmSplash');
    var board = $('frmMain');
    var box = $('box');
    var pad = $('pad');
    var news = $('news');
    var rows = [];
    for (var r = 0; r < 8; ++r) rows.push($('lblGame' + r));

    var runtimeReady = false;
    var whenReady = [];
    var handedOver = false;
    var loaded = false;
    var busy = false;
    var boxOpen = false;
    var ended = false;
    var stepTimer = 0;

    function virtualKey(event) {
        var code = event.code || '';
        var m = /^Key([A-Z])$/.exec(code) || /^(?:Digit|Numpad)([0-9])$/.exec(code);
        if (m) return m[1].charCodeAt(0);
        m = /^F([0-9]+)$/.exec(code);
        if (m && +m[1] >= 1 && +m[1] <= 24) return KEY_F1 - 1 + +m[1];
        if (NAMED_KEYS[code]) return NAMED_KEYS[code];
        // Some on-screen keyboards leave the code empty: fall back to the key.
        if (!code && /^[a-z0-9 ]$/i.test(event.key)) return event.key.toUpperCase().charCodeAt(0);
        return 0;
    }

    function shiftState(event) {
        return (event.shiftKey ? 1 : 0) | (event.ctrlKey ? 2 : 0) | (event.altKey ? 4 : 0);
    }

    // Runs one window event in the module. The window layer never runs two at
    // once: while one is under way (a box waiting included) ticks and keys
    // are turned away, as the desktop's modal boxes turn them away.
    function dispatch(name, types, args) {
        if (busy || ended) return;
        busy = true;
        Promise.resolve(Module.ccall(name, null, types, args, { async: true })).then(
            function () { busy = false; },
            function (error) { busy = false; throw error; });
    }

    // The step timer.
    function onStepTimer() { dispatch('vantrel_step_timer', [], []); }

    // Splash and handover.
    function handover() {
        if (handedOver) return;
        handedOver = true;
        clearTimeout(splashTimer);
        afterRuntime(function () {
            board.hidden = false;
            // The board takes the focus, as the desktop window does: a screen
            // reader then follows it and hears its news.
            board.focus({ preventScroll: true });
            if (isTouch()) pad.hidden = false;
            layout();
            dispatch('vantrel_show_main', [], []);
            loaded = true;
            splash.remove();
        });
    }
    var splashTimer = setTimeout(handover, SPLASH_MS);

    function afterRuntime(action) {
        if (runtimeReady) action();
        else whenReady.push(action);
    }
    function onRuntimeReady() {
        runtimeReady = true;
        whenReady.splice(0).forEach(function (action) { action(); });
    }
    if (runtimeInitialized) onRuntimeReady();
    else Module.onRuntimeInitialized = onRuntimeReady;

    // One key-down, from the keyboard or a touch button. The key that skips
    // the splash does nothing else.
    function keyDown(code, shift) {
        if (!handedOver) handover();
        else if (loaded && !boxOpen) dispatch('vantrel_key_down', ['number', 'number'], [code, shift]);
    }

    document.addEventListener('keydown', function (event) {
        var code = virtualKey(event);
        if (code === KEY_F1) event.preventDefault();
        // An open box has the keyboard; its own handler answers it. After the
        // end the game takes no keys; the page's own (Tab to the play-again
        // button) work as usual.
        if (boxOpen || ended) return;
        if (KEPT_FROM_BROWSER[code]) event.preventDefault();
        keyDown(code, shiftState(event));
    });

    // Touch buttons send the codes of the keys they stand for.
    Array.prototype.forEach.call(pad.querySelectorAll('button'), function (button) {
        button.addEventListener('click', function () { keyDown(+button.dataset.key, 0); });
    });

    function isTouch() {
        return navigator.maxTouchPoints > 0 || matchMedia('(any-pointer: coarse)').matches;
    }

    // The board grows in whole device pixels per CSS pixel, so every cell
    // edge falls on a device pixel at any pixel ratio: up to three times on a
    // large screen, to the width of a phone.
    function layout() {
        var dpr = window.devicePixelRatio || 1;
        var width = document.documentElement.clientWidth;
        var height = window.innerHeight - (pad.hidden ? 0 : pad.offsetHeight) - 16;
        var steps = Math.floor(Math.min(width * dpr / BOARD_WIDTH, height * dpr / BOARD_HEIGHT));
        var scale = Math.max(1, Math.min(steps, Math.floor(MAX_SCALE * dpr))) / dpr;
        var style = document.documentElement.style;
        style.setProperty('--s', scale);
        style.setProperty('--k', Math.min(1, width / SPLASH_WIDTH));
        // Whatever monospace face the browser picked, each cell is 13 px wide
        // at 1x: the letter spacing makes up the difference.
        var probe = $('probe');
        probe.style.fontSize = FONT_PX * scale + 'px';
        var advance = probe.getBoundingClientRect().width / probe.textContent.length;
        style.setProperty('--ls', CELL_WIDTH * scale - advance + 'px');
    }
    window.addEventListener('resize', layout);
    layout();

    // A modal box. The first button is the default; Escape answers No to the
    // quit question and OK to the others.
    function showBox(prompt, buttons, title) {
        return new Promise(function (resolve) {
            var choices = buttons === BUTTONS_YES_NO
                ? [['Yes', ANSWER_YES], ['No', ANSWER_NO]] : [['OK', ANSWER_OK]];
            var escapeAnswer = buttons === BUTTONS_YES_NO ? ANSWER_NO : ANSWER_OK;
            var answered = false;
            function answer(value) {
                if (answered) return;
                answered = true;
                boxOpen = false;
                if (box.open) box.close();
                resolve(value);
            }
            box.querySelector('.title').textContent = title;
            box.querySelector('.prompt').textContent = prompt;
            box.setAttribute('aria-label', title || 'Vantrel');
            var buttonRow = box.querySelector('.buttons');
            buttonRow.replaceChildren.apply(buttonRow, choices.map(function (choice) {
                var button = document.createElement('button');
                button.textContent = choice[0];
                button.addEventListener('click', function () { answer(choice[1]); });
                return button;
            }));
            // The box keeps its keys to itself; none reaches the board.
            box.onkeydown = function (event) {
                event.stopPropagation();
                var code = virtualKey(event);
                if (code === KEY_F1) event.preventDefault();
                if (event.key === 'Escape') {
                    event.preventDefault();
                    answer(escapeAnswer);
                }
            };
            box.oncancel = function (event) {
                event.preventDefault();
                answer(escapeAnswer);
            };
            box.onclose = function () { answer(escapeAnswer); };
            boxOpen = true;
            box.showModal();
            buttonRow.firstChild.focus();
        });
    }

    // A tab cannot close itself: the game stops and says so, and offers a
    // fresh start.
    function end() {
        ended = true;
        clearInterval(stepTimer);
        stepTimer = 0;
        pad.hidden = true;
        board.classList.add('ended');
        $('ended').hidden = false;
    }
    $('again').addEventListener('click', function () { location.reload(); });

    Module.page = {
        setRow: function (row, text) { rows[row].textContent = text; },
        describeRow: function (row, text) { rows[row].setAttribute('aria-description', text); },
        // A fresh node each time, so that the same news twice in a row
        // ("shot missed") is said twice.
        announce: function (text) {
            var said = document.createElement('span');
            said.textContent = text;
            news.replaceChildren(said);
        },
        startStepTimer: function () {
            clearInterval(stepTimer);
            stepTimer = setInterval(onStepTimer, TICK_MS);
        },
        stopStepTimer: function () {
            clearInterval(stepTimer);
            stepTimer = 0;
        },
        stepTimerRunning: function () { return stepTimer !== 0; },
        showBox: showBox,
        end: end
    };
})();
