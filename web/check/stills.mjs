// node stills.mjs SITE NATIVE_RUN OUT: the web program's stills against the
// native capture tool's. vantrel-capture (in NATIVE_RUN, with its data)
// renders one time in every timeline entry at 800 x 600; headless Chromium
// (playwright-core, SwiftShader) loads the site from a server on 127.0.0.1
// and draws the same times with _vantrel_still, in the same order, so the
// scenes carry the same state from still to still. Both pictures of each time
// are left in OUT for looking; each pair is compared by the mean absolute
// difference per channel and by the share of pixels that differ by more
// than 48 in some channel. Prints one line a time and the time to the first
// frame; exit status 1 when a still is off, the page reports an error or
// asks for anything outside the site. The server and the browser are
// stopped on every way out.
import { createRequire } from 'node:module';
import { execFileSync } from 'node:child_process';
import { createServer } from 'node:http';
import { mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync, existsSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { extname, join, normalize, resolve } from 'node:path';

const here = new URL('.', import.meta.url).pathname;
const root = resolve(here, '../..');
const require = createRequire(join(process.env.VANTREL_WEB_NPM ?? join(root, 'build-web/npm'), 'package.json'));
const { chromium } = require('playwright-core');

// Times inside each of the ten timeline entries (and one after the last).
const kTimes = [2.2, 8, 22.1, 39.75, 63.3, 80, 112, 134, 160, 187, 230];
// Measured on this project's machines (Debian 12): llvmpipe on the desktop
// against SwiftShader in Chromium differ by 0.05 to 1.5 per channel on
// average with under 1.2 % of pixels far apart (edges, rasterisation of thin
// geometry, mipmap levels). A wrong scene, a missing pass or a broken
// texture moves these by several times that.
const kMaxMeanDifference = 4.0;
const kMaxFarShare = 0.03;

const [site, nativeRun, out] = process.argv.slice(2).map((p) => p && resolve(p));
if (!site || !nativeRun || !out) {
  console.error('usage: node stills.mjs SITE NATIVE_RUN OUT');
  process.exit(2);
}
mkdirSync(join(out, 'native'), { recursive: true });
mkdirSync(join(out, 'web'), { recursive: true });

execFileSync(join(nativeRun, 'vantrel-capture'), ['--quiet', '--at', kTimes.join(','), '--out', join(out, 'native')], {
  cwd: nativeRun,
  env: { ...process.env, SDL_VIDEODRIVER: 'offscreen', SDL_AUDIODRIVER: 'dummy', VANTREL_NO_DIALOGS: '1' },
  stdio: 'inherit',
});

const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm', '.png': 'image/png',
  '.data': 'application/octet-stream', '.mp3': 'audio/mpeg', '.css': 'text/css', '.jpg': 'image/jpeg' };
// '/check/' is this folder, '/native/' the capture's frames, anything else the site.
function fileFor(url) {
  const path = normalize(decodeURIComponent(new URL(url, 'http://x').pathname));
  if (path.startsWith('/check/')) return join(here, path.slice(7));
  if (path.startsWith('/native/')) return join(out, 'native', path.slice(8));
  return join(site, path);
}
const server = createServer((request, response) => {
  const file = fileFor(request.url);
  if (!existsSync(file)) {
    response.writeHead(404);
    response.end();
    return;
  }
  response.writeHead(200, { 'Content-Type': types[extname(file)] ?? 'application/octet-stream' });
  response.end(readFileSync(file));
});
await new Promise((ready) => server.listen(0, '127.0.0.1', ready));
const origin = `http://127.0.0.1:${server.address().port}`;

const profile = mkdtempSync(join(tmpdir(), 'vantrel-chromium-'));
let context;
let status = 1;
const problems = [];
try {
  context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.VANTREL_CHROMIUM ?? '/usr/bin/chromium',
    viewport: { width: 800, height: 600 },
    args: ['--headless', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
      '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run'],
  });
  const page = context.pages()[0] ?? await context.newPage();
  page.on('console', (message) => { if (message.type() === 'error') problems.push(`console: ${message.text()}`); });
  page.on('pageerror', (error) => problems.push(`page: ${error.message}`));
  page.on('request', (request) => {
    if (!request.url().startsWith(origin) && !request.url().startsWith('data:'))
      problems.push(`request outside the site: ${request.url()}`);
  });
  await page.goto(`${origin}/check/still.html`);
  await page.waitForFunction(() => window.vantrelCheck.ready || window.vantrelCheck.error, null, { timeout: 180000 });
  const error = await page.evaluate(() => window.vantrelCheck.error);
  if (error) throw new Error(`the program reported: ${error}`);
  const readyMs = await page.evaluate(() => window.vantrelCheck.readyMs);
  let firstFrameMs = 0;
  let off = 0;
  for (const [index, t] of kTimes.entries()) {
    const name = `frame_${String(index).padStart(6, '0')}.png`;
    const begin = Date.now();
    const result = await page.evaluate(([time, reference]) => window.vantrelCheck.still(time, reference),
      [t, `/native/${name}`]);
    if (index === 0) firstFrameMs = readyMs + (Date.now() - begin);
    writeFileSync(join(out, 'web', name), Buffer.from(result.url.split(',')[1], 'base64'));
    if (result.error) {
      console.log(`t=${t}: ${result.error}`);
      ++off;
      continue;
    }
    const ok = result.mad <= kMaxMeanDifference && result.far <= kMaxFarShare;
    if (!ok) ++off;
    console.log(`t=${t}: mean difference ${result.mad.toFixed(3)} per channel, ` +
      `${(result.far * 100).toFixed(2)} % of pixels far apart${ok ? '' : '  <- over the threshold'}`);
  }
  console.log(`loaded and warmed up in ${(readyMs / 1000).toFixed(2)} s, first still after ${(firstFrameMs / 1000).toFixed(2)} s`);
  for (const p of problems) console.log(p);
  status = off === 0 && problems.length === 0 ? 0 : 1;
} catch (error) {
  console.error(`the stills check failed: ${error.message}`);
  for (const p of problems) console.error(p);
} finally {
  if (context) await context.close();
  server.close();
  rmSync(profile, { recursive: true, force: true });
}
process.exit(status);
