// The page in headless Chromium (playwright-core, the system's browser with a
// new empty profile, SwiftShader for WebGL 2), served from 127.0.0.1 by this
// process; the browser and the server are stopped at the end, also on failure.
//   node --test web/tests/page.test.mjs      (VANTREL_WEB_SITE: the site, default build-web/site)
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { join, resolve } from 'node:path';

import { decodePng } from './png.mjs';
import { serve } from './serve.mjs';

const root = resolve(new URL('.', import.meta.url).pathname, '../..');
const site = resolve(process.env.VANTREL_WEB_SITE ?? join(root, 'build-web/site'));
const require = createRequire(join(process.env.VANTREL_WEB_NPM ?? join(root, 'build-web/npm'), 'package.json'));
const { chromium } = require('playwright-core');

// Loading runs every shader once on SwiftShader: minutes on a busy machine.
const kLoadTimeout = 240_000;
// A still in the ShinyCross entry, bright across the picture.
const kStillTime = 22.1;

let server;
let browser;

before(async () => {
  server = await serve(site);
  // No autoplay flag: the tests click Play, and the sound must start from that click.
  browser = await chromium.launch({
    executablePath: process.env.VANTREL_CHROMIUM ?? '/usr/bin/chromium',
    args: ['--headless', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
      '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run'],
  });
});

after(async () => {
  await browser?.close();
  await server?.close();
});

// A page that records console errors, uncaught exceptions and every request
// that leaves the site.
async function openPage(query, viewport = { width: 800, height: 600 }) {
  const page = await browser.newPage({ viewport });
  const problems = [];
  const outside = [];
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(`console: ${message.text()}`);
  });
  page.on('pageerror', (error) => problems.push(`exception: ${error.message}`));
  page.on('request', (request) => {
    const url = request.url();
    if (!url.startsWith(server.origin + '/') && !url.startsWith('data:') && !url.startsWith('blob:')) outside.push(url);
  });
  await page.goto(`${server.origin}/index.html${query}`);
  return { page, problems, outside };
}

async function waitForState(page, states, timeout = kLoadTimeout) {
  await page.waitForFunction(
    (wanted) => wanted.includes(globalThis.vantrelPage?.state) || globalThis.vantrelPage?.state === 'error',
    states, { timeout, polling: 100 });
  const state = await page.evaluate(() => globalThis.vantrelPage.state);
  if (!states.includes(state)) {
    const errors = await page.evaluate(() => globalThis.vantrelPage.errors.join('\n'));
    assert.fail(`page is in state ${state}: ${errors}`);
  }
}

// The bounding box of pixels brighter than black; the screenshot's size.
async function pictureBox(page) {
  const png = decodePng(await page.screenshot());
  let left = png.width;
  let right = -1;
  let top = png.height;
  let bottom = -1;
  for (let y = 0; y < png.height; ++y) {
    for (let x = 0; x < png.width; ++x) {
      const p = (y * png.width + x) * png.channels;
      if (Math.max(png.pixels[p], png.pixels[p + 1], png.pixels[p + 2]) > 12) {
        left = Math.min(left, x);
        right = Math.max(right, x);
        top = Math.min(top, y);
        bottom = Math.max(bottom, y);
      }
    }
  }
  return { left, right, top, bottom, width: png.width, height: png.height };
}

// The picture fills the 4:3 rectangle centred in the window, and nothing
// outside it is lit. Scenes may leave their own edges dark, hence the slack inside.
function assertLetterboxed(box, label) {
  const pictureWidth = Math.min(box.width, Math.round((box.height * 4) / 3));
  const pictureHeight = Math.min(box.height, Math.round((box.width * 3) / 4));
  const x0 = (box.width - pictureWidth) / 2;
  const y0 = (box.height - pictureHeight) / 2;
  const slack = 0.1;
  assert.ok(box.right >= 0, `${label}: the picture is black`);
  assert.ok(box.left >= x0 - 1 && box.right <= x0 + pictureWidth, `${label}: lit columns ${box.left}..${box.right} outside ${x0}..${x0 + pictureWidth - 1}`);
  assert.ok(box.top >= y0 - 1 && box.bottom <= y0 + pictureHeight, `${label}: lit rows ${box.top}..${box.bottom} outside ${y0}..${y0 + pictureHeight - 1}`);
  assert.ok(box.right - box.left >= (1 - slack) * pictureWidth, `${label}: the picture is narrower than its place`);
  assert.ok(box.bottom - box.top >= (1 - slack) * pictureHeight, `${label}: the picture is lower than its place`);
}

// Runs in the page: the program's last spectrum, its peak, and its largest
// difference from the desktop's definition (mono mix of 512 frames from the
// heard position, periodic Hann window, a bin-centred full-scale sine reads 1).
function spectrumAgainstDefinition() {
  const m = globalThis.vantrelPage.module;
  const bins = new Float32Array(m.HEAPF32.buffer, m._vantrel_music_spectrum(), 256);
  const frame = m._vantrel_music_spectrum_frame();
  const left = VantrelAudio.samples(0);
  const right = VantrelAudio.samples(1);
  const n = 512;
  const x = new Float64Array(n);
  for (let i = 0; i < n; ++i) {
    const f = frame + i;
    const mono = f >= 0 && f < left.length ? Math.fround((left[f] + right[f]) * 0.5) : 0;
    x[i] = mono * (0.5 - 0.5 * Math.cos((2 * Math.PI * i) / n));
  }
  let difference = 0;
  for (let k = 0; k < 256; ++k) {
    let re = 0;
    let im = 0;
    for (let i = 0; i < n; ++i) {
      re += x[i] * Math.cos((2 * Math.PI * k * i) / n);
      im -= x[i] * Math.sin((2 * Math.PI * k * i) / n);
    }
    difference = Math.max(difference, Math.abs(Math.hypot(re, im) * (2 / 256) - bins[k]));
  }
  return { peak: Math.max(...bins), difference };
}

test('the page loads without console errors or requests outside the site', async () => {
  const { page, problems, outside } = await openPage('');
  try {
    await waitForState(page, ['ready']);
    assert.equal(await page.isVisible('#play'), true, 'no Play button');
    assert.equal(await page.evaluate(() => document.getElementById('progress').value), 1, 'the loading bar did not fill');
    // The bar counted both the music and the program's data, to the last byte.
    const downloads = await page.evaluate(() => globalThis.vantrelPage.downloads);
    for (const [name, d] of Object.entries(downloads))
      assert.ok(d.total > 0 && d.received === d.total, `${name}: ${d.received} of ${d.total} bytes`);
    assert.deepEqual(problems, []);
    assert.deepEqual(outside, []);
  } finally {
    await page.close();
  }
});

test('a ?t= still is silent and sits between black bars at its aspect, following resizes', async () => {
  const { page, problems } = await openPage(`?t=${kStillTime}`, { width: 1280, height: 720 });
  try {
    await waitForState(page, ['still']);
    assert.equal(await page.evaluate(() => VantrelAudio.context() === null), true, 'a still made sound');
    assertLetterboxed(await pictureBox(page), '1280x720');
    // A tall window: bars above and below.
    await page.evaluate(() => (globalThis.vantrelPage.stillTime = null));
    await page.setViewportSize({ width: 600, height: 800 });
    await page.waitForFunction(() => globalThis.vantrelPage.stillTime !== null, null, { timeout: 60_000 });
    assertLetterboxed(await pictureBox(page), '600x800');
    assert.deepEqual(problems, []);
  } finally {
    await page.close();
  }
});

test('a span plays on the audio clock with a live spectrum and returns to the start screen', async (t) => {
  const from = 100;
  const to = 108;
  const { page, problems } = await openPage(`?from=${from}&to=${to}`);
  try {
    await waitForState(page, ['ready']);
    const readsBefore = await page.evaluate(() => VantrelAudio.readCount());
    await page.click('#play');
    assert.equal(await page.evaluate(() => globalThis.vantrelPage.state), 'playing');
    await page.waitForFunction(() => document.fullscreenElement !== null, null, { timeout: 5000 });

    // Five seconds of the program's reads of the clock and of its spectrum,
    // each spectrum held against the definition computed here from the same
    // decoded samples (a direct DFT in double precision).
    const loudest = [];
    let worstBin = 0;
    for (let i = 0; i < 10; ++i) {
      await page.waitForTimeout(500);
      const s = await page.evaluate(spectrumAgainstDefinition);
      loudest.push(s.peak);
      worstBin = Math.max(worstBin, s.difference);
    }
    const reads = await page.evaluate((since) => VantrelAudio.reads(since), readsBefore);
    // SwiftShader on a busy machine draws a frame a second or fewer: a few reads.
    assert.ok(reads.length >= 3, `the program read the clock ${reads.length} times in 5 s`);
    const span = reads.at(-1).contextClock - reads[0].contextClock;
    assert.ok(span > 4.0, `the audio clock advanced ${span.toFixed(2)} s in 5 s`);
    const worst = Math.max(...reads.map((r) => Math.abs(r.position - r.contextClock)));
    assert.ok(worst < 0.05, `demo time was ${(worst * 1000).toFixed(1)} ms off the audio clock`);
    // The frame that ends the span may read a little past its end.
    const first = reads[0].position;
    const last = reads.at(-1).position;
    assert.ok(first >= from - 1e-6 && last <= to + 0.5, `demo time ran from ${first} to ${last}`);
    // Music in this span: the spectrum reads well above silence in every sample.
    assert.ok(Math.min(...loudest) > 0.005, `spectrum peaks ${loudest.map((v) => v.toFixed(4)).join(' ')}`);
    assert.ok(worstBin < 1e-5, `the spectrum is ${worstBin} off its definition`);
    t.diagnostic(`${reads.length} clock reads, at most ${(worst * 1000).toFixed(1)} ms off the audio clock; ` +
      `spectrum at most ${worstBin.toExponential(1)} off its definition`);

    await waitForState(page, ['ready'], (to - from + 10) * 1000);
    assert.equal(await page.isVisible('#start'), true, 'the start screen did not come back');
    assert.equal(await page.evaluate(() => VantrelAudio.playing()), false, 'the music plays on');
    await page.waitForFunction(() => document.fullscreenElement === null, null, { timeout: 5000 });
    assert.deepEqual(problems, []);
  } finally {
    await page.close();
  }
});

test('a failed download, no WebGL 2 and a rejected shader show on the page and in the console', async () => {
  const cases = [
    { what: 'a missing music file', expect: 'data/music.mp3: download failed (HTTP 404',
      prepare: (page) => page.route('**/data/music.mp3', (route) => route.fulfill({ status: 404, body: 'gone' })) },
    { what: 'no WebGL 2', expect: 'no WebGL 2',
      prepare: (page) => page.addInitScript(() => {
        const getContext = HTMLCanvasElement.prototype.getContext;
        HTMLCanvasElement.prototype.getContext = function (type, ...rest) {
          return type === 'webgl2' ? null : getContext.call(this, type, ...rest);
        };
      }) },
  ];
  // A shader the browser rejects: the first program text in the data package
  // loses a letter of its "void main()".
  const data = readFileSync(join(site, 'vantrel.data'));
  const at = data.indexOf('void main()');
  assert.ok(at > 0, 'no shader text in vantrel.data');
  const broken = Buffer.from(data);
  broken.write('voi@', at, 'latin1');
  cases.push({ what: 'a rejected shader', expect: 'compile',
    prepare: (page) => page.route('**/vantrel.data', (route) => route.fulfill({ status: 200, body: broken })) });
  for (const c of cases) {
    const page = await browser.newPage({ viewport: { width: 800, height: 600 } });
    const consoleErrors = [];
    page.on('console', (message) => message.type() === 'error' && consoleErrors.push(message.text()));
    try {
      await c.prepare(page);
      await page.goto(`${server.origin}/index.html`);
      await page.waitForFunction(() => globalThis.vantrelPage?.state === 'error', null, { timeout: kLoadTimeout });
      assert.ok(await page.isVisible('#error'), `${c.what}: no error on the page`);
      const shown = await page.textContent('#error');
      assert.match(shown, new RegExp(c.expect.replace(/[()]/g, '\\$&')), c.what);
      assert.ok(consoleErrors.some((text) => text.includes(c.expect)), `${c.what}: not in the console`);
    } finally {
      await page.close();
    }
  }
});
