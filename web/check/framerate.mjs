// node framerate.mjs SITE: frames per second of the web program in headless
// Chromium (SwiftShader) at 800 x 600, for each timeline entry, and the
// time from opening the page to the program's first frame. Plays three
// seconds from the middle of every entry (with sound, through the autoplay
// switch) and counts the frames the page is shown. A measurement, not a test:
// it prints its figures and fails only when the page does.
import { resolve } from 'node:path';

import { openCheck, waitForProgram } from './serve.mjs';

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

let check;
let status = 1;
try {
  check = await openCheck(site, {}, ['--autoplay-policy=no-user-gesture-required']);
  const { page, origin } = check;
  const ready = await waitForProgram(page, origin);
  // The first frame: a still at the start, drawn as soon as the program is ready.
  const first = await page.evaluate(() => new Promise((done) => {
    const m = window.vantrelCheck.module;
    m.onVantrelStillDone = () => done(performance.now());
    m._vantrel_still(0.5);
  }));
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
  if (check) await check.close();
}
process.exit(status);
