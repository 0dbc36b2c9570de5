// The page's loader, which decodes the module from its data block and compiles it before the
// rest of the script is read: in each engine, from file://, a browser without
// Uint8Array.fromBase64 still starts the page (the atob path), and a module the browser
// refuses to compile is said in #message, never thrown as an uncaught error.
import { test, describe, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { engines, pageUrl, launchBrowser, waitForStart, framesDrawn, pageErrors } from './harness.mjs';

const cases = [
  {
    name: 'without Uint8Array.fromBase64 the module is decoded with atob and the page runs',
    before: () => { delete Uint8Array.fromBase64; },
    check: async page => {
      assert.equal(await page.$eval('#message', m => m.textContent), '');
      await page.waitForFunction(() => Module._page_frames_drawn() >= 3);
      assert.equal(await page.$eval('#pause', b => b.disabled), false);
    },
  },
  {
    name: 'a module that does not compile is one sentence, and the page never starts',
    before: () => {
      WebAssembly.compile = () => Promise.reject(new WebAssembly.CompileError('refused by the test'));
    },
    check: async page => {
      assert.match(await page.$eval('#message', m => m.textContent),
        /^The program could not start: CompileError: refused by the test$/);
      assert.equal(await framesDrawn(page).catch(() => 0), 0);
      assert.ok(await page.$$eval('button, input', all => all.every(e => e.disabled)));
    },
  },
];

for (const engine of engines) describe(engine, () => {
  let browser;
  before(async () => { browser = await launchBrowser(engine); });
  after(async () => { await browser?.close(); });

  for (const { name, before: setUp, check } of cases) {
    test(name, { timeout: 120000 }, async () => {
      const page = await browser.newPage();
      page.setDefaultTimeout(60000);
      page.log = [];
      page.on('console', message => page.log.push(message.type() + ': ' + message.text()));
      page.on('pageerror', error => page.log.push('pageerror: ' + error.message));
      await page.evaluateOnNewDocument(setUp);
      await page.goto(pageUrl());
      await waitForStart(page);
      await check(page);
      assert.deepEqual(pageErrors(page), []);
      await page.close();
    });
  }
});
