// The three browser engines behind one small page interface, for the checks
// every engine must pass (EngineTest.mjs): Chromium, and Firefox ESR over
// WebDriver BiDi, through puppeteer-core; WebKitGTK through WebKitWebDriver,
// in W3C WebDriver over HTTP, in a virtual X server.
//
// engines[name](modulesDir, webDir) gives { version, url, fileUrl, site,
// open({ phone }), close() }: the page served at url (site.offline = true
// drops every connection), the single file at fileUrl. open() gives a
// recording page (harness.recordingPage) at 1024 × 768, or a phone's
// 390 × 844 at 3× with touch, with goto, evaluate, press(key), tap, click and
// hold(selector, ms) (a finger, or where the engine has no touch the mouse),
// problems() and close(); where puppeteer drives it also resize(viewport), and
// in Chromium accessibilityTree(selector) and cdp(method, params).
import { spawn, spawnSync } from 'node:child_process';
import { copyFileSync, existsSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync }
    from 'node:fs';
import { createServer } from 'node:net';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import * as h from './harness.mjs';

const HERE = dirname(fileURLToPath(import.meta.url));
const FIREFOX = '/usr/bin/firefox-esr';
const WEBDRIVER = '/usr/bin/WebKitWebDriver';
const MINIBROWSER = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';
const PYTHON = '/usr/bin/python3';
const DESKTOP = { width: 1024, height: 768 };
export const PHONE = { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true };

// A puppeteer page, which has goto, evaluate, tap, click and close of its
// own, with the rest of the interface.
function puppeteerPage(page, accessible) {
    let session;
    return Object.assign(page, {
        press: (key) => page.keyboard.press(key),
        resize: (viewport) => page.setViewport(viewport),
        async hold(selector, ms) {
            const box = await (await page.$(selector)).boundingBox();
            await page.touchscreen.touchStart(box.x + box.width / 2, box.y + box.height / 2);
            await h.sleep(ms);
            await page.touchscreen.touchEnd();
        },
    }, accessible && {
        accessibilityTree: async (selector) => page.accessibility.snapshot(
            { interestingOnly: false, root: selector ? await page.$(selector) : undefined }),
        cdp: async (method, params) => (session ||= await page.createCDPSession()).send(method, params),
    });
}

// `launch(phone)` starts a browser; Firefox needs one of its own for touch.
async function puppeteerEngine(webDir, launch, accessible = false) {
    const browsers = new Map();
    const browser = async (phone) => {
        if (!browsers.has(phone)) browsers.set(phone, await launch(phone));
        return browsers.get(phone);
    };
    const version = await (await browser(false)).version();
    const site = await h.serve(webDir);
    return {
        version,
        url: site.url,
        site,
        fileUrl: pathToFileURL(join(webDir, 'vantrel.html')).href,
        async open({ phone = false } = {}) {
            const page = await h.recordingPage(await browser(phone));
            await page.setViewport(phone ? PHONE : DESKTOP);
            return puppeteerPage(page, accessible);
        },
        async close() {
            for (const b of browsers.values()) await b.close();
            await site.close();
        },
    };
}

export const engines = {
    async chromium(modulesDir, webDir) {
        const puppeteer = h.loadPuppeteer(modulesDir);
        return puppeteerEngine(webDir, () => h.launch(puppeteer), true);
    },

    // BiDi has no touch emulation (hasTouch does nothing), so the phone runs
    // in a Firefox of its own that believes its pointer is a finger.
    async firefox(modulesDir, webDir) {
        h.skipUnless(existsSync(FIREFOX), `${FIREFOX} (Debian package firefox-esr)`);
        const puppeteer = h.loadPuppeteer(modulesDir);
        const launch = (phone) => puppeteer.launch({
            browser: 'firefox', executablePath: FIREFOX, headless: true,
            extraPrefsFirefox: phone
                ? { 'dom.w3c_touch_events.enabled': 1, 'ui.primaryPointerCapabilities': 1,
                    'ui.allPointerCapabilities': 1 }
                : {},
        });
        return puppeteerEngine(webDir, launch);
    },

    async webkit(modulesDir, webDir) {
        for (const [path, pkg] of [[WEBDRIVER, 'webkitgtk-webdriver, on Debian 12 webkit2gtk-driver'], [MINIBROWSER, 'libwebkit2gtk-4.1-0'],
                                   ['/usr/bin/Xvfb', 'xvfb']]) {
            h.skipUnless(existsSync(path), `${path} (Debian package ${pkg})`);
        }
        const probe = spawnSync(PYTHON, ['-c', 'import gi; gi.require_version("WebKit2", "4.1")']);
        h.skipUnless(probe.status === 0, `${PYTHON} with WebKit2 (python3-gi, gir1.2-webkit2-4.1)`);
        return webkitEngine(webDir);
    },
};

// The web folder copied, with the recorder and a catcher of errors first in
// each page: WebDriver classic can run nothing in a page before the page's
// own scripts, and WebKit's driver passes on no console messages.
function instrumentedCopy(webDir) {
    const folder = mkdtempSync(join(tmpdir(), 'vantrel-webkit-'));
    const first = `<script>(${h.recordInPage})();(${catchProblems})();</script>`;
    for (const name of readdirSync(webDir)) {
        if (name.endsWith('.html')) {
            const page = readFileSync(join(webDir, name), 'utf8');
            writeFileSync(join(folder, name), page.replace('<head>', `<head>${first}`));
        } else {
            copyFileSync(join(webDir, name), join(folder, name));
        }
    }
    return folder;
}

function catchProblems() {
    const problems = (window.vantrelProblems = []);
    window.addEventListener('error', (event) => problems.push(event.message
        ? `page error: ${event.message}` : `could not load ${event.target.src || event.target.href}`),
    true);
    window.addEventListener('unhandledrejection', (event) =>
        problems.push(`unhandled rejection: ${event.reason}`));
    const error = console.error.bind(console);
    console.error = (...args) => {
        problems.push(`console: ${args.join(' ')}`);
        error(...args);
    };
}

function startXvfb() {
    return new Promise((done, fail) => {
        const server = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1280x2600x24', '-nolisten',
                                      'tcp', '-noreset'], { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
        let number = '';
        server.on('error', fail);
        server.stdio[3].on('data', (chunk) => {
            number += chunk;
            if (number.endsWith('\n')) done({ server, display: `:${number.trim()}` });
        });
    });
}

function freePort() {
    return new Promise((done) => {
        const server = createServer().listen(0, '127.0.0.1', () => {
            const { port } = server.address();
            server.close(() => done(port));
        });
    });
}

// W3C WebDriver's key values for the keys the checks press by name.
const WEBDRIVER_KEYS = { ArrowLeft: '\uE012', ArrowRight: '\uE014', Escape: '\uE00C', Enter: '\uE007',
                         F1: '\uE031' };
const ELEMENT = 'element-6066-11e4-a52e-4f735466cecf';

async function webdriver(method, url, body) {
    const response = await fetch(url, { method, headers: { 'Content-Type': 'application/json' },
                                        body: body && JSON.stringify(body) });
    const { value } = await response.json();
    if (!response.ok) throw new Error(`WebDriver ${method} ${url}: ${value.error}: ${value.message}`);
    return value;
}

class WebDriverPage {
    constructor(session) {
        this.session = session;
        this.seen = [];
    }
    command(method, path, body) { return webdriver(method, this.session + path, body); }
    async goto(url) {
        this.seen.push(...await this.problems());
        return this.command('POST', '/url', { url });
    }
    evaluate(fn, ...args) {
        return this.command('POST', '/execute/sync', { script: `return (${fn}).apply(null, arguments);`, args });
    }
    press(key) {
        const value = WEBDRIVER_KEYS[key] || key;
        return this.command('POST', '/actions', { actions: [{ type: 'key', id: 'keyboard', actions: [
            { type: 'keyDown', value }, { type: 'keyUp', value }] }] });
    }
    // WebKitGTK's driver has no touch input: a tap arrives as a click.
    tap(selector) { return this.click(selector); }
    async element(selector) {
        return (await this.command('POST', '/element', { using: 'css selector', value: selector }))[ELEMENT];
    }
    async click(selector) { return this.command('POST', `/element/${await this.element(selector)}/click`, {}); }
    async hold(selector, ms) {
        const element = await this.element(selector);
        return this.command('POST', '/actions', { actions: [{ type: 'pointer', id: 'finger',
            parameters: { pointerType: 'mouse' }, actions: [
                { type: 'pointerMove', origin: { [ELEMENT]: element }, x: 0, y: 0 },
                { type: 'pointerDown', button: 0 }, { type: 'pause', duration: ms },
                { type: 'pointerUp', button: 0 }] }] });
    }
    async problems() {
        const now = await this.evaluate(() => window.vantrelProblems || []).catch(() => []);
        return [...this.seen, ...now];
    }
    close() { return this.command('DELETE', ''); }
}

async function webkitEngine(webDir) {
    const copy = instrumentedCopy(webDir);
    const { server: xvfb, display } = await startXvfb();
    const port = await freePort();
    const driver = spawn(WEBDRIVER, [`--port=${port}`], { env: { ...process.env, DISPLAY: display },
                                                           stdio: 'ignore' });
    const base = `http://127.0.0.1:${port}`;
    let site;
    const stop = async () => {
        await site?.close();
        driver.kill();
        xvfb.kill();
        rmSync(copy, { recursive: true, force: true });
    };
    try {
        await h.until(() => fetch(`${base}/status`).then((r) => r.ok, () => false), 'WebKitWebDriver',
                      20000);
        site = await h.serve(copy);
    } catch (error) {
        await stop();
        throw error;
    }
    // MiniBrowser for the desktop; for the phone a bare WebKit view
    // (webkit-phone.py), since MiniBrowser's window is never narrower than
    // 447 px.
    const browser = (phone) => (phone
        ? { binary: PYTHON, args: [join(HERE, 'webkit-phone.py'), '--automation'] }
        : { binary: MINIBROWSER, args: ['--automation'] });
    let version = '';
    return {
        get version() { return version; },
        async open({ phone = false } = {}) {
            const value = await webdriver('POST', `${base}/session`, { capabilities: { alwaysMatch: {
                'webkitgtk:browserOptions': browser(phone) } } });
            if (!phone) version = `WebKitGTK ${value.capabilities.browserVersion}`;
            const page = new WebDriverPage(`${base}/session/${value.sessionId}`);
            if (!phone) await page.command('POST', '/window/rect', DESKTOP);
            return page;
        },
        url: site.url,
        site,
        fileUrl: pathToFileURL(join(copy, 'vantrel.html')).href,
        close: stop,
    };
}
