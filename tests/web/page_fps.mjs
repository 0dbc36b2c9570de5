// The page's speed, as make web-timing prints it. First, the time from navigation start to
// the first frame drawn (the page's performance marks) in headless chromium and in
// firefox-esr, for the one file from file:// (in a new tab, and in a tab that shows a
// file:// page already) and the page from a local server: one cold load, then RUNS warm
// loads whose medians are given, with where the time goes. Beside them the floors, what any
// page pays from file:// in a new tab: an empty page and one of the same size as ours to
// their first script and first animation frame, and a WebGL 2 context made on a blank
// canvas. Then the live page's frames per second at 700 x 700 in headless chromium
// (SwiftShader), once with animation frames paced as a display would pace them, once with
// that limit lifted.
// Usage: node page_fps.mjs [SECONDS] [RUNS]   (SECONDS of frames after 2 s to settle, 10;
// RUNS, 5; the site from JELLY_WEB_DIR, the engines from JELLY_BROWSERS)
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { engines, pageUrl, serveSite, siteDir, launchBrowser, waitForStart, sleep } from './harness.mjs';

const seconds = Number(process.argv[2] ?? 10);
const runs = Number(process.argv[3] ?? 5);
const marks = ['loader-started', 'module-ready', 'context-made', 'textures-made',
  'textures-uploaded', 'first-frame'].map(name => 'jellycube-' + name);
const floorMarks = ['floor-script', 'floor-context', 'floor-frame'];
const median = values => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// The floor pages, written to a folder of their own: an empty one, and one whose data block
// makes it as large as ours. Each marks its first script, then makes a WebGL 2 context with
// the page's attributes on its canvas, then marks its first animation frame.
function writeFloorPages() {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'jellycube-floor-'));
  const size = fs.statSync(path.join(siteDir, 'jellycube.html')).size;
  const page = data => '<!doctype html><html lang="en"><head><meta charset="utf-8"><title>floor</title></head>' +
    '<body><canvas id="canvas" width="700" height="700"></canvas>' +
    `<script type="application/octet-stream">${data}</script><script>performance.mark('floor-script');` +
    "document.getElementById('canvas').getContext('webgl2', { alpha: false, depth: true, stencil: false, antialias: false });" +
    "performance.mark('floor-context'); requestAnimationFrame(() => performance.mark('floor-frame'));</script></body></html>";
  const urls = {};
  for (const [name, data] of [['empty', ''], ['as large as ours', 'A'.repeat(Math.max(0, size - page('').length))]]) {
    const file = path.join(dir, name.replace(/ /g, '-') + '.html');
    fs.writeFileSync(file, page(data));
    urls[name] = pathToFileURL(file).href;
  }
  return { dir, urls };
}

// The marks of one load (ms after navigation start), once the last is set; `from`, a page
// the tab shows first.
async function load(browser, url, names = marks, from = null) {
  const page = await browser.newPage();
  if (from) await page.goto(from);
  await page.goto(url);
  await page.waitForFunction(last => performance.getEntriesByName(last).length > 0,
    { timeout: 60000 }, names.at(-1));
  const at = await page.evaluate(names => names.map(
    name => performance.getEntriesByName(name)[0].startTime), names);
  await page.close();
  return at;
}

// One cold load, then `runs` warm ones; the cold times and the warm medians of each mark.
async function loads(browser, url, names = marks, from = null) {
  const cold = await load(browser, url, names, from);
  const warm = [];
  for (let k = 0; k < runs; ++k) warm.push(await load(browser, url, names, from));
  return { cold, medians: names.map((_, i) => median(warm.map(at => at[i]))) };
}

const { server, origin } = await serveSite();
const floors = writeFloorPages();
try {
  console.log(`First frame, ms after navigation start (median of ${runs} warm loads; cold: the first load in a new browser)\n`);
  console.log('| engine, page | cold | warm | page read to its first script | module compiled and started | WebGL context made | textures drawn | textures uploaded | first frame drawn |');
  console.log('|---|---:|---:|---:|---:|---:|---:|---:|---:|');
  const floorRows = [];
  for (const engine of engines) {
    const browser = await launchBrowser(engine);
    try {
      for (const [name, url, from] of [['one file, file://', pageUrl(), null],
        ['one file, file://, tab on a file:// page', pageUrl(), floors.urls.empty],
        ['served, http://', origin + '/', null]]) {
        const { cold, medians: m } = await loads(browser, url, marks, from);
        const steps = m.map((t, i) => (t - (i ? m[i - 1] : 0)).toFixed(0));
        console.log(`| ${engine}, ${name} | ${cold.at(-1).toFixed(0)} | ${m.at(-1).toFixed(0)} | ${steps.join(' | ')} |`);
      }
      for (const [name, url] of Object.entries(floors.urls)) {
        const { medians: m } = await loads(browser, url, floorMarks);
        floorRows.push(`| ${engine}, ${name} | ${m[0].toFixed(0)} | ${(m[1] - m[0]).toFixed(0)} | ${m[2].toFixed(0)} |`);
      }
    } finally {
      await browser.close();
    }
  }
  console.log(`\nFloors, file:// in a new tab, ms (median of ${runs} warm loads)\n`);
  console.log('| engine, page | first script after navigation start | WebGL 2 context made | first animation frame after navigation start |');
  console.log('|---|---:|---:|---:|');
  for (const row of floorRows) console.log(row);
  if (!engines.includes('chromium') || seconds <= 0) {
    fs.rmSync(floors.dir, { recursive: true, force: true });
    process.exit(0);
  }

  console.log('\n| page, headless chromium | frames/s | ms a frame |\n|---|---:|---:|');
  for (const [name, extra] of [
    ['animation frames paced (as on a display)', []],
    ['pacing lifted (--disable-frame-rate-limit --disable-gpu-vsync)',
     ['--disable-frame-rate-limit', '--disable-gpu-vsync']],
  ]) {
    const browser = await launchBrowser('chromium', extra);
    try {
      const page = await browser.newPage();
      await page.goto(pageUrl());
      await waitForStart(page);
      await sleep(2000);
      const count = () => page.evaluate(() => [Module._page_frames_drawn(), performance.now()]);
      const [f0, t0] = await count();
      await sleep(seconds * 1000);
      const [f1, t1] = await count();
      const fps = (f1 - f0) / ((t1 - t0) / 1000);
      console.log(`| ${name} | ${fps.toFixed(1)} | ${(1000 / fps).toFixed(2)} |`);
    } finally {
      await browser.close();
    }
  }
} finally {
  server.close();
  fs.rmSync(floors.dir, { recursive: true, force: true });
}
