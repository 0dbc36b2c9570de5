// The trace tool compiled for node against the native one: the same bytes on standard
// output, the same status and error line, for paced runs and for tick files from disk.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { siteDir, nativeDir } from './harness.mjs';

const nodeTrace = path.join(siteDir, 'jellycube-trace.js');
const nativeTrace = path.join(nativeDir, 'tools', 'jellycube-trace');

function both(args) {
  const run = (command, list) =>
    spawnSync(command, list, { encoding: 'latin1', maxBuffer: 1 << 28, timeout: 120000 });
  const native = run(nativeTrace, args);
  const wasm = run(process.execPath, [nodeTrace, ...args]);
  assert.equal(native.error, undefined, 'native: ' + native.error);
  assert.equal(wasm.error, undefined, 'node: ' + wasm.error);
  return { native, wasm };
}

function assertSame({ native, wasm }, what) {
  assert.equal(wasm.status, native.status, `${what}: status; node said ${wasm.stderr}`);
  assert.equal(wasm.stderr, native.stderr, `${what}: standard error`);
  if (wasm.stdout !== native.stdout) {
    const a = native.stdout.split('\n'), b = wasm.stdout.split('\n');
    const at = a.findIndex((line, k) => line !== b[k]);
    assert.fail(`${what}: first differing line ${at + 1}:\n  native ${a[at]}\n  node   ${b[at]}`);
  }
}

test('600 frames at 60 fps, every particle of every frame', { timeout: 240000 }, () => {
  const runs = both(['--fps', '60', '--frames', '600', '--every', '1']);
  assert.equal(runs.native.status, 0, runs.native.stderr);
  assert.equal(runs.native.stdout.split('\n').length, 600 * 125 + 2); // header, rows, ''
  assertSame(runs, '600 frames');
});

// Irregular frames: repeated readings, short and long gaps, and stalls of 0.6, 2 and 45 s,
// past the 0.5 s that one frame's sub-steps may cover, from the lift's start on.
test('an irregular tick file with stalls past the bound', { timeout: 240000 }, (t) => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'jellycube-ticks-'));
  t.after(() => fs.rmSync(dir, { recursive: true, force: true }));
  const gaps = [16667, 0, 1000, 33000, 600000, 7, 2000000, 16666, 45000000, 250000, 499999];
  const ticks = [];
  let now = 0;
  for (let k = 0; k < 900; ++k) {
    now += gaps[(k * 7 + (k >> 3)) % gaps.length];
    ticks.push(now);
  }
  const file = path.join(dir, 'ticks.txt');
  fs.writeFileSync(file, ticks.join('\n') + '\n');
  for (const extra of [['--every', '1'], ['--summary']]) {
    const runs = both(['--ticks', file, ...extra]);
    assert.equal(runs.native.status, 0, runs.native.stderr);
    assertSame(runs, 'ticks ' + extra.join(' '));
  }
  // The summary's dt shows the bound at work: 0.5 s / 100 for each stall.
  const stalls = both(['--ticks', file, '--summary']).wasm.stdout.split('\n')
    .filter(line => line.split(',')[2] === '0.00499999989');
  assert.ok(stalls.length >= 3, `${stalls.length} frames at the bound`);

  assertSame(both(['--ticks', path.join(dir, 'missing.txt')]), 'a missing tick file');
  fs.writeFileSync(path.join(dir, 'bad.txt'), '12\n3x\n');
  assertSame(both(['--ticks', path.join(dir, 'bad.txt')]), 'a malformed tick file');
});
