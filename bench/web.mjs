// Measures the browser build in headless Chromium and prints one table;
// asserts nothing.
//   node bench/web.mjs WEB_DIR MODULES_DIR [RUNS]
// - the game's code: the module's script (inside the page) + vantrel.wasm,
//   raw and gzipped;
// - navigation to the first board frame (the opening picture): with the
//   splash skipped by a key at once, beside a bare page that draws the same
//   eight rows from a script inside it, and one that draws them from a script
//   file of its own, and the game's own page with none of its code (runs
//   interleaved, and the ratios to the first), and with no key (the
//   splash's 2 s). Each is timed to the painted frame that shows
//   the board, and to the change of the page that shows it;
// - the step timer: error of the period over 60 ticks (median and max).
import { copyFileSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { loadavg, tmpdir } from 'node:os';
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

// When the frame that shows the board is painted: a frame's callback runs
// before its style, layout and paint, and a message posted from it after
// them. Pages are timed alike this way, whatever each does before its frame
// (the game's page lays the board out as it shows it, the bare page later).
function paintedInPage() {
    document.addEventListener('DOMContentLoaded', () => {
        const board = document.getElementById('frmMain');
        new MutationObserver((changes, observer) => {
            if (board.hidden) return;
            observer.disconnect();
            requestAnimationFrame(() => {
                const channel = new MessageChannel();
                channel.port1.onmessage = () => { window.vantrelPainted = performance.now(); };
                channel.port2.postMessage(null);
            });
        }).observe(board, { attributes: true, attributeFilter: ['hidden'] });
    });
}

// Each load in a fresh browser context, as a first visit: no service worker
// from the last load answers for the server. Returns the times of the board's
// painted frame and of the change that showed it.
async function firstFrame(browser, url, withKey) {
    const context = await browser.createBrowserContext();
    const page = await h.recordingPage(context);
    // The frame is watched for before the key is sent: a module ready by
    // then shows the board on the key at once.
    await page.evaluateOnNewDocument(paintedInPage);
    if (withKey) await page.evaluateOnNewDocument(keyAtOnce);
    await page.goto(url);
    const painted = await h.until(() => page.evaluate(() => window.vantrelPainted), 'the board', 10000);
    const { shown } = await h.log(page);
    await context.close();
    return { painted, shown };
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
// inline script as soon as the page is parsed, with no module to load. The
// second bare page draws them from a script file, loaded as the game's
// module is (async, from the head): what a page pays for code in a file.
const DRAW = `${[...Array(8).keys()].map((r) => `lblGame${r}.textContent = 'V V V V';`).join('')}
frmMain.hidden = false;`;
const barePage = (head, body) => `<!doctype html><html lang="en"><head><meta charset="utf-8">
<title>bare</title>${head}</head><body>
<main id="frmMain" hidden>${[...Array(8).keys()].map((r) => `<div id="lblGame${r}"></div>`).join('')}
<div id="news"></div></main><dialog></dialog>${body}</body></html>`;
const BARE = barePage('', `<script>document.addEventListener('DOMContentLoaded', () => {\n${DRAW} });</script>`);
const BARE_FILE = barePage('<script src="draw.js" async></script>', '');
const BARE_DRAW_JS = `function draw() {\n${DRAW}\n}
if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', draw);
else draw();\n`;

// The game's page with its markup, style sheet and splash picture but none of
// its code: no scripts, no wasm, no manifest; an inline script shows the
// opening board (at its smallest size) as the bare page draws its rows.
// Between it and the game's page is what the game's code costs to start.
function markupPage(webDir) {
    const page = readFileSync(join(webDir, 'index.html'), 'utf8')
        .replace(/<script>[\s\S]*?<\/script>\n?/g, '')
        .replace(/<link rel="(?:preload|manifest)"[^>]*>\n?/g, '');
    const rows = h.OPENING.map((text, row) => `lblGame${row}.textContent = ${JSON.stringify(text)};`).join('');
    return page.replace('</body>', `<script>document.addEventListener('DOMContentLoaded', () => {
${rows} frmSplash.remove(); frmMain.hidden = false; });</script>\n</body>`);
}

const range = (values) => `${median(values).toFixed(1)} ms (${Math.min(...values).toFixed(1)}–` +
    `${Math.max(...values).toFixed(1)})`;
const loads = () => loadavg().map((load) => load.toFixed(2)).join(' ');

const puppeteer = h.loadPuppeteer(modulesDir);
const server = await h.serve(webDir);
const bareDir = mkdtempSync(join(tmpdir(), 'vantrel-bare-'));
writeFileSync(join(bareDir, 'index.html'), BARE);
writeFileSync(join(bareDir, 'file.html'), BARE_FILE);
writeFileSync(join(bareDir, 'draw.js'), BARE_DRAW_JS);
writeFileSync(join(bareDir, 'markup.html'), markupPage(webDir));
for (const picture of ['splash.png', 'vantrel.png', 'vantrel-touch-180.png']) {
    copyFileSync(join(webDir, picture), join(bareDir, picture));
}
const bareServer = await h.serve(bareDir);
const browser = await h.launch(puppeteer);
try {
    const size = codeSize(webDir);
    const pages = { keyed: [server.url, true], bare: [bareServer.url, false],
                    bareFile: [bareServer.url + 'file.html', false],
                    markup: [bareServer.url + 'markup.html', false] };
    const times = { keyed: [], bare: [], bareFile: [], markup: [], unkeyed: [] };
    for (const [url, withKey] of Object.values(pages)) await firstFrame(browser, url, withKey); // warms the caches
    const loadBefore = loads();
    for (let run = 0; run < RUNS; ++run) {
        for (const [name, [url, withKey]] of Object.entries(pages)) {
            times[name].push(await firstFrame(browser, url, withKey));
        }
    }
    for (let run = 0; run < RUNS; ++run) times.unkeyed.push(await firstFrame(browser, server.url, false));
    const loadAfter = loads();
    const errors = await tickErrors(browser, server.url);
    const painted = (name) => times[name].map((t) => t.painted);
    const shown = (name) => times[name].map((t) => t.shown);
    const ratio = (of, name) => (median(of('keyed')) / median(of(name))).toFixed(2);

    console.log(`Headless Chromium ${(await browser.version()).replace(/^.*\//, '')}, ` +
                `page served from 127.0.0.1; load average ${loadBefore} before the loads, ` +
                `${loadAfter} after\n`);
    console.log('| Measure | browser build |');
    console.log('|---|---|');
    console.log(`| module script + vantrel.wasm | ${(size.raw / 1024).toFixed(1)} KiB, ` +
                `${(size.gzipped / 1024).toFixed(1)} KiB gzipped |`);
    console.log(`| navigation → first board frame painted, splash skipped by a key, median of ${RUNS} ` +
                `(min–max) | ${range(painted('keyed'))} |`);
    console.log(`| navigation → the bare page's rows painted, median of ${RUNS} (min–max) | ` +
                `${range(painted('bare'))} |`);
    console.log(`| the same, drawn from a script file, median of ${RUNS} (min–max) | ` +
                `${range(painted('bareFile'))} |`);
    console.log(`| the game's page without its code, board shown inline, median of ${RUNS} (min–max) | ` +
                `${range(painted('markup'))} |`);
    console.log(`| first board frame / bare page, medians, painted (page changed) | ` +
                `${ratio(painted, 'bare')} (${ratio(shown, 'bare')}) |`);
    console.log(`| first board frame / bare page from a script file, medians, painted (page changed) | ` +
                `${ratio(painted, 'bareFile')} (${ratio(shown, 'bareFile')}) |`);
    console.log(`| the page without its code / bare page, medians, painted (page changed) | ` +
                `${(median(painted('markup')) / median(painted('bare'))).toFixed(2)} ` +
                `(${(median(shown('markup')) / median(shown('bare'))).toFixed(2)}) |`);
    console.log(`| navigation → first board frame painted, no key, median of ${RUNS} (min–max) | ` +
                `${range(painted('unkeyed'))} |`);
    console.log(`| tick period error over ${errors.length} ticks, median / max | ` +
                `${median(errors).toFixed(2)} / ${Math.max(...errors).toFixed(2)} ms |`);
} finally {
    await browser.close();
    await server.close();
    await bareServer.close();
    rmSync(bareDir, { recursive: true, force: true });
}
