// Prints the size of the game's code (the module's script, which index.html
// carries last, + vantrel.wasm), raw and gzipped at level 9 (each on its
// own, as the wasm is its own file), and fails when it outgrows what a page
// of this kind should cost: 30 KB raw, 12 KB gzipped; and the service
// worker's, which the browser fetches again on each visit, within 3 KB. The
// whole page (index.html, with both scripts inside) is printed beside them.
//   node SizeBudget.mjs WEB_DIR
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { gzipSync } from 'node:zlib';

export function codeSize(webDir) {
    const page = readFileSync(join(webDir, 'index.html'), 'utf8');
    const script = page.slice(page.lastIndexOf('<script>\n') + '<script>\n'.length, page.lastIndexOf('</script>'));
    if (!script.includes('Module')) throw new Error(`${webDir}/index.html ends with no module script`);
    const files = [Buffer.from(script), readFileSync(join(webDir, 'vantrel.wasm'))];
    return {
        raw: files.reduce((sum, data) => sum + data.length, 0),
        gzipped: files.reduce((sum, data) => sum + gzipSync(data, { level: 9 }).length, 0),
    };
}

if (process.argv[1] && process.argv[1].endsWith('SizeBudget.mjs')) {
    const { raw, gzipped } = codeSize(process.argv[2]);
    console.log(`module script + vantrel.wasm: ${raw} bytes, ${gzipped} bytes gzipped`);
    const worker = readFileSync(join(process.argv[2], 'sw.js')).length;
    const page = readFileSync(join(process.argv[2], 'index.html'));
    console.log(`sw.js: ${worker} bytes; index.html: ${page.length} bytes, ` +
                `${gzipSync(page, { level: 9 }).length} bytes gzipped`);
    const over = [['sw.js', worker, 3 * 1024], ['raw', raw, 30 * 1024], ['gzipped', gzipped, 12 * 1024]]
        .filter(([, size, limit]) => size > limit).map(([what, size, limit]) => `${what} ${size} > ${limit}`);
    if (over.length) console.error(`over budget: ${over.join(', ')}`);
    process.exitCode = over.length ? 1 : 0;
}
