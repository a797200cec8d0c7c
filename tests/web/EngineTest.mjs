// The browser game played in every engine through the page contract and the
// engines' drivers (engines.mjs); what only Chromium's driver can read (the
// accessibility tree) is checked where the page offers it:
//   node EngineTest.mjs ENGINE WEB_DIR MODULES_DIR REPLAY_CASES_DIR
// ENGINE is chromium, firefox or webkit. Each check prints a line as it
// passes. Exit 0 passed, 1 failed, 77 skipped (the engine or its driver is
// missing).
import assert from 'node:assert/strict';
import { engines, PHONE } from './engines.mjs';
import * as h from './harness.mjs';

const [engineName, webDir, modulesDir, casesDir] = process.argv.slice(2);
const { TICK_MS, SPLASH_MS, EARLY_MS, OPENING, HELP, log, cannonCol, shotAt, openBox, closedBox, frameAfter } = h;
const F = h.FIGURES;
const IDLE = h.idleFrames(casesDir);
const problems = [];
let passed = 0;
let current = null;

async function check(name, body) {
    await body().catch((error) => {
        error.message = `${name}: ${error.message}`;
        throw error;
    });
    console.log(`ok ${++passed} - ${name}`);
}

// One page at a time (WebKit's driver holds one session): the last one
// closes first, and its console errors are kept.
async function open(engine, options) {
    await closeCurrent();
    return (current = await engine.open(options));
}

async function closeCurrent() {
    const page = current;
    current = null;
    // A page may expect some, such as the browser's report of a lost request.
    problems.push(...(await page?.problems() ?? []).filter((problem) => !page.expected?.test(problem)));
    await page?.close();
}

const lastFrame = async (page) => (await log(page)).frames.at(-1);
const boxText = (box) => [box.title, box.prompt, box.buttons];
const focused = (page) => page.evaluate(() => document.activeElement.textContent);
// The text of the element `id` as a player sees it, or null while it is not shown.
const shown = (page, id) => page.evaluate((i) => (document.getElementById(i).checkVisibility()
    ? document.getElementById(i).textContent.trim().replace(/\s+/g, ' ') : null), id);
const axeFinds = (page) => h.axeViolations(page, modulesDir);
const rect = (page, selector) => page.evaluate((s) => {
    const r = document.querySelector(s).getBoundingClientRect();
    return { left: r.left, right: r.right, top: r.top, bottom: r.bottom, width: r.width };
}, selector);
const button = (label) => `#pad button[aria-label="${label}"]`;

// Key-downs in one task of the page, so that no tick can fall between them
// however loaded the machine is; each gives the physical key (code) and its
// meaning (key) apart, so a keyboard layout can be simulated.
const keysInOneTask = (page, events) => page.evaluate((list) => {
    for (const init of list) document.dispatchEvent(new KeyboardEvent('keydown', init));
}, events);

// The gamepad (harness.gamepad) in `state`; then the first frame drawn once
// the page has read it (it reads pads once a display frame).
async function padFrame(page, state) {
    await h.gamepad(page, state);
    await h.sleep(100);
    const count = (await log(page)).frames.length;
    return (await h.framesBeyond(page, count)).frames[count];
}

// The pad's buttons held in turn (by the standard mapping's index), each a
// little after the last, so that the page reads every one.
async function padPresses(page, ...states) {
    for (const buttons of states) {
        await h.sleep(100);
        await h.gamepad(page, { buttons });
    }
}

// Waits `beats` beats and checks that no frame was drawn meanwhile.
async function noTickFor(page, beats, what) {
    const before = (await log(page)).frames.length;
    await h.sleep(beats * TICK_MS);
    assert.equal((await log(page)).frames.length, before, what);
}

// Ends the splash at `url` with `press` and checks that it did nothing else:
// the opening picture, then the idle game from its first tick.
async function skipsOnly(page, url, press) {
    const at = await h.skipSplash(page, url, press);
    await h.sleep(SPLASH_MS + 500 - at);
    const seen = (await log(page)).frames.map((f) => f.rows);
    assert.deepEqual(seen, [OPENING, ...IDLE.slice(0, seen.length - 1)], 'the idle game, once');
}

// Left, Right and Fire by `act(command)`, which gives the first frame after
// it: the cannon a column left and back, and a shot above it.
async function steersAndFires(page, act) {
    const from = cannonCol(await lastFrame(page));
    assert.equal(cannonCol(await act('left')), from - 1, 'left');
    assert.equal(cannonCol(await act('right')), from, 'right');
    assert.deepEqual(shotAt(await act('fire')), [[6, from]], 'fire');
}

// A direction held for six beats by `hold` (which returns once it is let go)
// moves the cannon `step` a beat, and nothing after; gives the log of the
// hold and the counts of frames and inputs before it.
async function holdRepeats(page, hold, step) {
    const before = await log(page);
    await hold();
    const l = await log(page);
    const moved = l.frames.slice(before.frames.length).map(cannonCol);
    assert.ok((moved.at(-1) - cannonCol(before.frames.at(-1))) * step >= 4,
              `held for 6 beats, the cannon went ${moved}`);
    // A beat drawn after the release may still bring the last repeat;
    // none after it moves.
    const count = (await log(page)).frames.length;
    const after = await h.framesBeyond(page, count + 1);
    assert.equal(cannonCol(after.frames[count + 1]), cannonCol(after.frames[count]), 'nothing after');
    return { l, frames: before.frames.length, inputs: before.inputs.length };
}

// Help box number `count`: the game's text, and under it the line on the
// touch buttons where they show (`note`, or null), seen and read alike.
async function helpBox(page, count, note) {
    assert.deepEqual(boxText(await openBox(page, count)), ['Help File', HELP, ['OK']]);
    assert.equal(await focused(page), 'OK');
    assert.equal(await shown(page, 'boxNote'), note);
    if (page.accessibilityTree) {
        assert.equal((await page.accessibilityTree('dialog')).description, note ? `${HELP} ${note}` : HELP);
    }
    assert.deepEqual(await axeFinds(page), [], 'axe-core, with the help box open');
}

// The splash and its handover by the timer, the board, and an idle game to
// its loss.
async function splashToLoss(engine) {
    const page = await open(engine);
    await check('the page loads, titled Vantrel: the title picture, loaded, in its black strip, no board; ' +
                'axe-core finds nothing', async () => {
        await page.goto(engine.url);
        assert.equal(await page.evaluate(() => document.title), 'Vantrel');
        assert.deepEqual(await page.evaluate(() => {
            const strip = document.getElementById('frmSplash').getBoundingClientRect();
            const img = document.querySelector('#frmSplash > img#imgSplash');
            const pic = img.getBoundingClientRect();
            return [strip.width, strip.height, pic.x - strip.x, pic.y - strip.y, img.naturalWidth,
                    img.naturalHeight, img.complete, document.getElementById('frmMain').hidden];
        }), [F.kSplashWidth, F.kSplashHeight, F.kSplashPictureLeft, F.kSplashPictureTop,
             F.kSplashPictureWidth, F.kSplashPictureHeight, true, true]);
        assert.deepEqual(await axeFinds(page), [], 'axe-core, on the splash');
    });
    // The page listens for pads once the board is drawn; a pad there already
    // (a browser may have told of it to no one) counts then.
    await check('a pad connected during the splash counts once the board is drawn', async () => {
        await h.gamepad(page);
        await h.boardShown(page);
        assert.equal(await h.until(() => shown(page, 'padLegend'), 'the pad line'), h.pageText('padLegend'));
        await h.gamepad(page, { connected: false });
        assert.equal(await shown(page, 'padLegend'), null);
    });
    let at;
    await check('the splash hands over to the board after its 2 s', async () => {
        at = await h.boardShown(page);
        assert.ok(at >= SPLASH_MS - EARLY_MS, `board shown ${at} ms after navigation`);
        assert.equal(await page.evaluate(() => document.getElementById('frmSplash')), null);
    });
    // WebKit hands no preload to fetch() and loads the wasm again (13 KB).
    if (engineName !== 'webkit') {
        await check('the wasm came once: what the head asked for is what the module runs', async () => {
            assert.equal(await page.evaluate(() => performance.getEntriesByType('resource')
                .filter((r) => r.name.endsWith('/vantrel.wasm')).length), 1);
        });
    }
    await check('the opening picture, then the first tick a beat later', async () => {
        const l = await h.framesBeyond(page, 1);
        assert.deepEqual(l.frames.slice(0, 2).map((f) => f.rows), [OPENING, IDLE[0]]);
        assert.ok(l.frames[1].t - at >= TICK_MS - EARLY_MS, `first tick ${l.frames[1].t - at} ms after`);
    });
    await check('the board: eight rows of fifteen cells at 3×, green on black, the keys under it', async () => {
        assert.deepEqual(await page.evaluate(() => {
            const board = document.getElementById('frmMain').getBoundingClientRect();
            const rows = [...document.querySelectorAll('#frmMain [role=listitem]')];
            const row = rows[7].getBoundingClientRect();
            return { board: [board.width, board.height], rows: rows.map((r) => r.id),
                     row: [row.x - board.x, row.y - board.y, Math.round(row.width), row.height],
                     pad: document.getElementById('pad').hidden };
        }), { board: [3 * F.kClientWidth, 3 * F.kClientHeight],
              rows: [...Array(8).keys()].map((r) => `lblGame${r}`),
              row: [3 * F.kRowLeft, 3 * (F.kRowTop + 7 * F.kRowPitch), 3 * 15 * F.kCellWidth,
                    3 * F.kRowHeight], pad: true });
        assert.deepEqual([await shown(page, 'keysLegend'), await shown(page, 'touchLegend')],
                         [h.pageText('keysLegend'), null]);
        // Green on black, the page around a shade lighter.
        assert.deepEqual(await page.evaluate(() => ['lblGame0', 'frmMain'].map((id) =>
            getComputedStyle(document.getElementById(id))).map((s) => [s.color, s.backgroundColor])
            .concat([getComputedStyle(document.body).backgroundColor])),
        [['rgb(0, 255, 0)', 'rgba(0, 0, 0, 0)'], ['rgb(0, 255, 0)', 'rgb(0, 0, 0)'], 'rgb(24, 24, 24)']);
    });
    if (page.accessibilityTree) {
        await check('a screen reader finds a list "Board" of eight rows, each its text, described', async () => {
            const lists = [];
            (function walk(node) {
                if (node.role === 'list') lists.push(node);
                (node.children || []).forEach(walk);
            })(await page.accessibilityTree());
            assert.deepEqual(lists.map((list) => list.name), ['Board']);
            const items = lists[0].children.map((item) => ({
                text: (item.children || []).map((c) => c.name).join(''), description: item.description }));
            assert.deepEqual(items.map((item) => item.text), (await lastFrame(page)).rows);
            const columns = (text, glyph) => [...text].flatMap((g, i) => (g === glyph ? [i + 1] : []));
            assert.deepEqual(items.map((item) => item.description), items.map((item, r) => {
                const aliens = columns(item.text, 'V');
                return `Board row ${r + 1} of 8` + (aliens.length ? `: aliens in columns ${aliens.join(', ')}`
                    : r === 7 ? `: cannon in column ${columns(item.text, 'A')[0]}` : '');
            }));
        });
    }
    let restartedAt;
    await check('X on a Russian layout restarts; 63 ticks later "You lose!", each drop said before', async () => {
        const before = (await h.framesBeyond(page, 3)).frames.length;
        // The key says "ч"; the physical key is X.
        await keysInOneTask(page, [{ code: 'KeyX', key: 'ч' }]);
        const box = await openBox(page, 1, 62 * TICK_MS + 15000);
        assert.deepEqual(boxText(box), ['Sorry!', 'You lose!', ['OK']]);
        const l = await log(page);
        // A tick of the old game may still fall between reading the count and
        // the key; the new game starts at the first frame of a fresh one.
        restartedAt = l.frames.findIndex((f, i) => i >= before && f.rows.join('\n') === IDLE[0].join('\n'));
        assert.ok(restartedAt >= before && restartedAt <= before + 1, 'X restarts at once');
        assert.deepEqual(l.frames.slice(restartedAt).map((f) => f.rows), IDLE.slice(0, 62),
                         'the new game, tick by tick');
        // What a reader heard of that game through the news region. (The
        // session paces the news; its own tests pin that.)
        const heard = l.news.filter((n) => n.t >= l.frames[restartedAt].t);
        assert.deepEqual(heard.map((n) => n.text), ['new game',
            ...[2, 3, 4, 5, 6, 7, 8].map((row) => `wave on row ${row}`)]);
        assert.ok(heard.at(-1).t <= box.opened, 'the wave on the last row is said before the box');
        assert.equal(await focused(page), 'OK');
        await noTickFor(page, 3, 'no tick while the loss box is open');
    });
    await check('Escape answers OK: a new game, its first tick a full beat after the box', async () => {
        await page.press('Escape');
        const closed = (await closedBox(page, 1)).closed;
        const next = (await h.framesBeyond(page, restartedAt + 63)).frames.slice(restartedAt + 62, restartedAt + 64);
        assert.deepEqual(next.map((f) => f.rows), [IDLE[62], IDLE[0]]);
        assert.ok(next[1].t - closed >= TICK_MS - EARLY_MS, `${next[1].t - closed} ms after`);
    });
}

// A key skips the splash; the keys, F1, the quit question, the end, a
// gamepad, and the page offline.
async function keys(engine) {
    const page = await open(engine);
    await check('a key skips the splash and does nothing else', async () => {
        await skipsOnly(page, engine.url, () => page.press('ArrowLeft'));
    });
    await check('the board has the keyboard focus, and shows it; axe-core finds nothing wrong', async () => {
        const [active, windowFocused, ring] = await page.evaluate(() => {
            const board = document.getElementById('frmMain');
            const style = getComputedStyle(board);
            return [document.activeElement === board, document.hasFocus(), [style.outlineStyle, style.outlineWidth]];
        });
        assert.ok(active);
        // A window without the system's focus (WebKit's, on a virtual X
        // server with no window manager) shows no focus at all.
        if (windowFocused) assert.deepEqual(ring, ['solid', '2px']);
        assert.deepEqual(await axeFinds(page), [], 'axe-core');
    });
    await check('hidden, the game stands still; shown, it starts with a whole beat', async () => {
        await h.framesBeyond(page, (await log(page)).frames.length);
        await h.setHidden(page, true);
        await noTickFor(page, 4, 'no tick while the page is hidden');
        const count = (await log(page)).frames.length;
        const shownAt = await page.evaluate(() => performance.now());
        await h.setHidden(page, false);
        const next = (await h.framesBeyond(page, count)).frames[count];
        assert.ok(next.t - shownAt >= TICK_MS - EARLY_MS, `next tick ${next.t - shownAt} ms after`);
    });
    await check('arrows steer, a press and two repeats in a beat once; Space fires, one shot at a time', async () => {
        const from = cannonCol(await lastFrame(page));
        const right = { code: 'ArrowRight', key: 'ArrowRight' };
        assert.equal(cannonCol(await frameAfter(page, () => keysInOneTask(page, [
            right, { ...right, repeat: true }, { ...right, repeat: true }]))), from + 1);
        const l = await h.framesBeyond(page, (await log(page)).frames.length);
        assert.equal(cannonCol(l.frames.at(-1)), from + 1, 'and nothing is left over');
        const key = { left: 'ArrowLeft', right: 'ArrowRight', fire: ' ' };
        await steersAndFires(page, (command) => frameAfter(page, () => page.press(key[command])));
        // A beat or two may pass before the second Space arrives; the shot
        // flies on, alone.
        const shots = shotAt(await frameAfter(page, () => page.press(' ')));
        assert.ok(shots.length === 1 && shots[0][0] < 6 && shots[0][1] === from + 1, JSON.stringify(shots));
    });
    await check('F1: the help box with the keyboard, nothing behind it, a full beat after', async () => {
        const column = cannonCol(await lastFrame(page));
        await page.press('F1');
        await helpBox(page, 1, null);
        await page.press('ArrowLeft');
        await noTickFor(page, 3, 'no tick behind the help box');
        const count = (await log(page)).frames.length;
        await page.press('Enter');
        const { closed } = await closedBox(page, 1);
        const next = (await h.framesBeyond(page, count)).frames[count];
        assert.ok(next.t - closed >= TICK_MS - EARLY_MS, `next tick ${next.t - closed} ms after`);
        assert.equal(cannonCol(next), column, 'keys on the box do not reach the game');
    });
    await check('Escape: "Are you sure you want to quit?"; Escape again answers No', async () => {
        await page.press('Escape');
        assert.deepEqual(boxText(await openBox(page, 2)), ['', h.QUIT, ['Yes', 'No']]);
        assert.equal(await focused(page), 'Yes');
        assert.equal(await page.evaluate(() => document.querySelector('dialog .title').checkVisibility()),
                     false, 'no empty title bar');
        assert.deepEqual(await axeFinds(page), [], 'axe-core, with the quit question open');
        await page.press('Escape');
        await closedBox(page, 2);
        await h.framesBeyond(page, (await log(page)).frames.length);
    });
    let endedAt;
    await check('Escape, Enter (Yes): the game ends, and offers to play again with the focus', async () => {
        const board = await rect(page, '#frmMain');
        await page.press('Escape');
        await openBox(page, 3);
        await page.press('Enter');
        await closedBox(page, 3);
        assert.equal(await shown(page, 'ended'), 'The game has ended. Play again');
        assert.equal(await focused(page), 'Play again');
        assert.deepEqual(await rect(page, '#frmMain'), board, 'the board stays where it was');
        for (const name of ['x', 'F1', 'Escape']) await page.press(name);
        await noTickFor(page, 4, 'no tick after the end');
        assert.equal((await log(page)).boxes.length, 3, 'no box after the end');
        assert.deepEqual(await axeFinds(page), [], 'axe-core, after the end');
        endedAt = (await log(page)).frames.length;
    });
    await check('Enter on Play again: a new game in the same page', async () => {
        await page.press('Enter');
        const l = await h.framesBeyond(page, endedAt + 1);
        assert.deepEqual(l.frames.slice(endedAt, endedAt + 2).map((f) => f.rows), [OPENING, IDLE[0]]);
        assert.equal(await page.evaluate(() => document.activeElement.id), 'frmMain');
    });
    // The pad's buttons by the standard mapping's index (harness.gamepad).
    const pad = { left: { x: -1 }, right: { buttons: [15] }, fire: { buttons: [0] } };
    await check('a gamepad: its line while connected; the stick and the d-pad steer, A fires', async () => {
        await h.gamepad(page);
        assert.equal(await shown(page, 'padLegend'), h.pageText('padLegend'));
        await padFrame(page, {});
        await steersAndFires(page, async (command) => {
            const frame = await padFrame(page, pad[command]);
            await padFrame(page, {});
            return frame;
        });
    });
    await check('a held direction repeats, a beat at a time, until let go', async () => {
        await holdRepeats(page, async () => {
            await h.gamepad(page, { buttons: [14] });
            await h.sleep(6 * TICK_MS);
            await h.gamepad(page, {});
            await h.sleep(100);
        }, -1);
    });
    await check('the pad in boxes: Select opens help and B closes it; Start, right, A answers No', async () => {
        const boxes = (await log(page)).boxes.length;
        await padPresses(page, [8]);
        assert.equal((await openBox(page, boxes + 1)).title, 'Help File');
        await padPresses(page, [], [1]);
        await closedBox(page, boxes + 1);
        await padPresses(page, [], [9]);
        assert.equal((await openBox(page, boxes + 2)).prompt, h.QUIT);
        await padPresses(page, [], [15], [], [0]);
        await closedBox(page, boxes + 2);
        assert.equal(await shown(page, 'ended'), null, 'No');
        await h.gamepad(page, { connected: false });
        assert.equal(await shown(page, 'padLegend'), null);
    });
    await check('offline after the first load: the page starts and plays from its own copy', async () => {
        await h.until(() => page.evaluate(() => !!navigator.serviceWorker?.controller), 'the service worker');
        engine.site.offline = true;
        try {
            await skipsOnly(page, engine.url, () => page.press('ArrowLeft'));
        } finally {
            engine.site.offline = false;
        }
    });
}

// The game's code lost on the way: the page says so, and a reload brings
// the game. The first scenario, before a service worker keeps the files.
async function codeLost(engine) {
    const page = await open(engine);
    page.expected = /Failed to load resource|vantrel\.wasm/;
    await check('the wasm lost on the way: the page says so, and Space on Reload brings the game', async () => {
        engine.site.lost.add('/vantrel.wasm');
        try {
            await page.goto(engine.url);
            await h.until(() => shown(page, 'loadError'), 'the message');
            assert.equal(await focused(page), 'Reload');
        } finally {
            engine.site.lost.delete('/vantrel.wasm');
        }
        await page.press(' ');
        // The page is asked while it loads again, when it may have none to answer.
        await h.until(() => page.evaluate(() => window.vantrelLog.shown).catch(() => null),
                      'the board, after the reload', 6000);
        assert.equal(await shown(page, 'loadError'), null);
    });
}

// The one file, opened from disk, plays and loads nothing from elsewhere.
async function singleFile(engine) {
    const page = await open(engine);
    await check('the single file plays from file://, a click ending its splash, and loads nothing else', async () => {
        await page.goto(engine.fileUrl);
        assert.equal(await page.evaluate(() => document.title), 'Vantrel');
        assert.deepEqual(await h.until(() => page.evaluate(() => {
            const img = document.getElementById('imgSplash');
            return img.complete && [img.naturalWidth, img.naturalHeight];
        }), 'the title picture'), [F.kSplashPictureWidth, F.kSplashPictureHeight]);
        await skipsOnly(page, engine.fileUrl, () => page.click('#imgSplash'));
        // Everything is inside the file, its icon too.
        assert.deepEqual(await page.evaluate(() => performance.getEntriesByType('resource')
            .map((r) => r.name).filter((u) => !u.startsWith('data:'))), []);
        assert.match(await page.evaluate(() => document.querySelector('link[rel=icon]').href),
                     /^data:image\/png;base64,/);
    });
}

// On a phone-sized touch screen the touch buttons appear and play.
async function phone(engine) {
    const page = await open(engine, { phone: true });
    const { width, height, deviceScaleFactor } = PHONE;
    await check("a phone's screen, with touch; the splash as wide, ended by a tap that does nothing else", async () => {
        await page.goto(engine.url);
        assert.deepEqual(await page.evaluate(() => [innerWidth, innerHeight, devicePixelRatio,
                                                    navigator.maxTouchPoints > 0 ||
                                                    matchMedia('(any-pointer: coarse)').matches]),
        [width, height, deviceScaleFactor, true]);
        assert.equal((await rect(page, '#frmSplash')).width, width);
        await skipsOnly(page, engine.url, () => page.tap('#imgSplash'));
    });
    await check("the touch buttons named as they say, the thumbs' low; the board as wide as fits", async () => {
        assert.deepEqual(await page.evaluate(() => [...document.querySelectorAll('#pad button')]
            .filter((b) => b.checkVisibility()).map((b) => [b.textContent, b.getAttribute('aria-label')])),
        ['Left', 'Right', 'Fire', 'New game', 'Help', 'Quit'].map((name) => [name, name]));
        // The touch line, and no keys' line but where the main pointer is a
        // mouse, as in the WebKit view on a virtual X server.
        assert.equal(await shown(page, 'touchLegend'), h.pageText('touchLegend'));
        if (engineName !== 'webkit') assert.equal(await shown(page, 'keysLegend'), null);
        // The board fills the phone's width in whole device pixels per cell.
        const board = (await rect(page, '#frmMain')).width;
        const devicePixels = board * deviceScaleFactor;
        assert.ok(Math.abs(devicePixels - F.kClientWidth * Math.round(devicePixels / F.kClientWidth)) < 0.1 &&
                  board <= width && board > 300, `board ${board} px wide`);
        // The thumbs' buttons at the bottom, the game's commands at the top, apart.
        const [left, fire, quit, main] = await Promise.all([button('Left'), '#pad .fire', button('Quit'),
                                                            '#frmMain'].map((s) => rect(page, s)));
        assert.ok(left.bottom > height - 100 && fire.bottom > height - 100, JSON.stringify([left, fire]));
        assert.ok(quit.bottom < main.top && left.top - quit.bottom > 300, JSON.stringify([quit, left]));
        assert.deepEqual(await axeFinds(page), [], 'axe-core');
    });
    await check('a touch button acts on the press, and a held one repeats a beat at a time', async () => {
        const { l, frames, inputs } = await holdRepeats(page, () => page.hold(button('Right'), 6 * TICK_MS), 1);
        const pressedAt = l.inputs[inputs];
        const first = l.frames.find((f) => f.t > pressedAt);
        assert.ok(first.t < pressedAt + 2 * TICK_MS && cannonCol(first) === cannonCol(l.frames[frames - 1]) + 1,
                  `on the press: ${first.t - pressedAt} ms after it, column ${cannonCol(first)}`);
    });
    await check('the touch buttons play: Left, Right, Fire', async () => {
        const label = { left: 'Left', right: 'Right', fire: 'Fire' };
        await steersAndFires(page, (command) => frameAfter(page, () => page.tap(button(label[command]))));
    });
    await check('Help shows the help box, the buttons named under it; its OK closes it', async () => {
        await page.tap(button('Help'));
        await helpBox(page, 1, h.pageText('boxNote'));
        await page.tap('dialog button');
        await closedBox(page, 1);
    });
    if (page.resize) {
        await check('on its side: steering left of the board, fire right of it, the board larger', async () => {
            await page.resize({ ...PHONE, width: height, height: width });
            await h.sleep(200);
            const [board, steer, fire] = await Promise.all(['#frmMain', '#pad .steer', '#pad .fire']
                .map((s) => rect(page, s)));
            assert.ok(board.width >= 2 * F.kClientWidth && board.bottom <= width, JSON.stringify(board));
            assert.ok(steer.right < board.left && fire.left > board.right, JSON.stringify([steer, fire]));
        });
    }
    if (page.cdp) {
        await check('installable: Chromium finds nothing missing, and the icons it asks for', async () => {
            await h.until(() => page.evaluate(() => !!navigator.serviceWorker.controller), 'the service worker');
            assert.deepEqual((await page.cdp('Page.getInstallabilityErrors')).installabilityErrors, []);
            const manifest = await page.cdp('Page.getAppManifest');
            assert.deepEqual(manifest.errors, []);
            assert.deepEqual(JSON.parse(manifest.data).icons.map((icon) => [icon.sizes, icon.purpose || 'any']),
                             [['192x192', 'any'], ['512x512', 'any'], ['512x512', 'maskable']]);
        });
    }
}

async function main() {
    let engine;
    try {
        engine = await engines[engineName](modulesDir, webDir);
        for (const scenario of [codeLost, splashToLoss, keys, singleFile, phone]) await scenario(engine);
        await check('no console error or uncaught exception on any page', async () => {
            await closeCurrent();
            assert.deepEqual(problems, []);
        });
        console.log(`${engineName} (${engine.version}): ${passed} passed, 0 failed`);
        return 0;
    } catch (error) {
        console.error(`${engineName}: FAILED after ${passed} checks\n${error.stack || error}`);
        return 1;
    } finally {
        await current?.close().catch(() => {});
        await engine?.close();
    }
}

process.exitCode = await main();
