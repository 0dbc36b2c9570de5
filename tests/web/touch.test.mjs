// Touching the jelly in the page: a drag grabs and throws it, and the session it makes
// replays to the same state hash in the page, from its link, and in the native and node
// trace tools; a press off the cube, a second finger, a phone's layout and touch drags, and
// the saved picture.
import { test, describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  engines, pageUrl, launchBrowser, openPage, waitForStart, framesDrawn, sleep, canvasPixels,
  decodePng, pageErrors, siteDir, nativeDir, sourceDir,
} from './harness.mjs';

let work;
before(() => { work = fs.mkdtempSync(path.join(os.tmpdir(), 'jellycube-touch-')); });
after(() => { fs.rmSync(work, { recursive: true, force: true }); });

async function moreFrames(page, count) {
  const from = await framesDrawn(page);
  await page.waitForFunction((n) => Module._page_frames_drawn() >= n, {}, from + count);
}

// Every file the page offers for download is kept (name and bytes as base64) instead.
const catchDownloads = page => page.evaluate(() => {
  window.downloads = [];
  HTMLAnchorElement.prototype.click = function () {
    const name = this.download;
    window.downloads.push(fetch(this.href).then(r => r.arrayBuffer()).then(buffer => {
      let binary = '';
      for (const byte of new Uint8Array(buffer)) binary += String.fromCharCode(byte);
      return { name, base64: btoa(binary) };
    }));
  };
});
async function lastDownload(page) {
  await page.waitForFunction(() => window.downloads.length > 0);
  const all = await page.evaluate(() => Promise.all(window.downloads));
  const { name, base64 } = all[all.length - 1];
  return { name, bytes: Buffer.from(base64, 'base64') };
}

// A point on the cube in page coordinates, where a press grabs it now: of the canvas pixels
// where the page says a press would grab, the one nearest to their mean.
const pointOnCube = page => page.evaluate(() => {
  const canvas = document.getElementById('canvas');
  const hits = [];
  for (let y = 4; y < canvas.height; y += 8) {
    for (let x = 4; x < canvas.width; x += 8) {
      if (Module._page_pointer_grabbable(x, y)) hits.push([x, y]);
    }
  }
  if (hits.length === 0) return null;
  const mean = [0, 1].map(i => hits.reduce((sum, hit) => sum + hit[i], 0) / hits.length);
  const [x, y] = hits.reduce((best, hit) => Math.hypot(hit[0] - mean[0], hit[1] - mean[1]) <
                                            Math.hypot(best[0] - mean[0], best[1] - mean[1]) ? hit : best);
  const box = canvas.getBoundingClientRect();
  const scale = box.width / canvas.width;
  return { x: box.left + x * scale, y: box.top + y * scale };
});

// Presses the mouse on the cube and returns where. The cube moves between finding the point
// and pressing on a loaded machine, so a press that missed is let go and tried again.
async function grabCube(page) {
  for (let attempt = 0; attempt < 5; ++attempt) {
    const at = await pointOnCube(page);
    assert.ok(at, 'no point on the canvas grabs the cube');
    await page.mouse.move(at.x, at.y);
    await page.mouse.down();
    if (await page.$eval('#canvas', c => c.style.cursor) === 'grabbing') return at;
    await page.mouse.up();
  }
  assert.fail('five presses on the cube missed it');
}

// The session file the page saves now, and the state hash it shows for its end.
async function saveSession(page) {
  await page.$eval('#save-session', button => button.click());
  const { bytes } = await lastDownload(page);
  const hash = await page.$eval('#hash', output => output.textContent);
  assert.match(hash, /^[0-9a-f]{16}$/);
  return { text: bytes.toString('latin1'), hash };
}
const grabLines = text => text.split('\n').slice(2).filter(line => line.split(' ').length === 5);

function traceHash(command, args) {
  const run = spawnSync(command, [...args, '--hash'], { encoding: 'latin1', timeout: 120000 });
  assert.equal(run.status, 0, `${command}: ${run.stderr}`);
  return run.stdout.trim();
}
const nativeTrace = path.join(nativeDir, 'tools', 'jellycube-trace');
const nodeTrace = [process.execPath, path.join(siteDir, 'jellycube-trace.js')];

// Loads `text` as a session file through the page's own input, as a file chooser would.
const loadSession = (page, name, text) => page.evaluate((name, text) => {
  const input = document.getElementById('load-session');
  const files = new DataTransfer();
  files.items.add(new File([text], name));
  input.files = files.files;
  input.dispatchEvent(new Event('change'));
}, name, text);
async function replayedHash(page) {
  await page.waitForFunction(() => /^Replayed /.test(document.getElementById('message').textContent),
    { timeout: 120000 });
  return page.$eval('#hash', output => output.textContent);
}

for (const engine of engines) describe(engine, () => {
let browser;
before(async () => { browser = await launchBrowser(engine); });
after(async () => { await browser?.close(); });

test('a drag grabs the cube, and its session replays to the same hash everywhere', { timeout: 300000 }, async () => {
  const page = await openPage(browser, pageUrl());
  await waitForStart(page);
  await catchDownloads(page);
  await moreFrames(page, 10);
  const on = await pointOnCube(page);
  await page.mouse.move(on.x, on.y);
  assert.equal(await page.$eval('#canvas', c => c.style.cursor), 'grab');
  const at = await grabCube(page);
  const [dx, dy] = [at.x < 360 ? 6 : -6, at.y < 360 ? 5 : -5]; // towards the canvas's middle
  for (let k = 1; k <= 20; ++k) {
    await page.mouse.move(at.x + dx * k, at.y + dy * k);
    await sleep(15);
  }
  await page.mouse.up();
  await moreFrames(page, 20);
  const { text, hash } = await saveSession(page);
  assert.equal(await page.$eval('#canvas', c => c.style.cursor), '');

  // One particle was held for a run of frames, then let go.
  const grabbed = grabLines(text);
  assert.ok(grabbed.length >= 5, `${grabbed.length} frames held the cube:\n${text.slice(0, 400)}`);
  assert.equal(new Set(grabbed.map(line => line.split(' ')[1])).size, 1);
  assert.equal(text.split('\n').filter(Boolean).at(-1).split(' ').length, 1, 'still held');

  const file = path.join(work, `${engine}-drag.txt`);
  fs.writeFileSync(file, text);
  assert.equal(traceHash(nativeTrace, ['--session', file]), hash, 'native replay');
  assert.equal(traceHash(nodeTrace[0], [nodeTrace[1], '--session', file]), hash, 'node replay');
  // The same clock without the hand ends elsewhere: the grab moved the body.
  const untouched = path.join(work, `${engine}-untouched.txt`);
  fs.writeFileSync(untouched, text.split('\n')
    .map((line, k) => k < 2 ? line : line.split(' ')[0]).join('\n'));
  assert.notEqual(traceHash(nativeTrace, ['--session', untouched]), hash);

  // Loaded in the page, and opened from its link.
  await loadSession(page, 'drag.txt', text);
  assert.equal(await replayedHash(page), hash, 'page replay');
  const link = await page.$eval('#session-link', a => a.href);
  assert.ok(link.length < text.length, `the link (${link.length}) is longer than the file (${text.length})`);
  const linked = await openPage(browser, link);
  assert.equal(await replayedHash(linked), hash, 'linked replay');
  assert.deepEqual([...pageErrors(page), ...pageErrors(linked)], []);
  await linked.close();
  await page.close();
});

test('the drag session kept with the tests replays to its pinned hash', { timeout: 180000 }, async () => {
  const text = fs.readFileSync(path.join(sourceDir, 'tests', 'golden', 'drag_session.txt'), 'latin1');
  const pinned = fs.readFileSync(path.join(sourceDir, 'tests', 'golden', 'state_hash.txt'), 'latin1')
    .match(/^--session tests\/golden\/drag_session\.txt ([0-9a-f]{16})$/m)[1];
  const page = await openPage(browser, pageUrl());
  await waitForStart(page);
  await loadSession(page, 'drag_session.txt', text);
  assert.equal(await replayedHash(page), pinned);
  // A refused file names itself and its line, and leaves the page as it was.
  await loadSession(page, 'bad.txt', text.replace(/\n(\d+) (\d+) /, '\n$1 125 '));
  await page.waitForFunction(() => /^bad\.txt: line \d+: /.test(document.getElementById('message').textContent));
  assert.deepEqual(pageErrors(page), []);
  await page.close();
});
});

describe('chromium: a phone, a second finger and the saved picture', { skip: !engines.includes('chromium') }, () => {
let browser;
before(async () => { browser = await launchBrowser('chromium'); });
after(async () => { await browser?.close(); });

// The page as a phone shows it: a touch screen 390 CSS pixels wide, at device width.
async function openOnPhone() {
  const page = await browser.newPage();
  page.log = [];
  page.on('pageerror', error => page.log.push('pageerror: ' + error.message));
  await page.setViewport({ width: 390, height: 844, deviceScaleFactor: 2, isMobile: true, hasTouch: true });
  await page.goto(pageUrl());
  await waitForStart(page);
  return page;
}

test('on a phone the canvas fits the width, the controls sit below, and drags neither scroll nor zoom', { timeout: 120000 }, async () => {
  const page = await openOnPhone();
  await moreFrames(page, 3);
  const layout = () => page.evaluate(() => {
    const canvas = document.getElementById('canvas').getBoundingClientRect();
    const aside = document.querySelector('aside').getBoundingClientRect();
    return { scrollWidth: document.documentElement.scrollWidth, innerWidth,
             scrollHeight: document.documentElement.scrollHeight, innerHeight,
             canvasRight: canvas.right, canvasBottom: canvas.bottom, asideTop: aside.top,
             scrollX, scrollY, scale: visualViewport.scale };
  });
  const shown = await layout();
  assert.ok(shown.scrollWidth <= 390 && shown.canvasRight <= 390, JSON.stringify(shown));
  assert.ok(shown.asideTop >= shown.canvasBottom, JSON.stringify(shown));
  assert.ok(shown.scrollHeight > shown.innerHeight, 'the page must be able to scroll for the drag to mean anything');

  // An upward swipe and a pinch on the canvas, off the cube or on it.
  const swipe = await page.touchscreen.touchStart(200, 300);
  for (let y = 280; y >= 40; y -= 40) await swipe.move(200, y);
  await swipe.end();
  const a = await page.touchscreen.touchStart(150, 200);
  const b = await page.touchscreen.touchStart(230, 200);
  for (let d = 10; d <= 80; d += 10) {
    await a.move(150 - d, 200);
    await b.move(230 + d, 200);
  }
  await a.end();
  await b.end();
  await sleep(300);
  const after = await layout();
  assert.deepEqual([after.scrollX, after.scrollY, after.scale], [0, 0, 1], JSON.stringify(after));
  assert.deepEqual(pageErrors(page), []);
  await page.close();
});

test('a second finger neither grabs nor lets go; a press off the cube does nothing', { timeout: 120000 }, async () => {
  const page = await openOnPhone();
  await catchDownloads(page);
  await moreFrames(page, 5);
  const cube = await pointOnCube(page);
  assert.ok(cube);

  // The first finger off the cube, the second on it: nothing is held.
  const off = await page.touchscreen.touchStart(5, 5);
  const second = await page.touchscreen.touchStart(cube.x, cube.y);
  await second.move(cube.x + 40, cube.y - 40);
  await second.end();
  await off.end();
  await moreFrames(page, 5);
  assert.deepEqual(grabLines((await saveSession(page)).text), []);

  // The first finger holds; a second comes and goes; the first still holds.
  await page.click('#restart');
  await moreFrames(page, 5);
  const hold = await pointOnCube(page);
  const first = await page.touchscreen.touchStart(hold.x, hold.y);
  await moreFrames(page, 3);
  const other = await page.touchscreen.touchStart(20, 20);
  await other.move(60, 60);
  await other.end();
  await moreFrames(page, 5);
  const { text } = await saveSession(page);
  const lines = text.split('\n').filter(Boolean);
  assert.equal(lines.at(-1).split(' ').length, 5, 'the second finger let go of the cube');
  assert.equal(new Set(grabLines(text).map(line => line.split(' ')[1])).size, 1);

  // Pause lets go, though the finger stays.
  await page.$eval('#pause', button => button.click());
  await page.$eval('#pause', button => button.click());
  await moreFrames(page, 3);
  const held = (await saveSession(page)).text.split('\n').filter(Boolean);
  assert.equal(held.at(-1).split(' ').length, 1, 'the cube was held through a pause');
  await first.end();
  assert.deepEqual(pageErrors(page), []);
  await page.close();
});

test('the saved picture is the canvas', { timeout: 120000 }, async () => {
  const page = await openPage(browser, pageUrl('?fps=60&frame=198'));
  await page.waitForFunction(() => document.body.dataset.frame === '198');
  await catchDownloads(page);
  await page.click('#save-picture');
  const { name, bytes } = await lastDownload(page);
  assert.equal(name, 'jellycube.png');
  const saved = decodePng(bytes);
  const shown = await canvasPixels(page);
  assert.deepEqual([saved.width, saved.height], [700, 700]);
  assert.ok(saved.rgb.equals(shown.rgb), 'the saved picture differs from the canvas');
  await page.close();
});
});
