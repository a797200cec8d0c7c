// The page's own script in the browser build, inside the page and run before
// the module's: the splash's timer, the step timer, the keyboard,
// the touch buttons and gamepads, the message boxes, the end of the game and
// playing again. The game runs in the wasm module; this script turns browser
// events into the window events the desktop builds have, each with the time
// it happened, and shows what the module asks for. The build fills in the
// figures from session/Figures.h.
(function () {
    'use strict';

    var TICK_MS = @kTickMs@;
    var BOARD_WIDTH = @kClientWidth@;
    var BOARD_HEIGHT = @kClientHeight@;
    var CELL_WIDTH = @kCellWidth@;
    var FONT_PX = @kFontPixelSize@;
    var MAX_SCALE = 3;
    // A held touch button or gamepad direction repeats as a held key does
    // on a desktop's usual settings: after half a second, 30 times a second.
    var REPEAT_DELAY_MS = 500;
    var REPEAT_MS = 33;

    // The game's keys by KeyboardEvent.code, the physical key, so that X
    // restarts under any layout; every other key is 0, which the game ignores.
    var KEYS = { ArrowLeft: 37, ArrowRight: 39, Space: 32, Escape: 27, KeyX: 88, F1: 112 };
    var KEY_F1 = 112;

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

    // The splash shows from the start; the module, which runs it, may load
    // later, and is told when it came and of a key that came meanwhile.
    var startedAt = performance.now();
    var earlyKeyAt = 0;
    var runtimeReady = false;
    var awaitingAnswer = false;
    var ended = false;
    var loadFailed = false;
    var splashTimer = 0;
    var stepTimer = 0;
    var stepTimerWanted = false;

    function virtualKey(event) {
        // Some on-screen keyboards leave the code empty: the key says which.
        var key = event.key || '';
        return KEYS[event.code || (key === ' ' ? 'Space' : 'Key' + key.toUpperCase())] || 0;
    }

    function onRuntimeReady() {
        runtimeReady = true;
        _vantrel_load(startedAt);
        if (earlyKeyAt) _vantrel_key_down(0, earlyKeyAt);
    }

    // One key-down, from the keyboard, a touch button or a gamepad.
    function keyDown(code) {
        if (runtimeReady) _vantrel_key_down(code, performance.now());
        else earlyKeyAt = earlyKeyAt || performance.now();
    }

    // A tap or a click while the splash shows ends it, as a key does (the
    // session lets that key do nothing else).
    document.addEventListener('pointerdown', function () {
        if (board.hidden) keyDown(0);
    });

    document.addEventListener('keydown', function (event) {
        var code = virtualKey(event);
        if (code === KEY_F1) event.preventDefault();
        // After the end, or when the game could not load, the game takes no
        // keys, and the page's own (Enter or Space on Play again or Reload,
        // which has the focus) work as usual.
        if (ended || loadFailed) return;
        // Nor does the browser take the game's keys for itself (help,
        // scrolling, leaving full screen), or the arrows that scroll.
        if (code || /^Arrow/.test(event.code)) event.preventDefault();
        keyDown(code);
    });

    // A key held down: one key-down now, then more at the keyboard's repeat
    // rate until it is let go. Each source (a touch button, a gamepad's
    // direction) holds at most one.
    var held = {};
    function hold(source, code) {
        letGo(source);
        keyDown(code);
        held[source] = setTimeout(function repeat() {
            keyDown(code);
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
            if (!pressed) keyDown(code);
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
            else if (name === 'back') answerBox(-1);
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
    // A browser starts its gamepad service, and the page waits for it, when
    // the page first listens for pads; the page listens once the board is
    // drawn, as pads only play the board. A pad already used by then (a
    // browser may tell of it to no one) counts at once.
    var listeningForPads = false;
    function listenForPads() {
        if (listeningForPads) return;
        listeningForPads = true;
        window.addEventListener('gamepadconnected', padsChanged);
        window.addEventListener('gamepaddisconnected', padsChanged);
        if (padsNow().length) padsChanged();
    }

    function isTouch() {
        return navigator.maxTouchPoints > 0 || matchMedia('(any-pointer: coarse)').matches;
    }

    // The board grows in whole device pixels per CSS pixel, so every cell
    // edge falls on a device pixel at any pixel ratio: up to three times on a
    // large screen, to the width of a phone.
    // Nothing is laid out while the splash shows.
    var laidOutWidth = 0;
    function layout() {
        if (board.hidden) return;
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
        // Whatever monospace face the browser picked, each cell is the board's
        // cell width at 1x: the letter spacing makes up the difference. The
        // probe is measured before the board changes size, so that the
        // browser lays out only the probe again, not the whole board.
        var probe = $('probe');
        probe.style.fontSize = FONT_PX * scale + 'px';
        var advance = probe.getBoundingClientRect().width / probe.textContent.length;
        var style = document.documentElement.style;
        style.setProperty('--s', scale);
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

    // A modal box. The first button is the default; the module is told which
    // button answered (0 the first), or -1 for Escape, whose answer it knows.
    function showBox(prompt, yesNo, title, help) {
        box.querySelector('.title').textContent = title;
        box.querySelector('.prompt').textContent = prompt;
        // A reader says a hidden note too when the box names it.
        var note = $('boxNote');
        note.hidden = !(help && !pad.hidden);
        box.setAttribute('aria-describedby', note.hidden ? 'boxPrompt' : 'boxPrompt boxNote');
        box.setAttribute('aria-label', title || 'Vantrel');
        var buttonRow = box.querySelector('.buttons');
        buttonRow.replaceChildren.apply(buttonRow, (yesNo ? ['Yes', 'No'] : ['OK']).map(
            function (label, index) {
                var button = document.createElement('button');
                button.textContent = label;
                button.addEventListener('click', function () { answerBox(index); });
                return button;
            }));
        awaitingAnswer = true;
        letGoOfAll();
        box.showModal();
        buttonRow.firstChild.focus();
    }

    // One answer per box: a click closes the dialog, and the close event that
    // follows must not answer again, nor answer a box opened since.
    function answerBox(button) {
        if (!awaitingAnswer) return;
        awaitingAnswer = false;
        if (box.open) box.close();
        _vantrel_answer_box(button, performance.now());
    }

    // The box keeps its keys to itself; none reaches the board.
    box.addEventListener('keydown', function (event) {
        event.stopPropagation();
        if (virtualKey(event) === KEY_F1) event.preventDefault();
        if (event.key === 'Escape') {
            event.preventDefault();
            answerBox(-1);
        }
    });
    box.addEventListener('cancel', function (event) {
        event.preventDefault();
        answerBox(-1);
    });
    // Closed some other way than by an answer, such as by the browser.
    box.addEventListener('close', function () {
        if (!box.open) answerBox(-1);
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
    // offline by now), straight onto the board: the splash's time is over.
    again.addEventListener('click', function () {
        ended = false;
        document.body.classList.remove('ended');
        $('ended').hidden = true;
        board.focus({ preventScroll: true });
        var now = performance.now();
        _vantrel_load(now);
        _vantrel_splash_timer(now);
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
    // needs neither and names no manifest. The worker comes once the page
    // has loaded and the board's first frame is drawn: installing, it
    // fetches every file of the build, which would hold back the start.
    var served = !!document.querySelector('link[rel=manifest]');
    var workerWanted = served && !!navigator.serviceWorker;
    var boardDrawn = false;
    function registerWorker() {
        if (workerWanted && boardDrawn && document.readyState === 'complete') {
            workerWanted = false;
            navigator.serviceWorker.register('sw.js');
        }
    }
    window.addEventListener('load', registerWorker);

    // The served page loads the wasm itself, compiled as it streams in (or,
    // from a host that gives it a type other than application/wasm, from
    // its bytes), so that a player whose connection fails before it came is
    // told so and offered a reload, rather than left at the splash for good.
    // The single file carries its wasm inside, for the module to load.
    function loadWasm(imports, receive) {
        function fetchWasm() {
            return fetch('vantrel.wasm', { credentials: 'same-origin' }).then(function (response) {
                if (!response.ok) throw new Error('vantrel.wasm: HTTP ' + response.status);
                return response;
            });
        }
        var streamed = WebAssembly.instantiateStreaming
            ? WebAssembly.instantiateStreaming(fetchWasm(), imports) : Promise.reject();
        streamed.catch(function () {
            return fetchWasm().then(function (response) { return response.arrayBuffer(); })
                .then(function (bytes) { return WebAssembly.instantiate(bytes, imports); });
        }).then(function (result) {
            receive(result.instance, result.module);
        }, function () {
            loadFailed = true;
            $('loadError').hidden = false;
            $('reload').focus();
        });
        return {};
    }
    $('reload').addEventListener('click', function () { location.reload(); });

    // The calls the module makes into the page, and the call that tells it
    // the module is ready. The module's script comes after this one in the
    // page, and finds its Module here.
    var module = window.Module = {};
    module.page = {
        showSplash: function (endsMs) {
            splashTimer = setTimeout(function () { _vantrel_splash_timer(performance.now()); },
                endsMs - performance.now());
        },
        // The board takes the splash's place, and the focus, as the desktop
        // window does: a screen reader then follows it and hears its news.
        // The splash goes before the board is measured and the focus moves
        // after, so that each finds the page laid out as it will be drawn.
        hideSplash: function () {
            clearTimeout(splashTimer);
            board.hidden = false;
            splash.remove();
            if (isTouch()) {
                pad.hidden = touchLegend.hidden = false;
                document.body.classList.add('touch');
            }
            // A phone or tablet has no keys to speak of; a laptop with a
            // touch screen gets both legends.
            keysLegend.hidden = matchMedia('(pointer: coarse)').matches;
            layout();
            board.focus({ preventScroll: true });
            // Once the frame that shows the board is drawn.
            requestAnimationFrame(function () {
                setTimeout(function () {
                    boardDrawn = true;
                    registerWorker();
                    listenForPads();
                });
            });
        },
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
    module.onRuntimeInitialized = onRuntimeReady;
    if (served) module.instantiateWasm = loadWasm;
})();
