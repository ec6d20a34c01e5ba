// What the browser checks share: the site served on 127.0.0.1 (with the
// checks' own page beside it, so that the site's relative names resolve) and
// headless Chromium through playwright-core with the flags this machine
// needs, in a new empty profile. Both are stopped by close().
import { createRequire } from 'node:module';
import { createServer } from 'node:http';
import { existsSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { extname, join, normalize, resolve } from 'node:path';

const here = new URL('.', import.meta.url).pathname;
const root = resolve(here, '../..');
const require = createRequire(join(process.env.VANTREL_WEB_NPM ?? join(root, 'build-web/npm'), 'package.json'));
const { chromium } = require('playwright-core');

const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm', '.png': 'image/png',
  '.data': 'application/octet-stream', '.mp3': 'audio/mpeg', '.css': 'text/css', '.jpg': 'image/jpeg' };

// Serves `site`, '/still-check.html' from this folder and each of `extra`'s
// prefixes ('/native/') from its folder; opens Chromium at 800 x 600 with
// `args` added. Returns { page, origin, close }.
export async function openCheck(site, extra = {}, args = []) {
  const fileFor = (url) => {
    const path = normalize(decodeURIComponent(new URL(url, 'http://x').pathname));
    if (path === '/still-check.html') return join(here, 'still.html');
    for (const [prefix, folder] of Object.entries(extra))
      if (path.startsWith(prefix)) return join(folder, path.slice(prefix.length));
    return join(site, path);
  };
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
  const profile = mkdtempSync(join(tmpdir(), 'vantrel-chromium-'));
  let context;
  const close = async () => {
    if (context) await context.close();
    server.close();
    rmSync(profile, { recursive: true, force: true });
  };
  try {
    context = await chromium.launchPersistentContext(profile, {
      executablePath: process.env.VANTREL_CHROMIUM ?? '/usr/bin/chromium',
      viewport: { width: 800, height: 600 },
      args: ['--headless', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
        '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run', ...args],
    });
  } catch (error) {
    await close();
    throw error;
  }
  const page = context.pages()[0] ?? await context.newPage();
  return { page, origin: `http://127.0.0.1:${server.address().port}`, close };
}

// Opens the checks' page and waits for the program: its load-and-warm-up
// time in milliseconds, or an exception with the error it reported.
export async function waitForProgram(page, origin) {
  await page.goto(`${origin}/still-check.html`);
  await page.waitForFunction(() => window.vantrelCheck.ready || window.vantrelCheck.error, null, { timeout: 180000 });
  const error = await page.evaluate(() => window.vantrelCheck.error);
  if (error) throw new Error(`the program reported: ${error}`);
  return page.evaluate(() => window.vantrelCheck.readyMs);
}
