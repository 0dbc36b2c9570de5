// What the browser tests share: a static server for the built site on 127.0.0.1, headless
// Debian chromium through puppeteer-core, and pages whose console and errors are kept.
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import zlib from 'node:zlib';
import puppeteer from 'puppeteer-core';

const here = path.dirname(fileURLToPath(import.meta.url));
export const sourceDir = path.resolve(here, '../..');
export const siteDir = path.resolve(process.env.JELLY_WEB_DIR ?? path.join(sourceDir, 'build-web'));
export const nativeDir = path.resolve(process.env.JELLY_BUILD_DIR ?? path.join(sourceDir, 'build'));

const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.data': 'application/octet-stream', '.bmp': 'image/bmp',
};

// Serves siteDir on 127.0.0.1 at a free port; files outside it are never served.
export async function serveSite() {
  const server = http.createServer((request, response) => {
    const url = new URL(request.url, 'http://127.0.0.1');
    const file = path.resolve(siteDir, '.' + decodeURIComponent(url.pathname).replace(/\/$/, '/index.html'));
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

// Headless chromium with its software rasteriser (SwiftShader through ANGLE): the system's
// browser, never one downloaded.
export function launchBrowser() {
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
    defaultViewport: { width: 1000, height: 760, deviceScaleFactor: 1 },
    protocolTimeout: 60000,
  });
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
