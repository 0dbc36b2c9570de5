// The live page as a visitor meets it, opened from file:// in each engine: title, canvas,
// console, frames, the controls and the keys; then, in chromium, how it stands up to a
// context it cannot have or loses, restarts in bulk and uploads forced by a script. Waits
// are bounded by counts of frames, never by how fast frames come.
import { test, describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import {
  engines, pageUrl, serveSite, launchBrowser, openPage, waitForStart, framesDrawn, sceneTime,
  sleep, canvasPixels, forceFile, pageErrors,
} from './harness.mjs';

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

for (const engine of engines) describe(engine, () => {
let browser;
before(async () => { browser = await launchBrowser(engine); });
after(async () => { await browser?.close(); });

test('the page starts, animates, pauses, resumes, restarts and fits its canvas', { timeout: 180000 }, async () => {
  const page = await openPage(browser, pageUrl());
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
  assert.deepEqual(pageErrors(page), []);
  await page.close();
});

test('every key but Esc is ignored, and Esc stops the animation', { timeout: 180000 }, async () => {
  const page = await openPage(browser, pageUrl());
  await waitForStart(page);
  await moreFrames(page, 5);
  for (const key of ['a', 'Q', 'Enter', ' ', 'ArrowLeft', 'F2', 'Tab', 'Backspace', '9']) {
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
  assert.deepEqual(await page.$$eval('button:enabled, input:enabled', all => all.map(e => e.id)),
    ['save-picture', 'save-session', 'show-hash']); // what reads what stands
  await page.keyboard.press('Escape'); // nothing more to stop
  await page.keyboard.press('a');
  assert.equal(await framesDrawn(page), stoppedAt);

  // A texture forced in by a script after Esc is ignored: the picture and "Stopped" stay.
  const shown = await canvasPixels(page);
  await forceFile(page, '#cube-texture', 'blue.bmp', 64, [0, 0, 255]);
  await sleep(500);
  assert.match(await page.$eval('#message', m => m.textContent), /^Stopped: Esc/);
  assert.ok((await canvasPixels(page)).rgb.equals(shown.rgb), 'the texture changed after Esc');
  assert.deepEqual(pageErrors(page), []);
  await page.close();
});
});

// The rest is the page's own logic, which one engine shows as well as two.
describe('chromium: context, restarts and forced uploads', { skip: !engines.includes('chromium') }, () => {
let browser;
before(async () => { browser = await launchBrowser('chromium'); });
after(async () => { await browser?.close(); });

test('the page served over HTTP starts and draws as from file://', { timeout: 60000 }, async () => {
  const site = await serveSite();
  try {
    const page = await openPage(browser, site.origin + '/');
    await waitForStart(page);
    await moreFrames(page, 5);
    assert.equal(await page.$eval('#message', m => m.textContent), '');
    assert.deepEqual(pageErrors(page), []);
    await page.close();
  } finally {
    site.server.close();
  }
});

test('many restarts while paused draw one frame, in the next animation frame', { timeout: 120000 }, async () => {
  const page = await openPage(browser, pageUrl());
  await waitForStart(page);
  await moreFrames(page, 5);
  await page.click('#pause');
  await sleep(200);
  const before = await framesDrawn(page);
  const during = await page.evaluate(() => {
    for (let k = 0; k < 250; ++k) document.getElementById('restart').click();
    return Module._page_frames_drawn();
  });
  assert.equal(during, before, 'a restart drew at once');
  await page.waitForFunction((n) => Module._page_frames_drawn() > n, {}, before);
  await sleep(300);
  assert.equal(await framesDrawn(page), before + 1);
  assert.equal(await sceneTime(page), 0);
  await page.close();
});

test('a refused WebGL 2 context is one sentence, and forced uploads are ignored', { timeout: 120000 }, async () => {
  const page = await browser.newPage();
  page.log = [];
  page.on('pageerror', error => page.log.push('pageerror: ' + error.message));
  await page.evaluateOnNewDocument(() => {
    const getContext = HTMLCanvasElement.prototype.getContext;
    HTMLCanvasElement.prototype.getContext = function (kind, ...rest) {
      return kind === 'webgl2' ? null : getContext.call(this, kind, ...rest);
    };
  });
  await page.goto(pageUrl());
  await waitForStart(page);
  const said = 'This browser offers no WebGL 2 context, which the jelly cube needs.';
  assert.equal(await page.$eval('#message', m => m.textContent), said);
  await forceFile(page, '#floor-texture', 'red.bmp', 8, [255, 0, 0]);
  await page.evaluate(() => Module._page_restart());
  await sleep(300);
  assert.equal(await page.$eval('#message', m => m.textContent), said);
  assert.equal(await framesDrawn(page), 0);
  assert.ok(await page.$$eval('button, input', all => all.every(e => e.disabled)));
  assert.deepEqual(pageErrors(page), []);
  await page.close();
});

// The extension is kept from before the loss: a lost context offers none.
const loseContext = (page, how) => page.evaluate((how) => {
  window.loser ??= document.getElementById('canvas').getContext('webgl2')
    .getExtension('WEBGL_lose_context');
  window.loser[how]();
}, how);

test('a lost context stops the page with a sentence; restored, it goes on as it was', { timeout: 180000 }, async () => {
  // The live page: frames and the readout stop, a texture chosen meanwhile is not taken.
  const live = await openPage(browser, pageUrl());
  await waitForStart(live);
  await moreFrames(live, 5);
  await loseContext(live, 'loseContext');
  await live.waitForFunction(() => document.getElementById('message').textContent !== '');
  assert.match(await live.$eval('#message', m => m.textContent), /^The browser has taken the WebGL context away; .*\.$/);
  await sleep(200);
  const lostAt = await framesDrawn(live);
  const timeAt = await sceneTime(live);
  await forceFile(live, '#cube-texture', 'blue.bmp', 64, [0, 0, 255]);
  await sleep(1500);
  assert.equal(await framesDrawn(live), lostAt, 'frames went on without a context');
  assert.equal(await sceneTime(live), timeAt);
  assert.equal(await live.$eval('#fps', o => o.textContent), '-');
  assert.match(await live.$eval('#message', m => m.textContent), /^The browser has taken/);
  assert.deepEqual(await live.$$eval('button:enabled, input:enabled', all => all.map(e => e.id)),
    ['save-session', 'show-hash']); // what reads what stands, without a context
  await loseContext(live, 'restoreContext');
  await live.waitForFunction((n) => Module._page_frames_drawn() > n + 5, {}, lostAt);
  assert.equal(await live.$eval('#message', m => m.textContent), '');
  assert.ok(await sceneTime(live) < timeAt + 1, 'the time without a context counted');
  assert.deepEqual(pageErrors(live), []);
  await live.close();

  // The scripted frame comes back the same: textures and buffers made again.
  const page = await openPage(browser, pageUrl('?fps=60&frame=198'));
  await page.waitForFunction(() => document.body.dataset.frame === '198');
  const shown = await canvasPixels(page);
  await loseContext(page, 'loseContext');
  await page.waitForFunction(() => /context away/.test(document.getElementById('message').textContent));
  await loseContext(page, 'restoreContext');
  await page.waitForFunction(() => /^Frame 198 /.test(document.getElementById('message').textContent));
  assert.ok((await canvasPixels(page)).rgb.equals(shown.rgb), 'the restored frame differs');
  assert.deepEqual(pageErrors(page), []);
  await page.close();
});
});
