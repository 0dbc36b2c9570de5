// The scripted page against the native program's reference frames (jellycube-record with
// llvmpipe, same textures), by the picture tests' own measure held tighter; and the scripted
// mode's answers to values it must refuse.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { serveSite, launchBrowser, openPage, sourceDir, nativeDir } from './harness.mjs';

// SwiftShader against llvmpipe measured 99.98% of pixels within 8/255, a mean error of
// 0.20/255 and differing squares of 2 x 2 on these frames; the bounds leave room without
// letting a lost pass or a wrong sphere map through.
const bounds = ['--min-close-percent', '99.9', '--max-mean', '0.4', '--max-patch', '4'];

let site, browser, work;
before(async () => {
  site = await serveSite();
  browser = await launchBrowser();
  work = fs.mkdtempSync(path.join(os.tmpdir(), 'jellycube-pictures-'));
});
after(async () => {
  await browser?.close();
  site?.server.close();
  fs.rmSync(work, { recursive: true, force: true });
});

for (const frame of [30, 198, 300]) {
  test(`scripted frame ${frame} at 60 fps matches the native frame`, { timeout: 120000 }, async () => {
    const page = await openPage(browser, `${site.origin}/index.html?fps=60&frame=${frame}`);
    await page.waitForFunction(k => document.body.dataset.frame === String(k), {}, frame);
    const name = `frame-${String(frame).padStart(6, '0')}.png`;
    const shot = path.join(work, name);
    await (await page.$('#canvas')).screenshot({ path: shot }); // the canvas's own pixels
    await page.close();
    const compare = spawnSync(path.join(nativeDir, 'tests', 'picture-compare'),
      [...bounds, path.join(sourceDir, 'tests', 'pictures', name), shot,
       path.join(work, 'diff-' + name)], { encoding: 'utf8', timeout: 60000 });
    console.log(compare.stdout.trim());
    if (compare.status !== 0) {
      const kept = path.join(process.cwd(), 'web-pictures-failed');
      fs.mkdirSync(kept, { recursive: true });
      for (const file of [name, 'diff-' + name]) {
        fs.copyFileSync(path.join(work, file), path.join(kept, file));
      }
      assert.fail(`${compare.stdout}${compare.stderr}kept in ${kept}`);
    }
  });
}

// Bad values end in one message naming the parameter, at once, with no frame drawn.
test('the scripted mode refuses bad values with a message', { timeout: 120000 }, async () => {
  const cases = [
    ['fps=0&frame=30', /^fps must be a whole number from 1 to 1000000, not '0'$/],
    ['fps=abc&frame=30', /^fps must be .*, not 'abc'$/],
    ['fps=-60&frame=30', /^fps must be .*, not '-60'$/],
    ['fps=60&frame=1e3', /^frame must be a whole number from 1 to 1000000, not '1e3'$/],
    ['fps=60&frame=99999999999999999999', /^frame must be .*, not '9{20}'$/],
    ['fps=60&frame=', /^frame must be .*; it is missing$/],
    ['fps=60', /^frame must be .*; it is missing$/],
    ['frame=30', /^fps must be .*; it is missing$/],
    ['fps=60&frame=%3Cb%3E1', /^frame must be .*, not '<b>1'$/],
  ];
  const page = await browser.newPage();
  for (const [query, expected] of cases) {
    await page.goto(`${site.origin}/index.html?${query}`);
    await page.waitForFunction(() => document.getElementById('message').textContent !== '');
    const state = await page.evaluate(() => ({
      message: document.getElementById('message').textContent,
      frame: document.body.dataset.frame ?? null,
      markup: document.getElementById('message').children.length,
      restart: document.getElementById('restart').disabled,
    }));
    assert.match(state.message, expected, query);
    assert.deepEqual([state.frame, state.markup, state.restart], [null, 0, true], query);
  }
  await page.close();
});
