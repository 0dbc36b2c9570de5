// The page's speed, as make web-timing prints it. First, the time from navigation start to
// the first frame drawn (the page's performance marks) in headless chromium and in
// firefox-esr, for the one file from file:// and the page from a local server: one cold
// load, then RUNS warm loads whose medians are given, with where the time goes. Then the
// live page's frames per second at 700 x 700 in headless chromium (SwiftShader), once with
// animation frames paced as a display would pace them, once with that limit lifted.
// Usage: node page_fps.mjs [SECONDS] [RUNS]   (SECONDS of frames after 2 s to settle, 10;
// RUNS, 5; the site from JELLY_WEB_DIR, the engines from JELLY_BROWSERS)
import { engines, pageUrl, serveSite, launchBrowser, waitForStart, sleep } from './harness.mjs';

const seconds = Number(process.argv[2] ?? 10);
const runs = Number(process.argv[3] ?? 5);
const marks = ['module-ready', 'context-made', 'textures-made', 'textures-uploaded', 'first-frame'];
const median = values => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// The marks of one load (ms after navigation start), once its first frame is drawn.
async function load(browser, url) {
  const page = await browser.newPage();
  await page.goto(url);
  await page.waitForFunction(() => performance.getEntriesByName('jellycube-first-frame').length > 0,
    { timeout: 60000 });
  const at = await page.evaluate(names => names.map(
    name => performance.getEntriesByName('jellycube-' + name)[0].startTime), marks);
  await page.close();
  return at;
}

const { server, origin } = await serveSite();
try {
  console.log(`First frame, ms after navigation start (median of ${runs} warm loads; cold: the first load in a new browser)\n`);
  console.log('| engine, page | cold | warm | module compiled and started | WebGL context made | textures drawn | textures uploaded | first frame drawn |');
  console.log('|---|---:|---:|---:|---:|---:|---:|---:|');
  for (const engine of engines) {
    const browser = await launchBrowser(engine);
    try {
      for (const [name, url] of [['one file, file://', pageUrl()], ['served, http://', origin + '/']]) {
        const cold = await load(browser, url);
        const warm = [];
        for (let k = 0; k < runs; ++k) warm.push(await load(browser, url));
        const m = marks.map((_, i) => median(warm.map(at => at[i])));
        const steps = m.map((t, i) => (t - (i ? m[i - 1] : 0)).toFixed(0));
        console.log(`| ${engine}, ${name} | ${cold[4].toFixed(0)} | ${m[4].toFixed(0)} | ${steps.join(' | ')} |`);
      }
    } finally {
      await browser.close();
    }
  }
  if (!engines.includes('chromium') || seconds <= 0) process.exit(0);

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
}
