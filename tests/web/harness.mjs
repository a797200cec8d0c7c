// What the browser tests and the bench share: a static server for the web
// folder on 127.0.0.1, headless Chromium through puppeteer-core, and a
// recorder of board frames and message boxes that runs inside the page.
import { existsSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { createRequire } from 'node:module';

export const CHROMIUM = process.env.VANTREL_CHROMIUM || '/usr/bin/chromium';
export const SKIP = 77;

export { serve } from '../../ui/web/serve.mjs';

// puppeteer-core from the node_modules that `npm ci` filled (its folder is
// given), or exit 77 when a package is missing.
export function loadPuppeteer(modulesParent) {
    if (!existsSync(CHROMIUM)) {
        console.log(`SKIP: ${CHROMIUM} not found (Debian package chromium)`);
        process.exit(SKIP);
    }
    try {
        return createRequire(resolve(modulesParent, 'package.json'))('puppeteer-core');
    } catch {
        console.log(`SKIP: puppeteer-core not installed in ${modulesParent} (npm ci)`);
        process.exit(SKIP);
    }
}

// Chromium as root needs --no-sandbox. The rest keeps a headless browser from
// reaching out to the network for updates, sync and field trials, and the
// fresh profile keeps runs apart.
export async function launch(puppeteer) {
    const profile = mkdtempSync(join(tmpdir(), 'vantrel-chromium-'));
    const browser = await puppeteer.launch({
        executablePath: CHROMIUM,
        headless: true,
        userDataDir: profile,
        args: ['--no-sandbox', '--disable-background-networking', '--disable-component-update',
               '--disable-sync', '--no-first-run', '--disable-quic', '--disable-default-apps',
               '--disable-extensions', '--no-default-browser-check', '--no-pings',
               '--disable-domain-reliability', '--disable-client-side-phishing-detection',
               '--disable-features=Translate,OptimizationHints,MediaRouter',
               '--disable-background-timer-throttling', '--disable-renderer-backgrounding'],
    });
    const close = browser.close.bind(browser);
    browser.close = async () => {
        await close();
        rmSync(profile, { recursive: true, force: true });
    };
    return browser;
}

// Runs in the page before its own scripts: notes every board frame (the
// eight row texts after a change), every box opened and closed, every piece
// of news for screen readers and every input, each with its time since
// navigation began.
function recordInPage() {
    const log = (window.vantrelLog = { frames: [], boxes: [], news: [], shown: null, inputs: [] });
    // When each key-down and click reached the page, before the page's own
    // handlers saw it.
    for (const type of ['keydown', 'click']) {
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
// uncaught exceptions in `page.problems`.
export async function recordingPage(browser) {
    const page = await browser.newPage();
    page.problems = [];
    page.on('console', (message) => {
        if (message.type() === 'error') page.problems.push(`console: ${message.text()}`);
    });
    page.on('pageerror', (error) => page.problems.push(`page error: ${error.message}`));
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
        if (Date.now() > deadline) throw new Error(`timed out waiting for ${what}`);
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
