// node webgl_compile.mjs SHADER_FOLDER: every program that vantrel-shaderc
// --gles wrote must compile and link in a real browser's WebGL 2 (headless
// Chromium through playwright-core, rendering with SwiftShader), whose
// shader translator is stricter than glslang. The texts are handed to a
// blank page, so the check needs no server and makes no requests;
// playwright starts the browser with a new empty profile and removes it. Prints
// "FILE: stage log" for each program the browser rejects; exit status 1 on any.
import { createRequire } from 'node:module';
import { readdirSync, readFileSync } from 'node:fs';
import { join, resolve } from 'node:path';

const here = new URL('.', import.meta.url).pathname;
const root = resolve(here, '../..');
const require = createRequire(join(process.env.VANTREL_WEB_NPM ?? join(root, 'build-web/npm'), 'package.json'));
const { chromium } = require('playwright-core');

const folder = process.argv[2];
if (!folder) {
  console.error('usage: node webgl_compile.mjs SHADER_FOLDER');
  process.exit(2);
}
const programs = readdirSync(folder)
  .filter((name) => name.endsWith('.params'))
  .map((name) => {
    const base = join(folder, name.slice(0, -'.params'.length));
    return { name: base, vertex: readFileSync(base + '.vert', 'utf8'), fragment: readFileSync(base + '.frag', 'utf8') };
  });
if (programs.length === 0) {
  console.error(`${folder}: no precompiled programs`);
  process.exit(1);
}

// Runs in the page.
function compileAll(list) {
  const gl = document.createElement('canvas').getContext('webgl2');
  if (!gl) return [{ name: 'page', log: 'no WebGL 2 context' }];
  const failures = [];
  for (const p of list) {
    const program = gl.createProgram();
    for (const [type, text, stage] of [[gl.VERTEX_SHADER, p.vertex, 'vertex'], [gl.FRAGMENT_SHADER, p.fragment, 'fragment']]) {
      const shader = gl.createShader(type);
      gl.shaderSource(shader, text);
      gl.compileShader(shader);
      if (!gl.getShaderParameter(shader, gl.COMPILE_STATUS))
        failures.push({ name: p.name, log: `${stage}: ${gl.getShaderInfoLog(shader)}` });
      gl.attachShader(program, shader);
    }
    gl.linkProgram(program);
    if (!gl.getProgramParameter(program, gl.LINK_STATUS))
      failures.push({ name: p.name, log: `link: ${gl.getProgramInfoLog(program)}` });
  }
  return failures;
}

let browser;
let status = 1;
try {
  browser = await chromium.launch({
    executablePath: process.env.VANTREL_CHROMIUM ?? '/usr/bin/chromium',
    args: ['--headless', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
      '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run'],
  });
  const page = await browser.newPage();
  const failures = await page.evaluate(compileAll, programs);
  for (const f of failures) console.log(`${f.name}: ${f.log}`);
  if (failures.length === 0) console.log(`${programs.length} programs compiled and linked in WebGL 2`);
  status = failures.length === 0 ? 0 : 1;
} catch (error) {
  console.error(`the browser check failed: ${error.message}`);
} finally {
  if (browser) await browser.close();
}
process.exit(status);
