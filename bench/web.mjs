// Measures the browser build in headless Chromium and prints one table;
// asserts nothing.
//   node bench/web.mjs WEB_DIR MODULES_DIR [RUNS]
// - the game's code: vantrel.js + vantrel.wasm, raw and gzipped;
// - navigation to the first board frame (the opening picture): with the
//   splash skipped by a key at once, beside a bare page that draws the same
//   eight rows from a script of its own (runs interleaved, and their ratio),
//   and with no key (the splash's 2 s);
// - the step timer: error of the period over 60 ticks (median and max).
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { codeSize } from '../tests/web/SizeBudget.mjs';
import * as h from '../tests/web/harness.mjs';

const [webDir, modulesDir, runsArg] = process.argv.slice(2);
const RUNS = Number(runsArg || 10);
const TICK_MS = 250;
const TICKS = 60;

const median = (values) => {
    const sorted = [...values].sort((a, b) => a - b);
    const middle = sorted.length >> 1;
    return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
};

// A key-down as soon as the page's elements exist: the splash hands over the
// moment the module is ready.
function keyAtOnce() {
    document.addEventListener('DOMContentLoaded', () => {
        document.dispatchEvent(new KeyboardEvent('keydown', { code: 'Space', key: ' ' }));
    });
}

// Each load in a fresh browser context, as a first visit: no service worker
// from the last load answers for the server.
async function firstFrame(browser, url, withKey) {
    const context = await browser.createBrowserContext();
    const page = await h.recordingPage(context);
    if (withKey) await page.evaluateOnNewDocument(keyAtOnce);
    await page.goto(url);
    const shown = await h.until(async () => (await h.log(page)).shown, 'the board', 10000);
    await context.close();
    return shown;
}

async function tickErrors(browser, url) {
    const page = await h.recordingPage(browser);
    await page.evaluateOnNewDocument(keyAtOnce);
    await page.goto(url);
    // The first frame is the opening picture; ticks follow. The idle game
    // loses on tick 63, so 60 intervals need no box.
    const l = await h.framesBeyond(page, TICKS + 1, (TICKS + 10) * TICK_MS);
    await page.close();
    const times = l.frames.slice(1, TICKS + 2).map((f) => f.t);
    return times.slice(1).map((t, i) => Math.abs(t - times[i] - TICK_MS));
}

// The least a page can do to show the board: the same elements, drawn by an
// inline script as soon as the page is parsed, with no module to load.
const BARE = `<!doctype html><html lang="en"><head><meta charset="utf-8"><title>bare</title></head><body>
<main id="frmMain" hidden>${[...Array(8).keys()].map((r) => `<div id="lblGame${r}"></div>`).join('')}
<div id="news"></div></main><dialog></dialog>
<script>document.addEventListener('DOMContentLoaded', () => {
${[...Array(8).keys()].map((r) => `lblGame${r}.textContent = 'V V V V';`).join('')}
frmMain.hidden = false; });</script></body></html>`;

const range = (values) => `${median(values).toFixed(1)} ms (${Math.min(...values).toFixed(1)}–` +
    `${Math.max(...values).toFixed(1)})`;

const puppeteer = h.loadPuppeteer(modulesDir);
const server = await h.serve(webDir);
const bareDir = mkdtempSync(join(tmpdir(), 'vantrel-bare-'));
writeFileSync(join(bareDir, 'index.html'), BARE);
const bareServer = await h.serve(bareDir);
const browser = await h.launch(puppeteer);
try {
    const size = codeSize(webDir);
    await firstFrame(browser, server.url, true); // warms the caches
    await firstFrame(browser, bareServer.url, false);
    const keyed = [], bare = [], unkeyed = [];
    for (let run = 0; run < RUNS; ++run) {
        keyed.push(await firstFrame(browser, server.url, true));
        bare.push(await firstFrame(browser, bareServer.url, false));
    }
    for (let run = 0; run < RUNS; ++run) unkeyed.push(await firstFrame(browser, server.url, false));
    const errors = await tickErrors(browser, server.url);

    console.log(`Headless Chromium ${(await browser.version()).replace(/^.*\//, '')}, ` +
                `page served from 127.0.0.1\n`);
    console.log('| Measure | browser build |');
    console.log('|---|---|');
    console.log(`| vantrel.js + vantrel.wasm | ${(size.raw / 1024).toFixed(1)} KiB, ` +
                `${(size.gzipped / 1024).toFixed(1)} KiB gzipped |`);
    console.log(`| navigation → first board frame, splash skipped by a key, median of ${RUNS} ` +
                `(min–max) | ${range(keyed)} |`);
    console.log(`| navigation → the bare page's rows, median of ${RUNS} (min–max) | ${range(bare)} |`);
    console.log(`| first board frame / bare page, medians | ${(median(keyed) / median(bare)).toFixed(2)} |`);
    console.log(`| navigation → first board frame, no key, median of ${RUNS} (min–max) | ` +
                `${range(unkeyed)} |`);
    console.log(`| tick period error over ${errors.length} ticks, median / max | ` +
                `${median(errors).toFixed(2)} / ${Math.max(...errors).toFixed(2)} ms |`);
} finally {
    await browser.close();
    await server.close();
    await bareServer.close();
    rmSync(bareDir, { recursive: true, force: true });
}
