// A visitor's own BMP files through the program's decoder: refused ones leave the scene as it
// was with a message that is text only (in each engine); accepted ones, a width off a power
// of two included, change the cube or the floor; the last file chosen wins; a file too large
// or that WebGL fails to take is said to be so.
import { test, describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  engines, pageUrl, launchBrowser, openPage, waitForStart, bmpFile, canvasPixels, pageErrors,
} from './harness.mjs';

let work;
before(() => { work = fs.mkdtempSync(path.join(os.tmpdir(), 'jellycube-textures-')); });
after(() => { fs.rmSync(work, { recursive: true, force: true }); });

const caption198 = 'Frame 198 of a run at 60 frames per second.';

function writeFile(name, bytes) {
  const file = path.join(work, name);
  fs.writeFileSync(file, bytes);
  return file;
}

// Chooses `file` in the input and waits for the page's answer.
async function choose(page, input, file) {
  const before = await page.evaluate(() => Module._page_frames_drawn());
  await page.evaluate(() => { document.getElementById('message').textContent = 'waiting'; });
  await (await page.$(input)).uploadFile(file);
  await page.waitForFunction(() => document.getElementById('message').textContent !== 'waiting');
  return before;
}

const countColour = ({ rgb: pixels }, rgb) => {
  let count = 0;
  for (let k = 0; k < pixels.length; k += 3) {
    count += pixels[k] === rgb[0] && pixels[k + 1] === rgb[1] && pixels[k + 2] === rgb[2];
  }
  return count;
};

for (const engine of engines) describe(engine, () => {
let browser;
before(async () => { browser = await launchBrowser(engine); });
after(async () => { await browser?.close(); });

test('refused files keep the texture and the scene goes on', { timeout: 180000 }, async () => {
  const page = await openPage(browser, pageUrl('?fps=60&frame=198'));
  await page.waitForFunction(() => document.body.dataset.frame === '198');
  const shown = await canvasPixels(page);
  const sky = countColour(shown, [0, 102, 0]); // the clear colour above the floor
  assert.ok(sky > 700 * 50 && sky < 700 * 350, `${sky} pixels of clear colour`);

  const good = bmpFile(64, [0, 0, 255]);
  const refused = [
    ['thirty-two.bmp', bmpFile(64, [0, 0, 255], 32)],
    ['short.bmp', good.subarray(0, good.length - 1)],
    ['header-only.bmp', good.subarray(0, 40)],
    ['<img src=x onerror=document.title=1>.bmp', bmpFile(8, [0, 0, 255], 8)],
  ];
  for (const [name, bytes] of refused) {
    await choose(page, '#cube-texture', writeFile(name, bytes));
    assert.equal(await page.$eval('#message', m => m.textContent), 'invalid format of ' + name);
    assert.equal(await page.$eval('#message', m => m.children.length), 0, name);
  }
  assert.equal(await page.title(), 'Diz! Uvi! Dar!');
  assert.ok((await canvasPixels(page)).rgb.equals(shown.rgb), 'a refused file changed the picture');
  await page.close();

  // In the live scene, frames go on after a refusal.
  const live = await openPage(browser, pageUrl());
  await waitForStart(live);
  const before = await choose(live, '#floor-texture', writeFile('bad.bmp', bmpFile(16, [1, 2, 3], 16)));
  assert.equal(await live.$eval('#message', m => m.textContent), 'invalid format of bad.bmp');
  await live.waitForFunction((n) => Module._page_frames_drawn() > n + 10, {}, before);
  assert.deepEqual(pageErrors(live), []);
  await live.close();
});
});

describe('chromium: accepted files, races, sizes and upload errors', { skip: !engines.includes('chromium') }, () => {
let browser;
before(async () => { browser = await launchBrowser('chromium'); });
after(async () => { await browser?.close(); });

// Frame 198 of the script, drawn again with each new texture: a flat blue cube texture
// makes every cube pixel that blue, whatever the sphere map picks; a flat floor of width 100
// (scaled to 128) turns the floor's pixels to a grey that the default floor never has.
test('accepted files change the cube and the floor; the caption stays', { timeout: 180000 }, async () => {
  const page = await openPage(browser, pageUrl('?fps=60&frame=198'));
  await page.waitForFunction(() => document.body.dataset.frame === '198');
  const shown = await canvasPixels(page);
  const blue = [0, 0, 255];
  assert.equal(countColour(shown, blue), 0);

  await choose(page, '#cube-texture', writeFile('blue.bmp', bmpFile(64, blue)));
  assert.equal(await page.$eval('#message', m => m.textContent), caption198);
  const blueCube = await canvasPixels(page);
  const cubePixels = countColour(blueCube, blue);
  assert.ok(cubePixels > 1000, `${cubePixels} pixels of the blue cube`);
  let changed = 0;
  for (let k = 0; k < shown.rgb.length; k += 3) {
    changed += shown.rgb.compare(blueCube.rgb, k, k + 3, k, k + 3) !== 0;
  }
  assert.equal(changed, cubePixels, 'only the cube changed, all of it to blue');

  const floorFrom = countColour(blueCube, [0, 102, 0]); // the clear colour around the floor
  await choose(page, '#floor-texture', writeFile('floor-100.bmp', bmpFile(100, [255, 255, 255])));
  assert.equal(await page.$eval('#message', m => m.textContent), caption198);
  const whiteFloor = await canvasPixels(page);
  assert.equal(countColour(whiteFloor, [0, 102, 0]), floorFrom, 'the floor kept its place');
  assert.equal(countColour(whiteFloor, blue), cubePixels, 'the cube kept its texture');
  // A white floor shows the lighting alone: grey, each channel alike, on most pixels.
  let grey = 0;
  const floor = whiteFloor.rgb;
  for (let k = 0; k < floor.length; k += 3) {
    grey += floor[k] === floor[k + 1] && floor[k + 1] === floor[k + 2] && floor[k] > 0;
  }
  assert.ok(grey > 700 * 700 / 2, `${grey} grey pixels`);
  await page.close();
});

test('the last file chosen wins, however long the one before takes to read', { timeout: 180000 }, async () => {
  const page = await openPage(browser, pageUrl('?fps=60&frame=198'));
  await page.waitForFunction(() => document.body.dataset.frame === '198');
  // Reading a large file is slow; here it is made slower still, so the small one chosen just
  // after it is read first.
  await page.evaluate(() => {
    const read = File.prototype.arrayBuffer;
    File.prototype.arrayBuffer = function () {
      const bytes = read.call(this);
      return this.size < 100000 ? bytes : bytes.then(b => new Promise(r => setTimeout(() => r(b), 500)));
    };
  });
  const input = await page.$('#cube-texture');
  await input.uploadFile(writeFile('large-blue.bmp', bmpFile(512, [0, 0, 255])));
  await input.uploadFile(writeFile('small-red.bmp', bmpFile(8, [255, 0, 0])));
  await new Promise(resolve => setTimeout(resolve, 1500));
  const shown = await canvasPixels(page);
  assert.equal(countColour(shown, [0, 0, 255]), 0, 'the file chosen first is on the cube');
  assert.ok(countColour(shown, [255, 0, 0]) > 1000, 'the file chosen last is not on the cube');
  assert.equal(await page.$eval('#message', m => m.textContent), caption198);
  await page.close();
});

test('a file over the size limit is said to be too large; an upload error is said', { timeout: 180000 }, async () => {
  const page = await openPage(browser, pageUrl('?fps=1&frame=3'));
  await page.waitForFunction(() => document.body.dataset.frame === '3');
  assert.equal(await page.$eval('#message', m => m.textContent), 'Frame 3 of a run at 1 frame per second.');
  const shown = await canvasPixels(page);
  const largest = await page.evaluate(() => Module._page_largest_texture_file());
  const big = writeFile('big.bmp', Buffer.alloc(largest + 1));
  await choose(page, '#cube-texture', big);
  assert.equal(await page.$eval('#message', m => m.textContent),
    'big.bmp is too large: texture files of up to 48 MB are taken.');

  // WebGL reporting an error on the upload (as when it runs out of memory).
  await page.evaluate(() => {
    const gl = document.getElementById('canvas').getContext('webgl2');
    let uploaded = false;
    const texImage2D = gl.texImage2D, getError = gl.getError;
    gl.texImage2D = function (...args) { uploaded = true; return texImage2D.apply(this, args); };
    gl.getError = function () {
      if (uploaded) { uploaded = false; return this.OUT_OF_MEMORY; }
      return getError.call(this);
    };
  });
  await choose(page, '#cube-texture', writeFile('blue.bmp', bmpFile(64, [0, 0, 255])));
  assert.equal(await page.$eval('#message', m => m.textContent), 'blue.bmp could not be uploaded to WebGL.');
  assert.ok((await canvasPixels(page)).rgb.equals(shown.rgb), 'a failed upload changed the picture');
  assert.deepEqual(pageErrors(page), []);
  await page.close();
});
});
