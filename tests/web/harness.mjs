// What the browser tests and the bench share: a static server for the web
// folder on 127.0.0.1, headless Chromium through puppeteer-core, a recorder
// of board frames and message boxes that runs inside the page, and the page
// contract read through it (the pictures the game draws, its boxes).
import { existsSync, readFileSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { createRequire } from 'node:module';

export const CHROMIUM = process.env.VANTREL_CHROMIUM || '/usr/bin/chromium';
export const SKIP = 77;

export { serve } from '../../ui/web/serve.mjs';

// Exits 77 (skipped) unless `condition` holds, naming what is missing.
export function skipUnless(condition, what) {
    if (condition) return;
    console.log(`SKIP: ${what} not installed`);
    process.exit(SKIP);
}

// puppeteer-core from the node_modules that `npm ci` filled (its folder is
// given), or exit 77 when a package is missing.
export function loadPuppeteer(modulesParent) {
    skipUnless(existsSync(CHROMIUM), `${CHROMIUM} (Debian package chromium)`);
    try {
        return createRequire(resolve(modulesParent, 'package.json'))('puppeteer-core');
    } catch {
        return skipUnless(false, `puppeteer-core in ${modulesParent} (npm ci)`);
    }
}

// Chromium as root needs --no-sandbox. The rest, with puppeteer's own
// defaults and its fresh profile, keeps a headless browser from reaching out
// to the network.
export const launch = (puppeteer) => puppeteer.launch({
    executablePath: CHROMIUM, headless: true,
    args: ['--no-sandbox', '--disable-component-update', '--disable-quic', '--no-default-browser-check',
           '--no-pings', '--disable-domain-reliability'],
});

// Runs in the page before its own scripts: notes every board frame (the
// eight row texts after a change), every box opened and closed, every piece
// of news for screen readers and every input, each with its time since
// navigation began.
export function recordInPage() {
    const log = (window.vantrelLog = { frames: [], boxes: [], news: [], shown: null, inputs: [] });
    // When each key-down, press of a pointer and click reached the page,
    // before the page's own handlers saw it.
    for (const type of ['keydown', 'pointerdown', 'click']) {
        window.addEventListener(type, () => log.inputs.push(performance.now()), true);
    }
    document.addEventListener('DOMContentLoaded', () => {
        const board = document.getElementById('frmMain');
        if (!board) return; // not the game's page
        const rows = [...Array(8).keys()].map((r) => document.getElementById('lblGame' + r));
        const snap = () => {
            const texts = rows.map((row) => row.textContent);
            const last = log.frames[log.frames.length - 1];
            if (!last || last.rows.join('\n') !== texts.join('\n')) {
                log.frames.push({ t: performance.now(), rows: texts });
            }
        };
        new MutationObserver(() => {
            if (log.shown === null && !board.hidden) log.shown = performance.now();
            if (log.shown !== null) snap();
        }).observe(board, { subtree: true, childList: true, characterData: true, attributes: true,
                            attributeFilter: ['hidden'] });
        // What a screen reader is given to say, from the polite news region.
        const news = document.getElementById('news');
        new MutationObserver(() => {
            log.news.push({ t: performance.now(), text: news.textContent });
        }).observe(news, { childList: true });
        const box = document.querySelector('dialog');
        new MutationObserver(() => {
            if (box.open) {
                log.boxes.push({ opened: performance.now(), closed: null,
                                 title: box.querySelector('.title').textContent,
                                 prompt: box.querySelector('.prompt').textContent,
                                 buttons: [...box.querySelectorAll('button')].map((b) => b.textContent) });
            } else if (log.boxes.length) {
                log.boxes[log.boxes.length - 1].closed = performance.now();
            }
        }).observe(box, { attributes: true, attributeFilter: ['open'] });
    });
}

// A new page that records frames and boxes, and collects console errors and
// uncaught exceptions, which `page.problems()` gives.
export async function recordingPage(browser) {
    const page = await browser.newPage();
    const problems = [];
    page.problems = () => problems;
    page.on('console', (message) => {
        if (message.type() === 'error') problems.push(`console: ${message.text()}`);
    });
    page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
    await page.evaluateOnNewDocument(recordInPage);
    return page;
}

export const log = (page) => page.evaluate(() => window.vantrelLog);

// Polls `probe` (async, on the node side) until it returns a truthy value.
export async function until(probe, what, timeoutMs = 10000) {
    const deadline = Date.now() + timeoutMs;
    for (;;) {
        const value = await probe();
        if (value) return value;
        if (Date.now() > deadline) throw new Error(`timed out after ${timeoutMs} ms waiting for ${what}`);
        await new Promise((resolve) => setTimeout(resolve, 20));
    }
}

// Waits until the page has recorded more than `count` frames; returns the log.
export function framesBeyond(page, count, timeoutMs = 3000) {
    return until(async () => {
        const l = await log(page);
        return l.frames.length > count && l;
    }, `frame ${count + 1}`, timeoutMs);
}

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// The game's figures and texts as the code gives them (session/Figures.h,
// input/KeyCommands.h and the page's own lines in ui/web/shell.html), rather
// than typed again: FIGURES.kTickMs, HELP, pageText('boxNote').
const source = (path) => readFileSync(new URL(`../../${path}`, import.meta.url), 'utf8');
export const FIGURES = Object.fromEntries([...source('session/Figures.h')
    .matchAll(/constexpr int (k\w+) = (\d+);/g)].map(([, name, value]) => [name, Number(value)]));
const text = (name) => [...new RegExp(`${name} =((?:\\s*"[^"]*")+);`).exec(source('input/KeyCommands.h'))[1]
    .matchAll(/"([^"]*)"/g)].map((m) => m[1]).join('');
export const HELP = text('kHelpPrompt');
export const QUIT = text('kQuitPrompt');
export const pageText = (id) => new RegExp(`id="${id}"[^>]*>([^<]*)<`).exec(source('ui/web/shell.html'))[1];
export const TICK_MS = FIGURES.kTickMs;
export const SPLASH_MS = FIGURES.kSplashMs;
// Timers may fire late on a loaded machine, never early; a little slack
// below covers the clocks' rounding.
export const EARLY_MS = 15;
export const OPENING = ['V V V V', '', '', '', '', '', '', '       A'];

// An idle game, tick by tick, from its golden replay (each `tick` prints the
// eight rows as |text|): the wave reaches the bottom on tick 63.
export function idleFrames(casesDir) {
    const rows = readFileSync(join(casesDir, 'loss.out'), 'utf8').split('\n')
        .filter((line) => line.startsWith('|')).map((line) => line.slice(1, -1));
    return Array.from({ length: rows.length / 8 }, (_, i) => rows.slice(8 * i, 8 * i + 8));
}

export const cannonCol = (frame) => frame.rows[7].indexOf('A');
export const shotAt = (frame) => frame.rows.flatMap((text, row) =>
    [...text].flatMap((glyph, col) => (glyph === "'" ? [[row, col]] : [])));

// When the board showed, in ms since navigation began.
export const boardShown = (page, timeoutMs = 6000) =>
    until(async () => (await log(page)).shown, 'the board', timeoutMs);

// Loads `url` and at once presses a key (`press()`) at the splash; returns
// when the board showed. The splash's time starts after navigation, so a
// board shown within it can only be the key's doing. A later one tells
// nothing (a loaded machine can be that slow after a skip, too): then the
// page loads again, three times at most.
export async function skipSplash(page, url, press) {
    const shown = [];
    while (shown.length < 3) {
        await page.goto(url);
        await press();
        shown.push(await boardShown(page));
        if (shown.at(-1) < SPLASH_MS) return shown.at(-1);
    }
    throw new Error(`the board showed at ${shown.map(Math.round)} ms, never within the splash`);
}

// Box number `count` (its title, prompt and buttons) once it is open, or
// once it is closed again.
export const openBox = (page, count, timeoutMs = 5000) => until(async () =>
    (await log(page)).boxes[count - 1], `box ${count}`, timeoutMs);
export const closedBox = (page, count) => until(async () => {
    const box = (await log(page)).boxes[count - 1];
    return box.closed !== null && box;
}, `box ${count} to close`, 5000);

// Does `act` (which sends input), then returns the first frame drawn after
// the page received the last of it.
export async function frameAfter(page, act) {
    const inputs = (await log(page)).inputs.length;
    await act();
    const at = await until(async () => {
        const l = await log(page);
        return l.inputs.length > inputs && l.inputs[l.inputs.length - 1];
    }, 'the input to arrive', 3000);
    return until(async () => (await log(page)).frames.find((f) => f.t > at),
                 'a frame after the input', 3000);
}

// The page as a browser has it when its tab goes to the background (true) or
// comes back, with the event browsers send. Headless browsers never hide a
// page themselves.
export const setHidden = (page, hidden) => page.evaluate((value) => {
    Object.defineProperty(document, 'hidden', { configurable: true, get: () => value });
    Object.defineProperty(document, 'visibilityState', { configurable: true,
                                                         get: () => (value ? 'hidden' : 'visible') });
    document.dispatchEvent(new Event('visibilitychange'));
}, hidden);

// A gamepad in the standard mapping, as the Gamepad API gives it to the page:
// the buttons held down (by index: 0 bottom face button, 1 right, 8 Select,
// 9 Start, 14 and 15 the d-pad's left and right) and the left stick's x. The
// first call connects it; `connected: false` takes it away.
export const gamepad = (page, { buttons = [], x = 0, connected = true } = {}) =>
    page.evaluate((held, stickX, plugged) => {
        const pad = { id: 'Vantrel test pad (STANDARD GAMEPAD)', index: 0, connected: plugged,
                      mapping: 'standard', timestamp: performance.now(), axes: [stickX, 0, 0, 0],
                      buttons: [...Array(17).keys()].map((i) => ({
                          pressed: held.includes(i), touched: held.includes(i), value: held.includes(i) ? 1 : 0 })) };
        const news = !window.vantrelPad !== !plugged;
        window.vantrelPad = plugged ? pad : null;
        Object.defineProperty(navigator, 'getGamepads', { configurable: true,
                                                          value: () => [window.vantrelPad] });
        if (news) window.dispatchEvent(new Event(plugged ? 'gamepadconnected' : 'gamepaddisconnected'));
    }, buttons, x, connected);

// What axe-core finds on the page as it is now, with every rule it runs by
// default (best practices included): one line per rule broken, with the
// elements that break it. It runs in any engine's page through evaluate().
export async function axeViolations(page, modulesParent) {
    const require = createRequire(resolve(modulesParent, 'package.json'));
    const source = readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');
    await page.evaluate((code) => {
        if (!window.axe) (0, eval)(code);
        window.vantrelAxe = null;
        window.axe.run(document).then((results) => {
            window.vantrelAxe = results.violations.map((v) =>
                `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`);
        }, (error) => { window.vantrelAxe = [`axe-core failed: ${error}`]; });
    }, source);
    return until(() => page.evaluate(() => window.vantrelAxe), 'axe-core', 30000);
}
