// The live page as a visitor meets it: title, canvas, console, frames, the controls and the
// keys. Waits are bounded by counts of frames, never by how fast frames come.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import {
  serveSite, launchBrowser, openPage, waitForStart, framesDrawn, sceneTime, sleep,
} from './harness.mjs';

let site, browser;
before(async () => {
  site = await serveSite();
  browser = await launchBrowser();
});
after(async () => {
  await browser?.close();
  site?.server.close();
});

// Resolves once `count` more frames than now have been drawn.
async function moreFrames(page, count) {
  const from = await framesDrawn(page);
  await page.waitForFunction((n) => Module._page_frames_drawn() >= n, {}, from + count);
}

const canvasSize = page => page.evaluate(() => {
  const canvas = document.getElementById('canvas');
  const box = canvas.getBoundingClientRect();
  return [canvas.width, canvas.height, box.width, box.height];
});

test('the page starts, animates, pauses, resumes, restarts and fits its canvas', { timeout: 180000 }, async () => {
  const page = await openPage(browser, `${site.origin}/index.html`);
  await waitForStart(page);
  assert.equal(await page.title(), 'Diz! Uvi! Dar!');
  assert.equal(await page.$eval('#message', m => m.textContent), '', page.log.join('\n'));
  assert.ok(page.log.some(line => /^log: .*\bGL_EXT_\w+/.test(line)),
    'the extension list goes to the console:\n' + page.log.join('\n'));
  assert.deepEqual(await canvasSize(page), [700, 700, 700, 700]);

  await moreFrames(page, 30);
  await page.waitForFunction(() => /^\d+\.\d$/.test(document.getElementById('fps').textContent));

  // Paused, scene time stands still while frames are asked for.
  await page.click('#pause');
  assert.equal(await page.$eval('#pause', b => b.textContent), 'Resume');
  const pausedAt = await sceneTime(page);
  await sleep(1500);
  assert.equal(await sceneTime(page), pausedAt);

  // The first frame after the pause covers the time since the last one before it, not the
  // 1.5 s pause: with the clock shifted by the pause, it cannot reach the pause's length.
  const framesBefore = await framesDrawn(page);
  await page.click('#pause');
  await page.waitForFunction((n) => Module._page_frames_drawn() > n, {}, framesBefore);
  const firstInterval = await page.evaluate(() => Module._page_frame_interval());
  const timeAfter = await sceneTime(page);
  assert.ok(firstInterval < 1.5, `the first frame after the pause covered ${firstInterval} s`);
  assert.ok(timeAfter > pausedAt && timeAfter < pausedAt + 1.5, `${pausedAt} -> ${timeAfter}`);

  // Restart: the scene from t = 0 again.
  await moreFrames(page, 10);
  const beforeRestart = await sceneTime(page);
  await page.click('#restart');
  await moreFrames(page, 2);
  assert.ok(await sceneTime(page) < beforeRestart, 'scene time went back to the start');

  // A small window gets a smaller square canvas, and its drawing buffer follows.
  await page.setViewport({ width: 500, height: 400, deviceScaleFactor: 1 });
  await page.waitForFunction(() => document.getElementById('canvas').width === 380);
  assert.deepEqual(await canvasSize(page), [380, 380, 380, 380]);
  await moreFrames(page, 5);
  await page.setViewport({ width: 1000, height: 760, deviceScaleFactor: 1 });
  await page.waitForFunction(() => document.getElementById('canvas').width === 700);
  assert.deepEqual(page.log.filter(line => /^(error|pageerror)/.test(line)), []);
  await page.close();
});

test('every key but Esc is ignored, and Esc stops the animation', { timeout: 180000 }, async () => {
  const page = await openPage(browser, `${site.origin}/index.html`);
  await waitForStart(page);
  await moreFrames(page, 5);
  for (const key of ['a', 'Q', 'Enter', 'Space', 'ArrowLeft', 'F2', 'Tab', 'Backspace', '9']) {
    await page.keyboard.press(key);
  }
  await page.keyboard.type('Diz! Uvi! Dar! ëß');
  await moreFrames(page, 10);
  assert.equal(await page.$eval('#message', m => m.textContent), '');

  await page.keyboard.press('Escape');
  await page.waitForFunction(() => document.getElementById('message').textContent !== '');
  assert.match(await page.$eval('#message', m => m.textContent), /^Stopped: Esc .*reload/);
  const stoppedAt = await framesDrawn(page);
  await sleep(1000);
  assert.equal(await framesDrawn(page), stoppedAt, 'frames went on after Esc');
  assert.deepEqual(await page.$$eval('button, input', all => all.map(e => e.disabled)),
    [true, true, true, true]);
  await page.keyboard.press('Escape'); // nothing more to stop
  await page.keyboard.press('a');
  assert.equal(await framesDrawn(page), stoppedAt);
  await page.close();
});
