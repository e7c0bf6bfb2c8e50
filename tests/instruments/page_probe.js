// page_probe: drives the game's page in Debian's headless Chromium for tests/web_test.sh,
// through Chromium's DevTools protocol on a pipe (no browser download, no npm package),
// and writes what it saw into a folder for the test to check:
//   size.txt         the canvas's width and height
//   rest.bmp         the canvas with the car at rest, as a 24-bit BMP like car_trace's
//   up.bmp           the canvas after ArrowUp was held for a second
//   drive.keys, drive.bmp   after a drive: the page's own recording of it and its canvas,
//                    taken in the same instant
//   rates.txt        the page's own steps per second over 10 s, one measure a line
//   blur.keys        the recording after a key was held while the page lost the focus;
//                    blur.txt the step at which it lost it
//   ended.txt        the page's words once Escape was pressed
//
//   node page_probe.js URL OUT_FOLDER [CHROMIUM]      (exit status 1 if the page fails)

'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const path = require('path');
const os = require('os');

const [url, out, chromium = '/usr/bin/chromium'] = process.argv.slice(2);
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

/// A client of Chromium's DevTools protocol over --remote-debugging-pipe: JSON messages
/// ending in a NUL byte, written to its fd 3 and read from its fd 4.
class Browser {
  constructor() {
    this.profile = fs.mkdtempSync(path.join(os.tmpdir(), 'page-probe-'));
    this.process = spawn(chromium, [
      '--headless=new', '--no-sandbox', '--disable-gpu', '--remote-debugging-pipe',
      '--no-first-run', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--disable-quic', '--disable-renderer-backgrounding',
      '--disable-background-timer-throttling', '--disable-backgrounding-occluded-windows',
      `--user-data-dir=${this.profile}`, 'about:blank',
    ], { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });
    this.next = 1;
    this.waiting = new Map();
    this.buffer = '';
    this.process.stdio[4].on('data', (chunk) => this.receive(chunk));
  }

  receive(chunk) {
    this.buffer += chunk.toString('utf8');
    let end;
    while ((end = this.buffer.indexOf('\0')) >= 0) {
      const message = JSON.parse(this.buffer.slice(0, end));
      this.buffer = this.buffer.slice(end + 1);
      const pending = this.waiting.get(message.id);
      if (pending) {
        this.waiting.delete(message.id);
        if (message.error) pending.reject(new Error(`${pending.method}: ${message.error.message}`));
        else pending.resolve(message.result);
      }
    }
  }

  send(method, params = {}, sessionId = undefined) {
    const id = this.next++;
    const message = { id, method, params };
    if (sessionId) message.sessionId = sessionId;
    this.process.stdio[3].write(JSON.stringify(message) + '\0');
    return new Promise((resolve, reject) => this.waiting.set(id, { resolve, reject, method }));
  }

  async close() {
    try { await this.send('Browser.close'); } catch (e) { /* it is going anyway */ }
    await sleep(200);
    this.process.kill();
    fs.rmSync(this.profile, { recursive: true, force: true });
  }
}

/// One page of the browser.
class Page {
  constructor(browser, sessionId, targetId) {
    this.browser = browser;
    this.sessionId = sessionId;
    this.targetId = targetId;
  }

  static async open(browser, address) {
    const { targetId } = await browser.send('Target.createTarget', { url: address });
    const { sessionId } = await browser.send('Target.attachToTarget', { targetId, flatten: true });
    return new Page(browser, sessionId, targetId);
  }

  send(method, params) {
    return this.browser.send(method, params, this.sessionId);
  }

  async evaluate(expression) {
    const result = await this.send('Runtime.evaluate', { expression, returnByValue: true, awaitPromise: true });
    if (result.exceptionDetails) throw new Error(`${expression}: ${result.exceptionDetails.text}`);
    return result.result.value;
  }

  /// A key as the page's keyboard events carry it.
  async key(type, code) {
    const keys = {
      ArrowUp: ['ArrowUp', 38], ArrowRight: ['ArrowRight', 39], ArrowLeft: ['ArrowLeft', 37],
      ArrowDown: ['ArrowDown', 40], Space: [' ', 32], Escape: ['Escape', 27],
    };
    const [keyName, keyCode] = keys[code];
    await this.send('Input.dispatchKeyEvent', {
      type, code, key: keyName, windowsVirtualKeyCode: keyCode, nativeVirtualKeyCode: keyCode,
    });
  }
}

/// The canvas's pixels and, in the same instant, the page's step count and recording.
const kSnapshot = `(() => {
  const c = document.getElementById('screen');
  const rgba = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
  let text = '';
  for (let i = 0; i < rgba.length; i += 8192)
    text += String.fromCharCode.apply(null, rgba.subarray(i, i + 8192));
  return { w: c.width, h: c.height, pixels: btoa(text), steps: Module._racer_steps(),
           drive: Module.UTF8ToString(Module._racer_drive()) };
})()`;

/// Writes RGBA pixels as an uncompressed 24-bit BMP, rows bottom-up, as car_trace does.
function writeBmp(file, w, h, rgba) {
  const row = Math.ceil((w * 3) / 4) * 4;
  const bmp = Buffer.alloc(54 + row * h);
  bmp.write('BM', 0);
  bmp.writeUInt32LE(bmp.length, 2);
  bmp.writeUInt32LE(54, 10);
  bmp.writeUInt32LE(40, 14);
  bmp.writeInt32LE(w, 18);
  bmp.writeInt32LE(h, 22);
  bmp.writeUInt16LE(1, 26);
  bmp.writeUInt16LE(24, 28);
  bmp.writeUInt32LE(row * h, 34);
  for (let y = 0; y < h; y++)
    for (let x = 0; x < w; x++) {
      const from = (y * w + x) * 4, to = 54 + (h - 1 - y) * row + x * 3;
      bmp[to] = rgba[from + 2];
      bmp[to + 1] = rgba[from + 1];
      bmp[to + 2] = rgba[from];
    }
  fs.writeFileSync(file, bmp);
}

async function snapshot(page, name) {
  const s = await page.evaluate(kSnapshot);
  writeBmp(path.join(out, `${name}.bmp`), s.w, s.h, Buffer.from(s.pixels, 'base64'));
  return s;
}

async function main() {
  const browser = new Browser();
  try {
    const page = await Page.open(browser, url);
    await page.send('Runtime.enable');
    // Ready once the game has run its first steps.
    const kSteps = '(() => { try { return Module._racer_steps(); } catch (e) { return 0; } })()';
    for (let i = 0; i < 100 && !(await page.evaluate(kSteps)); i++)
      await sleep(100);
    const size = await page.evaluate("(() => { const c = document.getElementById('screen'); return [c.width, c.height, document.activeElement === c]; })()");
    fs.writeFileSync(path.join(out, 'size.txt'), `${size[0]}x${size[1]} focused=${size[2]}\n`);

    await sleep(500);
    await snapshot(page, 'rest');

    await page.key('keyDown', 'ArrowUp');
    await sleep(1000);
    await page.key('keyUp', 'ArrowUp');
    await snapshot(page, 'up');

    // A drive with turns, a slide and the handbrake; recording and picture at one instant.
    await page.key('keyDown', 'ArrowUp');
    await sleep(700);
    await page.key('keyDown', 'ArrowRight');
    await sleep(900);
    await page.key('keyDown', 'Space');
    await sleep(400);
    await page.key('keyUp', 'Space');
    await page.key('keyUp', 'ArrowRight');
    await page.key('keyDown', 'ArrowLeft');
    await sleep(600);
    await page.key('keyUp', 'ArrowLeft');
    await page.key('keyUp', 'ArrowUp');
    await sleep(300);
    const drive = await snapshot(page, 'drive');
    fs.writeFileSync(path.join(out, 'drive.keys'), drive.drive);

    // The page's own count of steps over 10 s of its own clock, up to three times.
    const rates = [];
    for (let attempt = 0; attempt < 3; attempt++) {
      const rate = await page.evaluate(`new Promise((done) => {
        const s0 = Module._racer_steps(), t0 = performance.now();
        setTimeout(() => done((Module._racer_steps() - s0) / ((performance.now() - t0) / 1000)), 10000);
      })`);
      rates.push(rate);
      if (Math.abs(rate - 60) <= 2) break;
    }
    fs.writeFileSync(path.join(out, 'rates.txt'), rates.map((r) => r.toFixed(2)).join('\n') + '\n');

    // Up held while the page loses the focus to another tab: it must let go.
    await page.key('keyDown', 'ArrowUp');
    await sleep(500);
    const blurredAt = await page.evaluate('Module._racer_steps()');
    const other = await browser.send('Target.createTarget', { url: 'about:blank' });
    await browser.send('Target.activateTarget', { targetId: other.targetId });
    await sleep(800);
    await browser.send('Target.activateTarget', { targetId: page.targetId });
    await sleep(800);
    fs.writeFileSync(path.join(out, 'blur.txt'), `${blurredAt}\n`);
    fs.writeFileSync(path.join(out, 'blur.keys'), await page.evaluate('Module.UTF8ToString(Module._racer_drive())'));
    await browser.send('Target.closeTarget', { targetId: other.targetId });
    await page.key('keyUp', 'ArrowUp');

    // Escape ends the game, and the page says so.
    // Held for a moment, as a player's press lasts: the game reads the keys once a frame.
    await page.key('keyDown', 'Escape');
    await sleep(100);
    await page.key('keyUp', 'Escape');
    await sleep(500);
    fs.writeFileSync(path.join(out, 'ended.txt'), `${await page.evaluate('document.getElementById("status").textContent')}\n`);
  } finally {
    await browser.close();
  }
}

main().catch((error) => {
  console.error(`page_probe: ${error.message}`);
  process.exit(1);
});
