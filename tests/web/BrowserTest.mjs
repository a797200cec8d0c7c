// Plays the browser build in headless Chromium through its page contract (the
// element ids, the dialog, the touch buttons) and checks what a player sees:
//   node BrowserTest.mjs SCENARIO WEB_DIR MODULES_DIR REPLAY_CASES_DIR
// SCENARIO is one of the names in `scenarios` below. Exit 0 passed, 1 failed,
// 77 skipped (Chromium or puppeteer-core missing).
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import * as h from './harness.mjs';

const [scenario, webDir, modulesDir, casesDir] = process.argv.slice(2);
const { TICK_MS, EARLY_MS, OPENING, HELP, KEYS_LEGEND, TOUCH_LEGEND, cannonCol, shotAt, openBox, closedBox,
        frameAfter } = h;
const IDLE = h.idleFrames(casesDir);
const TOUCH_HELP = 'On this screen, Left and Right steer, Fire shoots, Quit quits and New game restarts.';

// The texts a player sees under the board: each legend's, or null where it
// is not shown.
const legends = (page) => page.evaluate(() => Object.fromEntries(['keysLegend', 'touchLegend'].map(
    (id) => [id, document.getElementById(id).checkVisibility() ? document.getElementById(id).textContent : null])));

// A key-down as the browser would report it, with the physical key and its
// meaning given apart (so a layout can be simulated), optionally marked as an
// auto-repeat; then its key-up.
async function key(page, code, keyValue, { repeat = false, vk = 0 } = {}) {
    const cdp = page.cdpSession || (page.cdpSession = await page.createCDPSession());
    await cdp.send('Input.dispatchKeyEvent', { type: 'rawKeyDown', code, key: keyValue,
                                              windowsVirtualKeyCode: vk, autoRepeat: repeat });
    await cdp.send('Input.dispatchKeyEvent', { type: 'keyUp', code, key: keyValue,
                                              windowsVirtualKeyCode: vk });
}

// Several key-downs in one task of the page, so that no tick can fall between
// them however loaded the machine is.
const keysInOneTask = (page, events) => page.evaluate((list) => {
    for (const init of list) document.dispatchEvent(new KeyboardEvent('keydown', init));
}, events);

const scenarios = {
    // The splash, its handover by the timer, the opening picture, the first
    // tick, the board's geometry, X under a non-Latin layout, and the loss box
    // 63 ticks after that restart with no tick behind it.
    async timerAndLoss(browser, url) {
        const page = await h.recordingPage(browser);
        await page.setViewport({ width: 800, height: 600 });
        await page.goto(url);
        assert.equal(await page.title(), 'Vantrel');
        assert.deepEqual(await h.splashLayout(page), h.SPLASH_LAYOUT);
        // A click does not skip the splash.
        await page.mouse.click(400, 300);

        const shown = await h.boardShown(page);
        assert.ok(shown >= 2000 - EARLY_MS, `board shown after ${shown} ms, before the splash's time`);
        let l = await h.framesBeyond(page, 1);
        assert.deepEqual(l.frames[0].rows, OPENING, 'the opening picture');
        assert.deepEqual(l.frames[1].rows, IDLE[0], 'the first tick');
        assert.ok(l.frames[1].t - shown >= TICK_MS - EARLY_MS, 'opening picture held for a beat');
        assert.equal(await page.$('#frmSplash'), null, 'the splash is gone');

        // At 800 x 600 the board is drawn three times as large: cells of 39 x 60.
        const geometry = await page.evaluate(() => {
            const board = document.getElementById('frmMain').getBoundingClientRect();
            const row = document.getElementById('lblGame7').getBoundingClientRect();
            return { board: [board.width, board.height],
                     row: [row.x - board.x, row.y - board.y, Math.round(row.width), row.height],
                     pad: document.getElementById('pad').checkVisibility() };
        });
        assert.deepEqual(geometry, { board: [636, 438], row: [24, 360, 15 * 39, 60], pad: false });
        assert.deepEqual(await legends(page), { keysLegend: KEYS_LEGEND, touchLegend: null },
                         'the keys under the board, and no touch legend');

        // Screen readers find the board as a list of eight rows, each read
        // as its text and described by its number and the columns of what
        // stands on it.
        const tree = await page.accessibility.snapshot({ interestingOnly: false });
        const lists = [];
        (function walk(node) {
            if (node.role === 'list') lists.push(node);
            (node.children || []).forEach(walk);
        })(tree);
        assert.equal(lists.length, 1, 'one list');
        assert.equal(lists[0].name, 'Board');
        const items = lists[0].children.map((item) => ({
            text: (item.children || []).map((c) => c.name).join(''),
            description: item.description }));
        assert.deepEqual(items.map((item) => item.text), (await h.log(page)).frames.at(-1).rows,
                         'each row reads as its text');
        const columns = (text, glyph) => [...text].flatMap((g, i) => (g === glyph ? [i + 1] : []));
        assert.deepEqual(items.map((item) => item.description), items.map((item, r) => {
            const aliens = columns(item.text, 'V');
            return `Board row ${r + 1} of 8` + (aliens.length ? `: aliens in columns ${aliens.join(', ')}`
                : r === 7 ? `: cannon in column ${columns(item.text, 'A')[0]}` : '');
        }));

        // X on a Russian layout: the key says "ч", the physical key is X.
        const before = (await h.framesBeyond(page, 3)).frames.length;
        await key(page, 'KeyX', 'ч', { vk: 88 });
        const box = await openBox(page, 1, 62 * TICK_MS + 10000);
        l = await h.log(page);
        // A tick of the old game may still fall between reading the count and
        // the key; the new game starts at the first frame of a fresh one.
        const restartedAt = l.frames.findIndex((f, i) => i >= before &&
            f.rows.join('\n') === IDLE[0].join('\n'));
        assert.ok(restartedAt >= before && restartedAt <= before + 1, 'X restarts at once');
        const played = l.frames.slice(restartedAt).map((f) => f.rows);
        assert.deepEqual(played, IDLE.slice(0, 62), 'after X the game starts over, tick by tick');
        assert.deepEqual([box.title, box.prompt, box.buttons], ['Sorry!', 'You lose!', ['OK']]);
        // What a reader heard of that game through the news region: the new
        // game, then each drop of the wave, the last one before the box. (The
        // session paces the news; its own tests pin that.)
        const heard = l.news.filter((n) => n.t >= l.frames[restartedAt].t);
        assert.deepEqual(heard.map((n) => n.text), ['new game',
            ...[2, 3, 4, 5, 6, 7, 8].map((row) => `wave on row ${row}`)]);
        assert.ok(heard.at(-1).t <= box.opened, 'the wave on the last row is said before the box');

        await h.sleep(3 * TICK_MS);
        l = await h.log(page);
        assert.equal(l.frames.length, restartedAt + 62, 'no tick while the loss box is open');
        // Escape answers OK: the reset board at once, then the beat resumes.
        await page.keyboard.press('Escape');
        const closed = (await closedBox(page, 1)).closed;
        l = await h.framesBeyond(page, restartedAt + 63);
        assert.deepEqual(l.frames[restartedAt + 62].rows, IDLE[62]);
        assert.deepEqual(l.frames[restartedAt + 63].rows, IDLE[0]);
        assert.ok(l.frames[restartedAt + 63].t - closed >= TICK_MS - EARLY_MS,
                  'a full beat after the box');
        return page;
    },

    // A key skips the splash and does nothing else; the arrows latch once
    // per beat, Space fires once; F1 and Escape show their boxes with nothing
    // behind them; Yes ends the game for good.
    async keys(browser, url) {
        const page = await h.recordingPage(browser);
        const shown = await h.skipSplash(page, url, () => key(page, 'ArrowLeft', 'ArrowLeft', { vk: 37 }));
        // Past the splash's own time the game runs on from that one handover.
        await h.sleep(2500 - shown);
        let l = await h.log(page);
        assert.deepEqual(l.frames.map((f) => f.rows), [OPENING, ...IDLE.slice(0, l.frames.length - 1)],
                         'one handover; the key that skipped the splash latched nothing');

        const right = { code: 'ArrowRight', key: 'ArrowRight' };
        let frame = await frameAfter(page, () => keysInOneTask(page, [
            right, { ...right, repeat: true }, { ...right, repeat: true }]));
        assert.equal(cannonCol(frame), 8, 'a press and two repeats in one beat move one column');
        l = await h.framesBeyond(page, (await h.log(page)).frames.length);
        assert.equal(cannonCol(l.frames[l.frames.length - 1]), 8, 'and nothing is left over');

        frame = await frameAfter(page, () => page.keyboard.press('Space'));
        assert.deepEqual(shotAt(frame), [[6, 8]], 'Space fires from the cannon');
        frame = await frameAfter(page, () => page.keyboard.press('Space'));
        assert.deepEqual(shotAt(frame), [[5, 8]], 'one shot at a time');

        // F1: the help box, with the keyboard; nothing moves behind it.
        await page.keyboard.press('F1');
        let box = await openBox(page, 1);
        assert.deepEqual([box.title, box.prompt, box.buttons], ['Help File', HELP, ['OK']]);
        assert.equal(await page.evaluate(() => document.activeElement.textContent), 'OK');
        assert.equal(await page.$eval('#boxNote', (e) => e.checkVisibility()), false,
                     'no word of touch buttons on a desktop');
        assert.equal((await page.accessibility.snapshot({ root: await page.$('dialog') })).description,
                     HELP, 'nor for a screen reader');
        const framesAtBox = (await h.log(page)).frames.length;
        await key(page, 'ArrowLeft', 'ArrowLeft', { vk: 37 });
        await h.sleep(3 * TICK_MS);
        assert.equal((await h.log(page)).frames.length, framesAtBox, 'no tick behind the help box');
        await page.keyboard.press('Enter');
        box = await closedBox(page, 1);
        l = await h.framesBeyond(page, framesAtBox);
        assert.ok(l.frames[framesAtBox].t - box.closed >= TICK_MS - EARLY_MS, 'a full beat after');
        assert.equal(cannonCol(l.frames[framesAtBox]), 8, 'keys on the box do not reach the game');

        // Escape, No: the game goes on.
        await page.keyboard.press('Escape');
        box = await openBox(page, 2);
        assert.deepEqual([box.title, box.prompt, box.buttons],
                         ['', 'Are you sure you want to quit?', ['Yes', 'No']]);
        assert.equal(await page.evaluate(() => document.activeElement.textContent), 'Yes');
        await page.keyboard.press('Escape');
        await closedBox(page, 2);
        await h.framesBeyond(page, (await h.log(page)).frames.length);

        // Escape, Yes (the default button): the end, for good.
        await page.keyboard.press('Escape');
        await openBox(page, 3);
        await page.keyboard.press('Enter');
        await closedBox(page, 3);
        const endedAt = (await h.log(page)).frames.length;
        assert.equal(await page.$eval('#ended', (e) => e.checkVisibility() && e.textContent.trim()
            .replace(/\s+/g, ' ')), 'The game has ended. Play again');
        for (const [code, name] of [['KeyX', 'x'], ['F1', 'F1'], ['Escape', 'Escape'], ['Space', ' ']]) {
            await key(page, code, name);
        }
        await h.sleep(4 * TICK_MS);
        l = await h.log(page);
        assert.equal(l.frames.length, endedAt, 'no tick after the end');
        assert.equal(l.boxes.length, 3, 'no key after the end');
        await Promise.all([page.waitForNavigation(), page.click('#again')]);
        assert.ok(await page.$eval('#frmSplash', (e) => e.checkVisibility()), 'play again');
        return page;
    },

    // The one file plays from disk, and loads nothing from anywhere.
    async singleFile(browser) {
        const page = await h.recordingPage(browser);
        const fetched = [];
        page.on('request', (request) => fetched.push(request.url()));
        const file = pathToFileURL(join(webDir, 'vantrel.html')).href;
        await page.goto(file);
        assert.equal(await page.title(), 'Vantrel');
        assert.deepEqual(await page.$eval('#imgSplash', (img) => [img.naturalWidth, img.naturalHeight]),
                         [624, 51]);
        await page.keyboard.press('Space');
        const l = await h.framesBeyond(page, 1);
        assert.deepEqual(l.frames[1].rows, IDLE[0]);
        const elsewhere = fetched.filter((u) => u !== file && !u.startsWith('data:'));
        assert.deepEqual(elsewhere, [], 'everything is inside the file');
        assert.match(await page.$eval('link[rel=icon]', (link) => link.href), /^data:image\/png;base64,/);
        return page;
    },

    // On a touch screen the on-screen keys appear and play; a tap on the
    // splash does not skip it; the board fills a phone's width sharply.
    async touch(browser, url) {
        const page = await h.recordingPage(browser);
        await page.emulate({ userAgent: await browser.userAgent(),
                             viewport: { width: 390, height: 844, deviceScaleFactor: 3,
                                         isMobile: true, hasTouch: true } });
        await page.goto(url);
        // The title fills the width, measured once the page has settled.
        assert.equal(await page.$eval('#frmSplash', (e) => e.getBoundingClientRect().width), 390);
        await page.touchscreen.tap(195, 400);
        assert.ok(await h.boardShown(page) >= 2000 - EARLY_MS, 'a tap does not skip the splash');

        const sizes = await page.evaluate(() => {
            const board = document.getElementById('frmMain').getBoundingClientRect();
            const visible = [...document.querySelectorAll('#pad button')].filter((b) => b.checkVisibility())
                .map((b) => [b.textContent, b.getAttribute('aria-label')]);
            return { width: board.width, visible };
        });
        // Each button says what it does, and is named so.
        assert.deepEqual(sizes.visible, ['Left', 'Fire', 'Right', 'New game', 'Help', 'Quit']
            .map((name) => [name, name]));
        assert.deepEqual(await legends(page), { keysLegend: null, touchLegend: TOUCH_LEGEND });
        // Layout rounds to 1/64 px; a whole number of device pixels per cell
        // leaves the width a whole multiple of 212 device pixels.
        const devicePixels = sizes.width * 3;
        assert.ok(Math.abs(devicePixels - 212 * Math.round(devicePixels / 212)) < 0.1 &&
                  sizes.width <= 390 && sizes.width > 300, `board ${sizes.width} px wide`);

        const button = (label) => page.$(`#pad button[aria-label="${label}"]`);
        let frame = await frameAfter(page, async () => (await button('Left')).tap());
        assert.equal(cannonCol(frame), 6, 'Left');
        frame = await frameAfter(page, async () => (await button('Right')).tap());
        assert.equal(cannonCol(frame), 7, 'Right');
        frame = await frameAfter(page, async () => (await button('Fire')).tap());
        assert.deepEqual(shotAt(frame), [[6, 7]], 'Fire');
        // The game's help, and under it the buttons for its keys.
        await (await button('Help')).tap();
        const box = await openBox(page, 1);
        assert.deepEqual([box.title, box.prompt], ['Help File', HELP]);
        assert.equal(await page.$eval('#boxNote', (e) => e.checkVisibility() && e.textContent), TOUCH_HELP);
        assert.equal((await page.accessibility.snapshot({ root: await page.$('dialog') })).description,
                     `${HELP} ${TOUCH_HELP}`);
        await (await page.$('dialog button')).tap();
        await closedBox(page, 1);
        return page;
    },
};

async function main() {
    const run = scenarios[scenario];
    if (!run) {
        console.error(`unknown scenario '${scenario}'; one of ${Object.keys(scenarios).join(', ')}`);
        return 2;
    }
    const puppeteer = h.loadPuppeteer(modulesDir);
    const server = await h.serve(webDir);
    const browser = await h.launch(puppeteer);
    try {
        const page = await run(browser, server.url);
        await h.sleep(100);
        assert.deepEqual(page.problems, [], 'no console errors');
        console.log(`${scenario}: passed`);
        return 0;
    } catch (error) {
        console.error(`${scenario}: FAILED\n${error.stack || error}`);
        return 1;
    } finally {
        await browser.close();
        await server.close();
    }
}

process.exitCode = await main();
