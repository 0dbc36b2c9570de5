// Frames per second of the live page at 700 x 700 in headless chromium (SwiftShader), as
// make web-timing prints them: once with the browser's animation frames paced as a display
// would pace them, once with that limit lifted, so the page runs as fast as it can draw.
// Usage: node page_fps.mjs [SECONDS]   (after 2 s to settle; the site from JELLY_WEB_DIR)
import puppeteer from 'puppeteer-core';
import { serveSite, waitForStart, sleep } from './harness.mjs';

const seconds = Number(process.argv[2] ?? 10);
const { server, origin } = await serveSite();
console.log('| page, headless chromium | frames/s | ms a frame |\n|---|---:|---:|');
try {
  for (const [name, extra] of [
    ['animation frames paced (as on a display)', []],
    ['pacing lifted (--disable-frame-rate-limit --disable-gpu-vsync)',
     ['--disable-frame-rate-limit', '--disable-gpu-vsync']],
  ]) {
    const browser = await puppeteer.launch({
      executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
      headless: true,
      args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', ...extra],
      defaultViewport: { width: 1000, height: 760, deviceScaleFactor: 1 },
    });
    try {
      const page = await browser.newPage();
      await page.goto(origin + '/index.html');
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
