// The page's own script in the browser build, inside the page and run before
// the module's: the splash and its handover, the step timer, the keyboard,
// the touch buttons and gamepads, the message boxes, the end of the game and
// playing again. The game runs in the wasm module; this script turns browser
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
    // A held touch button or gamepad direction repeats as a held key does
    // on a desktop's usual settings: after half a second, 30 times a second.
    var REPEAT_DELAY_MS = 500;
    var REPEAT_MS = 33;

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
    var padLegend = $('padLegend');
    var again = $('again');
    var news = $('news');
    var rows = board.querySelectorAll('.row');

    var runtimeReady = false;
    var handedOver = false;
    var awaitingAnswer = false;
    var ended = false;
    var stepTimer = 0;
    var stepTimerWanted = false;
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
        if (isTouch()) {
            pad.hidden = touchLegend.hidden = false;
            document.body.classList.add('touch');
        }
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
        // After the end the game takes no keys, and the page's own (Enter
        // or Space on Play again, which has the focus) work as usual.
        if (ended) return;
        if (KEPT_FROM_BROWSER[code]) event.preventDefault();
        keyDown(code, shiftState(event));
    });

    // A key held down: one key-down now, then more at the keyboard's repeat
    // rate until it is let go. Each source (a touch button, a gamepad's
    // direction) holds at most one.
    var held = {};
    function hold(source, code) {
        letGo(source);
        keyDown(code, 0);
        held[source] = setTimeout(function repeat() {
            keyDown(code, 0);
            held[source] = setTimeout(repeat, REPEAT_MS);
        }, REPEAT_DELAY_MS);
    }
    function letGo(source) {
        clearTimeout(held[source]);
        delete held[source];
    }
    // A box, a hidden page or the end lets go of everything: a finger still
    // on a button then does nothing more.
    function letGoOfAll() {
        Object.keys(held).forEach(letGo);
    }

    // Touch buttons send the codes of the keys they stand for, on the press,
    // as a key does. A screen reader's or a switch's activation comes as a
    // click with no press before it.
    Array.prototype.forEach.call(pad.querySelectorAll('button'), function (button) {
        var code = +button.dataset.key;
        var pressed = false;
        button.addEventListener('pointerdown', function (event) {
            // No focus moves and no text is selected; the pointer stays with
            // the button until it is lifted, even off it.
            event.preventDefault();
            if (button.setPointerCapture) button.setPointerCapture(event.pointerId);
            pressed = true;
            button.classList.add('pressed');
            hold(code, code);
        });
        ['pointerup', 'pointercancel', 'lostpointercapture'].forEach(function (type) {
            button.addEventListener(type, function () {
                button.classList.remove('pressed');
                letGo(code);
            });
        });
        button.addEventListener('click', function () {
            if (!pressed) keyDown(code, 0);
            pressed = false;
        });
    });

    // Gamepads in the standard mapping: the d-pad or the left stick steers,
    // the bottom face button fires, Start asks to quit and Select (Back)
    // opens the help. In a box the pad moves between the buttons, the bottom
    // button chooses and the right one answers as Escape does; after the end
    // the bottom button plays again. A browser tells of a pad only once one
    // of its buttons is pressed, and has no event for its buttons: the page
    // reads them once a frame while a pad is connected.
    var padDown = {};
    var polling = false;
    function padsNow() {
        return Array.prototype.filter.call(navigator.getGamepads ? navigator.getGamepads() : [],
            function (pad) { return pad && pad.connected; });
    }
    function readPads() {
        var down = {};
        padsNow().forEach(function (pad) {
            var on = function (i) { return pad.buttons[i] && pad.buttons[i].pressed; };
            if (on(14) || pad.axes[0] < -0.5) down[37] = 1;
            if (on(15) || pad.axes[0] > 0.5) down[39] = 1;
            if (on(0)) down[32] = 1;
            if (on(1)) down.back = 1;
            if (on(9)) down[27] = 1;
            if (on(8)) down[KEY_F1] = 1;
        });
        Object.keys(padDown).forEach(function (name) {
            if (!down[name]) letGo('pad' + name);
        });
        Object.keys(down).forEach(function (name) {
            if (!padDown[name]) padPressed(name);
        });
        padDown = down;
    }
    function padPressed(name) {
        if (box.open) {
            var buttons = Array.prototype.slice.call(box.querySelectorAll('.buttons button'));
            var at = buttons.indexOf(document.activeElement);
            if (name === '32') (buttons[at] || buttons[0]).click();
            else if (name === 'back') answerBox(false);
            else if (name === '37' || name === '39') {
                buttons[Math.max(0, Math.min(buttons.length - 1, at + (name === '37' ? -1 : 1)))].focus();
            }
        } else if (ended) {
            if (name === '32') again.click();
        } else if (name !== 'back') {
            hold('pad' + name, +name);
        }
    }
    function pollPads() {
        readPads();
        polling = padsNow().length > 0;
        if (polling) requestAnimationFrame(pollPads);
    }
    function padsChanged() {
        padLegend.hidden = !padsNow().length;
        if (!polling) pollPads();
        layout();
    }
    window.addEventListener('gamepadconnected', padsChanged);
    window.addEventListener('gamepaddisconnected', padsChanged);

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
        var body = getComputedStyle(document.body);
        var gap = parseFloat(body.rowGap);
        var edge = 2 * parseFloat(body.paddingTop);
        var height = window.innerHeight - edge - 16;
        var legends = Array.prototype.reduce.call(document.querySelectorAll('.legend'),
            function (sum, legend) { return sum + (legend.hidden ? 0 : legend.offsetHeight + gap); }, 0);
        var touch = document.body.classList.contains('touch');
        var steer = pad.querySelector('.steer'), fire = pad.querySelector('.fire');
        var menu = pad.querySelector('.menu');
        if (touch && matchMedia('(orientation: landscape)').matches) {
            // Steering in the left column, fire and the commands in the
            // right one.
            width -= edge + steer.offsetWidth + Math.max(fire.offsetWidth, menu.offsetWidth) + 2 * gap;
            height -= legends;
        } else if (touch) {
            width -= edge;
            height -= legends + menu.offsetHeight + Math.max(steer.offsetHeight, fire.offsetHeight) + 2 * gap;
        } else {
            height -= legends;
        }
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
        letGoOfAll();
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

    // A tab cannot close itself: the game stops and says so over the dimmed
    // board, which stays where it was, and offers a fresh start with the
    // keyboard's focus, so that Enter or Space plays again.
    function end() {
        ended = true;
        letGoOfAll();
        document.body.classList.add('ended');
        $('ended').hidden = false;
        again.focus({ preventScroll: true });
    }
    // A new game in place, without loading the page again (which may be
    // offline by now).
    again.addEventListener('click', function () {
        ended = false;
        document.body.classList.remove('ended');
        $('ended').hidden = true;
        board.focus({ preventScroll: true });
        _vantrel_show_main(performance.now());
    });

    // The game waits while nobody looks: the step timer stops while the
    // page is hidden and starts again with a whole beat when it shows.
    // (Browsers also slow a hidden page's timers, which would put the beat
    // out anyway.)
    function runStepTimer() {
        clearInterval(stepTimer);
        if (stepTimerWanted && !document.hidden) {
            stepTimer = setInterval(function () { _vantrel_step_timer(performance.now()); }, TICK_MS);
        }
    }
    document.addEventListener('visibilitychange', function () {
        letGoOfAll();
        runStepTimer();
    });

    // Served from a web host, the page installs as an app and plays
    // offline: its service worker keeps this build's files. The single file
    // needs neither and names no manifest.
    if (navigator.serviceWorker && document.querySelector('link[rel=manifest]')) {
        window.addEventListener('load', function () {
            navigator.serviceWorker.register('sw.js');
        });
    }

    // The calls the module makes into the page, and the call that tells it
    // the module is ready. The served page loads the module's script while
    // it is parsed, which may run it before this script or after: its
    // Module is this one, or this script adds to its own.
    var module = window.Module = window.Module || {};
    module.page = {
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
            stepTimerWanted = true;
            runStepTimer();
        },
        stopStepTimer: function () {
            stepTimerWanted = false;
            runStepTimer();
        },
        showBox: showBox,
        end: end
    };
    if (typeof runtimeInitialized != 'undefined' && runtimeInitialized) onRuntimeReady();
    else module.onRuntimeInitialized = onRuntimeReady;
})();
