// The page side of the browser build: the splash and its handover, the step
// timer, the keyboard and the touch buttons, the message boxes and the end of
// the game. The game runs in the wasm module; this script turns browser
// events into the window events the desktop builds have, each with the time
// it happened, and shows what the module asks for. The build fills in the
// figures from session/Figures.h.
(function () {
    'use strict';

    var TICK_MS = @kTickMs@;
    var SPLASH_MS = @kSplashMs@;
    var BOARD_WIDTH = @kClientWidth@;
    var BOARD_HEIGHT = @kClientHeight@;
    var SPLASH_WIDTH = @kSplashWidth@;
    var CELL_WIDTH = @kCellWidth@;
    var FONT_PX = @kFontPixelSize@;
    var MAX_SCALE = 3;

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
    var keysLegend = $('keysLegend');
    var touchLegend = $('touchLegend');
    var news = $('news');
    var rows = board.querySelectorAll('.row');

    var runtimeReady = false;
    var handedOver = false;
    var awaitingAnswer = false;
    var ended = false;
    var stepTimer = 0;
    var helpAsked = false;

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

    // Splash and handover. The board needs the module, which may still be
    // loading when the splash's time is up or a key skips it.
    function handover() {
        if (handedOver) return;
        handedOver = true;
        clearTimeout(splashTimer);
        if (runtimeReady) showMain();
    }
    var splashTimer = setTimeout(handover, SPLASH_MS);

    function showMain() {
        board.hidden = false;
        // The board takes the focus, as the desktop window does: a screen
        // reader then follows it and hears its news.
        board.focus({ preventScroll: true });
        if (isTouch()) pad.hidden = touchLegend.hidden = false;
        // A phone or tablet has no keys to speak of; a laptop with a touch
        // screen gets both legends.
        keysLegend.hidden = matchMedia('(pointer: coarse)').matches;
        layout();
        _vantrel_show_main(performance.now());
        splash.remove();
    }

    function onRuntimeReady() {
        runtimeReady = true;
        if (handedOver) showMain();
    }
    if (runtimeInitialized) onRuntimeReady();
    else Module['onRuntimeInitialized'] = onRuntimeReady;

    // One key-down, from the keyboard or a touch button. The key that skips
    // the splash does nothing else.
    function keyDown(code, shift) {
        if (!handedOver) handover();
        else if (runtimeReady) {
            // The module opens F1's help box before this call returns.
            helpAsked = code === KEY_F1;
            _vantrel_key_down(code, shift, performance.now());
            helpAsked = false;
        }
    }

    document.addEventListener('keydown', function (event) {
        var code = virtualKey(event);
        if (code === KEY_F1) event.preventDefault();
        // After the end the game takes no keys, and the page's own (Tab to
        // the play-again button, Space to press it) work as usual.
        if (ended) return;
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
    var laidOutWidth = 0;
    function layout() {
        var dpr = window.devicePixelRatio || 1;
        var width = laidOutWidth = document.documentElement.clientWidth;
        // What shows under the board, each part one of the page's gaps below
        // the last.
        var gap = parseFloat(getComputedStyle(document.body).rowGap);
        var below = [keysLegend, touchLegend, pad].reduce(function (sum, element) {
            return sum + (element.hidden ? 0 : element.offsetHeight + gap);
        }, 0);
        var height = window.innerHeight - below - 16;
        var steps = Math.floor(Math.min(width * dpr / BOARD_WIDTH, height * dpr / BOARD_HEIGHT));
        var scale = Math.max(1, Math.min(steps, Math.floor(MAX_SCALE * dpr))) / dpr;
        var style = document.documentElement.style;
        style.setProperty('--s', scale);
        style.setProperty('--k', Math.min(1, width / SPLASH_WIDTH));
        // Whatever monospace face the browser picked, each cell is the board's
        // cell width at 1x: the letter spacing makes up the difference.
        var probe = $('probe');
        probe.style.fontSize = FONT_PX * scale + 'px';
        var advance = probe.getBoundingClientRect().width / probe.textContent.length;
        style.setProperty('--ls', CELL_WIDTH * scale - advance + 'px');
    }
    window.addEventListener('resize', layout);
    // The page's width can change with no resize event: Firefox measures it
    // narrower while the page loads (by a scrollbar's width) and wider once
    // it settles. Laying out again in the next frame keeps the observer from
    // seeing its own change.
    if (window.ResizeObserver) {
        new ResizeObserver(function () {
            if (document.documentElement.clientWidth !== laidOutWidth) requestAnimationFrame(layout);
        }).observe(document.documentElement);
    }
    layout();

    // A modal box. The first button is the default; Escape answers No to the
    // quit question and OK to the others. The module is told which it was.
    function showBox(prompt, yesNo, title) {
        box.querySelector('.title').textContent = title;
        box.querySelector('.prompt').textContent = prompt;
        // A reader says a hidden note too when the box names it.
        var note = $('boxNote');
        note.hidden = !(helpAsked && !pad.hidden);
        box.setAttribute('aria-describedby', note.hidden ? 'boxPrompt' : 'boxPrompt boxNote');
        box.setAttribute('aria-label', title || 'Vantrel');
        var buttonRow = box.querySelector('.buttons');
        buttonRow.replaceChildren.apply(buttonRow, (yesNo ? ['Yes', 'No'] : ['OK']).map(
            function (label, index) {
                var button = document.createElement('button');
                button.textContent = label;
                button.addEventListener('click', function () { answerBox(index === 0); });
                return button;
            }));
        awaitingAnswer = true;
        box.showModal();
        buttonRow.firstChild.focus();
    }

    // One answer per box: a click closes the dialog, and the close event that
    // follows must not answer again, nor answer a box opened since.
    function answerBox(firstButton) {
        if (!awaitingAnswer) return;
        awaitingAnswer = false;
        if (box.open) box.close();
        _vantrel_answer_box(firstButton ? 1 : 0, performance.now());
    }

    // The box keeps its keys to itself; none reaches the board.
    box.addEventListener('keydown', function (event) {
        event.stopPropagation();
        if (virtualKey(event) === KEY_F1) event.preventDefault();
        if (event.key === 'Escape') {
            event.preventDefault();
            answerBox(false);
        }
    });
    box.addEventListener('cancel', function (event) {
        event.preventDefault();
        answerBox(false);
    });
    // Closed some other way than by an answer, such as by the browser.
    box.addEventListener('close', function () {
        if (!box.open) answerBox(false);
    });

    // A tab cannot close itself: the game stops and says so, and offers a
    // fresh start.
    function end() {
        ended = true;
        pad.hidden = keysLegend.hidden = touchLegend.hidden = true;
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
            stepTimer = setInterval(function () { _vantrel_step_timer(performance.now()); }, TICK_MS);
        },
        stopStepTimer: function () { clearInterval(stepTimer); },
        showBox: showBox,
        end: end
    };
})();
