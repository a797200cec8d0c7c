// A static server for the browser build's folder, on 127.0.0.1 only.
//   node serve.mjs FOLDER [PORT]     (PORT 0: any free port; default 8000,
//                                     or a free one when 8000 is taken)
// Prints the address to open and serves until stopped. The tests and the
// bench import serve() to run the page on a port of their own.
import { createReadStream, statSync } from 'node:fs';
import { createServer } from 'node:http';
import { extname, join, normalize, resolve, sep } from 'node:path';
import { fileURLToPath } from 'node:url';

const TYPES = {
    '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8',
    '.wasm': 'application/wasm', '.png': 'image/png', '.webmanifest': 'application/manifest+json',
};

function fileFor(root, url) {
    let path;
    try {
        path = decodeURIComponent(new URL(url, 'http://127.0.0.1').pathname);
    } catch {
        return null;
    }
    const file = join(root, normalize(path.endsWith('/') ? path + 'index.html' : path));
    if (!file.startsWith(root + sep)) return null;
    try {
        return statSync(file).isFile() ? file : null;
    } catch {
        return null;
    }
}

// Serves `folder` on `port` of 127.0.0.1; resolves to { url, close, offline,
// lost }. With `offline` set, every connection is dropped unanswered, as for a
// player whose network is gone; a path in `lost` (such as '/vantrel.wasm') is
// dropped alone, as for a connection lost during a load.
export function serve(folder, port = 0) {
    const root = resolve(folder);
    const site = { offline: false, lost: new Set() };
    const server = createServer((request, response) => {
        if (site.offline || site.lost.has(request.url)) {
            request.socket.destroy();
            return;
        }
        const file = fileFor(root, request.url);
        if (!file || (request.method !== 'GET' && request.method !== 'HEAD')) {
            response.writeHead(404).end();
            return;
        }
        response.writeHead(200, {
            'Content-Type': TYPES[extname(file)] || 'application/octet-stream',
            'Cache-Control': 'no-store',
        });
        if (request.method === 'HEAD') response.end();
        else createReadStream(file).pipe(response);
    });
    return new Promise((done, fail) => {
        server.once('error', fail);
        server.listen(port, '127.0.0.1', () => done(Object.assign(site, {
            url: `http://127.0.0.1:${server.address().port}/`,
            close: () => new Promise((closed) => {
                server.closeAllConnections();
                server.close(closed);
            }),
        })));
    });
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
    const [folder, port] = process.argv.slice(2);
    if (!folder) {
        console.error('usage: node serve.mjs FOLDER [PORT]');
        process.exit(2);
    }
    let site;
    try {
        site = await serve(folder, port === undefined ? 8000 : Number(port));
    } catch (error) {
        if (port !== undefined || error.code !== 'EADDRINUSE') throw error;
        site = await serve(folder, 0);
    }
    console.log(`Vantrel is at ${site.url} (Ctrl+C stops the server)`);
}
