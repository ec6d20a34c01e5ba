// node framerate.mjs SITE: frames per second of the web program in headless
// Chromium (SwiftShader) at 800 x 600, for each timeline entry, and the
// time from opening the page to the program's first frame. Plays three
// seconds from the middle of every entry (with sound, through the autoplay
// switch) and counts the frames the page is shown. A measurement, not a test:
// it prints its figures and fails only when the page does.
import { createRequire } from 'node:module';
import { createServer } from 'node:http';
import { existsSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { extname, join, normalize, resolve } from 'node:path';

const here = new URL('.', import.meta.url).pathname;
const root = resolve(here, '../..');
const require = createRequire(join(process.env.VANTREL_WEB_NPM ?? join(root, 'build-web/npm'), 'package.json'));
const { chromium } = require('playwright-core');

const site = process.argv[2] && resolve(process.argv[2]);
if (!site) {
  console.error('usage: node framerate.mjs SITE');
  process.exit(2);
}
// The production's timeline in beats at 163 per minute (prod/Prod.cpp).
const kEntries = [['Pils', 0, 12], ['ShinyCross', 12, 44], ['Horizon', 44, 76], ['Flowerball', 76, 140],
  ['Pils', 140, 204], ['Dragonfly', 204, 268], ['Underwater', 268, 332], ['Balloon', 332, 396],
  ['PilsTakeoff', 396, 460], ['Skate', 460, 556]];
const kSeconds = 3;

const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm' };
const server = createServer((request, response) => {
  const path = normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname));
  const file = path === '/still-check.html' ? join(here, 'still.html') : join(site, path);
  if (!existsSync(file)) {
    response.writeHead(404);
    response.end();
    return;
  }
  response.writeHead(200, { 'Content-Type': types[extname(file)] ?? 'application/octet-stream' });
  response.end(readFileSync(file));
});
await new Promise((ready) => server.listen(0, '127.0.0.1', ready));
const profile = mkdtempSync(join(tmpdir(), 'vantrel-chromium-'));
let context;
let status = 1;
try {
  context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.VANTREL_CHROMIUM ?? '/usr/bin/chromium',
    viewport: { width: 800, height: 600 },
    args: ['--headless', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
      '--autoplay-policy=no-user-gesture-required', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run'],
  });
  const page = context.pages()[0] ?? await context.newPage();
  await page.goto(`http://127.0.0.1:${server.address().port}/still-check.html`);
  await page.waitForFunction(() => window.vantrelCheck.ready || window.vantrelCheck.error, null, { timeout: 180000 });
  const error = await page.evaluate(() => window.vantrelCheck.error);
  if (error) throw new Error(`the program reported: ${error}`);
  // The first frame: a still at the start, drawn as soon as the program is ready.
  const first = await page.evaluate(() => new Promise((done) => {
    const m = window.vantrelCheck.module;
    m.onVantrelStillDone = () => done(performance.now());
    m._vantrel_still(0.5);
  }));
  const ready = await page.evaluate(() => window.vantrelCheck.readyMs);
  console.log(`page opened to program ready ${(ready / 1000).toFixed(2)} s, to its first frame ${(first / 1000).toFixed(2)} s`);
  for (const [name, startBeat, endBeat] of kEntries) {
    const start = (startBeat * 60) / 163;
    const end = (endBeat * 60) / 163;
    const from = Math.max(start, (start + end) / 2 - kSeconds / 2);
    const fps = await page.evaluate(([a, b]) => new Promise((done) => {
      const m = window.vantrelCheck.module;
      let frames = 0;
      let began = 0;
      const count = (now) => {
        if (!began) began = now;
        ++frames;
        if (!done.finished) requestAnimationFrame(count);
      };
      m.onVantrelEnded = () => {
        done.finished = true;
        done((frames - 1) / ((performance.now() - began) / 1000));
      };
      m._vantrel_play(a, b);
      requestAnimationFrame(count);
    }), [from, from + kSeconds]);
    console.log(`${name.padEnd(12)} ${from.toFixed(1).padStart(6)} s  ${fps.toFixed(1)} frames per second`);
  }
  status = 0;
} catch (error) {
  console.error(`the measurement failed: ${error.message}`);
} finally {
  if (context) await context.close();
  server.close();
  rmSync(profile, { recursive: true, force: true });
}
process.exit(status);
