// Measures the site as a person meets it (it judges nothing):
//   node web/tests/measure.mjs [SITE]     (default build-web/site)
// - its size as a web server sends it: each file raw, gzip -6 (what servers
//   use by default) and brotli -q 11 (pre-compressed sites), pictures and
//   MP3 as they are, since servers leave those alone;
// - in headless Chromium at 800x600 from this machine's 127.0.0.1: the time
//   until Play is offered (all fetched, decoded and warmed up), from the click
//   to the first frame, and until a ?t= still is drawn.
import { readdirSync, readFileSync, statSync } from 'node:fs';
import { createRequire } from 'node:module';
import { join, relative, resolve } from 'node:path';
import { brotliCompressSync, constants, gzipSync } from 'node:zlib';

import { serve } from './serve.mjs';

const root = resolve(new URL('.', import.meta.url).pathname, '../..');
const site = resolve(process.argv[2] ?? join(root, 'build-web/site'));
const require = createRequire(join(process.env.VANTREL_WEB_NPM ?? join(root, 'build-web/npm'), 'package.json'));
const { chromium } = require('playwright-core');

function files(folder) {
  return readdirSync(folder).flatMap((name) => {
    const path = join(folder, name);
    return statSync(path).isDirectory() ? files(path) : [path];
  });
}

const mb = (bytes) => (bytes / 1048576).toFixed(2);
let raw = 0;
let gzip = 0;
let brotli = 0;
console.log('file                      raw MiB  gzip MiB  brotli MiB');
for (const path of files(site).sort()) {
  const data = readFileSync(path);
  const stored = /\.(mp3|jpg|png)$/.test(path);
  const g = stored ? data.length : gzipSync(data, { level: 6 }).length;
  const b = stored ? data.length : brotliCompressSync(data, { params: { [constants.BROTLI_PARAM_QUALITY]: 11 } }).length;
  raw += data.length;
  gzip += g;
  brotli += b;
  console.log(`${relative(site, path).padEnd(24)} ${mb(data.length).padStart(8)} ${mb(g).padStart(9)} ${mb(b).padStart(11)}`);
}
console.log(`${'all'.padEnd(24)} ${mb(raw).padStart(8)} ${mb(gzip).padStart(9)} ${mb(brotli).padStart(11)}`);

const server = await serve(site);
const browser = await chromium.launch({
  executablePath: process.env.VANTREL_CHROMIUM ?? '/usr/bin/chromium',
  args: ['--headless', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
    '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run'],
});
try {
  const page = await browser.newPage({ viewport: { width: 800, height: 600 } });
  await page.goto(`${server.origin}/index.html`);
  await page.waitForFunction(() => ['ready', 'error'].includes(globalThis.vantrelPage?.state), null,
    { timeout: 600_000 });
  const ready = await page.evaluate(() => globalThis.vantrelPage.timings.ready);
  await page.click('#play');
  await page.waitForFunction(() => globalThis.vantrelPage.timings.firstFrameAfterPlay !== undefined, null,
    { timeout: 60_000 });
  const firstFrame = await page.evaluate(() => globalThis.vantrelPage.timings.firstFrameAfterPlay);
  await page.close();

  const stillPage = await browser.newPage({ viewport: { width: 800, height: 600 } });
  await stillPage.goto(`${server.origin}/index.html?t=22.1`);
  await stillPage.waitForFunction(() => ['still', 'error'].includes(globalThis.vantrelPage?.state), null,
    { timeout: 600_000 });
  const still = await stillPage.evaluate(() => globalThis.vantrelPage.timings.still);
  console.log(`Play offered after ${(ready / 1000).toFixed(2)} s; first frame ${firstFrame.toFixed(0)} ms after the click;` +
    ` ?t=22.1 drawn after ${(still / 1000).toFixed(2)} s`);
} finally {
  await browser.close();
  await server.close();
}
