// What the browser tests share: the one-file page from file://, a static server for the built
// site on 127.0.0.1, Debian's chromium (headless) and firefox-esr (headed in a private Xvfb,
// as headless Firefox offers no WebGL) through puppeteer-core, and pages whose console and
// errors are kept.
import { spawn } from 'node:child_process';
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import zlib from 'node:zlib';
import puppeteer from 'puppeteer-core';

const here = path.dirname(fileURLToPath(import.meta.url));
export const sourceDir = path.resolve(here, '../..');
export const siteDir = path.resolve(process.env.JELLY_WEB_DIR ?? path.join(sourceDir, 'build-web'));
export const nativeDir = path.resolve(process.env.JELLY_BUILD_DIR ?? path.join(sourceDir, 'build'));

// The engines the tests run in (JELLY_BROWSERS, a space-separated list; both by default).
export const engines = (process.env.JELLY_BROWSERS ?? 'chromium firefox').split(/\s+/).filter(Boolean);

// The one-file page as a visitor opens it, with `query` ("?fps=60&frame=198" or ""):
// from file://, or from JELLY_PAGE_URL where a server is given.
export const pageUrl = (query = '') =>
  (process.env.JELLY_PAGE_URL ?? pathToFileURL(path.join(siteDir, 'jellycube.html')).href) + query;

const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.data': 'application/octet-stream', '.bmp': 'image/bmp',
};

// Serves siteDir on 127.0.0.1 at a free port; files outside it are never served.
export async function serveSite() {
  const server = http.createServer((request, response) => {
    const url = new URL(request.url, 'http://127.0.0.1');
    const file = path.resolve(siteDir, '.' + decodeURIComponent(url.pathname).replace(/\/$/, '/jellycube.html'));
    if (!file.startsWith(siteDir + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { 'Content-Type': types[path.extname(file)] ?? 'application/octet-stream' });
    fs.createReadStream(file).pipe(response);
  });
  await new Promise(resolve => server.listen(0, '127.0.0.1', resolve));
  return { server, origin: `http://127.0.0.1:${server.address().port}` };
}

// A private X server for a headed browser; resolves to it and its DISPLAY.
async function startXvfb() {
  const xvfb = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1280x1024x24', '-noreset', '-nolisten', 'tcp'],
    { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
  const display = await new Promise((resolve, reject) => {
    let said = '';
    xvfb.stdio[3].on('data', data => {
      said += data;
      if (said.includes('\n')) resolve(':' + said.trim());
    });
    xvfb.on('error', reject);
    xvfb.on('exit', code => reject(new Error(`Xvfb ended with status ${code}`)));
  });
  return { xvfb, display };
}

const viewport = { width: 1000, height: 760, deviceScaleFactor: 1 };

// The system's browser, never one downloaded: chromium headless with its software rasteriser
// (SwiftShader through ANGLE), or firefox-esr headed on Mesa llvmpipe in its own Xvfb,
// which ends with the browser.
export async function launchBrowser(engine = 'chromium', extraArgs = []) {
  if (engine === 'chromium') {
    return puppeteer.launch({
      executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
      headless: true,
      args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', ...extraArgs],
      defaultViewport: viewport,
      protocolTimeout: 60000,
    });
  }
  const { xvfb, display } = await startXvfb();
  try {
    const browser = await puppeteer.launch({
      browser: 'firefox',
      executablePath: process.env.FIREFOX ?? '/usr/bin/firefox-esr',
      headless: false,
      args: extraArgs,
      env: { ...process.env, DISPLAY: display },
      defaultViewport: viewport,
      protocolTimeout: 60000,
    });
    browser.on('disconnected', () => xvfb.kill());
    return browser;
  } catch (error) {
    xvfb.kill();
    throw error;
  }
}

// A page that keeps what the console and the page's errors said.
export async function openPage(browser, url) {
  const page = await browser.newPage();
  page.setDefaultTimeout(60000);
  page.log = [];
  page.on('console', message => page.log.push(message.type() + ': ' + message.text()));
  page.on('pageerror', error => page.log.push('pageerror: ' + error.message));
  await page.goto(url);
  return page;
}

// Resolves once the module has started and the controls are ready (or it has said why not).
export async function waitForStart(page) {
  await page.waitForFunction(() => !document.getElementById('pause').disabled ||
                                   document.getElementById('message').textContent !== '');
}

// What the page reported as errors: console errors and uncaught exceptions.
export const pageErrors = page => page.log.filter(line => /^(error|pageerror)/.test(line));

// A BMP file of `width` pixels, every one `rgb`, given to the input `selector` by a script
// with a change event, as a file chooser would, whether the input is enabled or not.
export async function forceFile(page, selector, name, width, rgb) {
  await page.evaluate((selector, name, base64) => {
    const input = document.querySelector(selector);
    const files = new DataTransfer();
    files.items.add(new File([Uint8Array.from(atob(base64), c => c.charCodeAt(0))], name));
    input.files = files.files;
    input.dispatchEvent(new Event('change'));
  }, selector, name, bmpFile(width, rgb).toString('base64'));
}

export const framesDrawn = page => page.evaluate(() => Module._page_frames_drawn());
export const sceneTime = page => page.evaluate(() => Module._page_scene_time());
export const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));

// A square BMP of `width` pixels with a 54-byte header, rows padded to 4 bytes, every pixel
// `rgb`; `bits` other than 24 makes a header the decoder refuses.
export function bmpFile(width, rgb, bits = 24) {
  const stride = Math.ceil(width * 3 / 4) * 4;
  const bytes = Buffer.alloc(54 + stride * width);
  bytes.write('BM', 0, 'latin1');
  bytes.writeUInt32LE(bytes.length, 2);
  bytes.writeUInt32LE(54, 10);
  bytes.writeUInt32LE(40, 14);
  bytes.writeInt32LE(width, 18);
  bytes.writeInt32LE(width, 22);
  bytes.writeUInt16LE(1, 26);
  bytes.writeUInt16LE(bits, 28);
  for (let y = 0; y < width; ++y) {
    for (let x = 0; x < width; ++x) {
      const at = 54 + y * stride + x * 3;
      bytes[at] = rgb[2]; // blue, green, red
      bytes[at + 1] = rgb[1];
      bytes[at + 2] = rgb[0];
    }
  }
  return bytes;
}

// Decodes the 8-bit, non-interlaced RGB or RGBA PNG that chromium's screenshots are into
// { width, height, rgb } with 3 bytes a pixel.
export function decodePng(png) {
  let at = 8, width = 0, height = 0, channels = 0;
  const data = [];
  while (at < png.length) {
    const length = png.readUInt32BE(at), type = png.toString('latin1', at + 4, at + 8);
    const body = png.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      channels = { 2: 3, 6: 4 }[body[9]];
      if (body[8] !== 8 || !channels || body[12] !== 0) throw new Error('unexpected PNG format');
    } else if (type === 'IDAT') {
      data.push(body);
    }
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(data));
  const stride = width * channels, rows = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)], line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; ++x) {
      const a = x >= channels ? rows[y * stride + x - channels] : 0;
      const b = y > 0 ? rows[(y - 1) * stride + x] : 0;
      const c = x >= channels && y > 0 ? rows[(y - 1) * stride + x - channels] : 0;
      const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
      const predicted = [0, a, b, (a + b) >> 1, pa <= pb && pa <= pc ? a : pb <= pc ? b : c][filter];
      rows[y * stride + x] = (line[x] + predicted) & 255;
    }
  }
  const rgb = Buffer.alloc(width * height * 3);
  for (let k = 0; k < width * height; ++k) rows.copy(rgb, k * 3, k * channels, k * channels + 3);
  return { width, height, rgb };
}

// The canvas's exact pixels, from an element screenshot.
export async function canvasPixels(page) {
  const png = await (await page.$('#canvas')).screenshot({ type: 'png' });
  return decodePng(Buffer.from(png));
}
