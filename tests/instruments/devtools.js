// A client of Debian's headless Chromium over its DevTools protocol on a pipe (no browser
// download, no npm package), shared by the page's test instrument (page_probe.js) and its
// benchmark (bench/page_bench.js): a browser, its pages, their keys and touches, and the
// canvas's pixels as a BMP like car_trace's.

'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const path = require('path');
const os = require('os');

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const kAnswerMs = 60000; // the longest a call may take: the page bench measures for 20 s

/// A client of Chromium's DevTools protocol over --remote-debugging-pipe: JSON messages
/// ending in a NUL byte, written to its fd 3 and read from its fd 4.
class Browser {
  constructor(chromium = '/usr/bin/chromium') {
    this.profile = fs.mkdtempSync(path.join(os.tmpdir(), 'page-probe-'));
    this.process = spawn(chromium, [
      '--headless=new', '--no-sandbox', '--disable-gpu', '--remote-debugging-pipe',
      '--no-first-run', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--disable-quic', '--disable-renderer-backgrounding',
      '--disable-background-timer-throttling', '--disable-backgrounding-occluded-windows',
      // Chromium 156 opens its address bar's two popups as pages of their own for every new
      // browser context, headless too: on two cores they took the page's CPU as it loaded.
      '--disable-features=WebUIOmniboxPopup,WebUIOmniboxAimPopup',
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
    return new Promise((resolve, reject) => {
      // An answer that never comes (a promise in the page that never settles) fails.
      const timer = setTimeout(() => {
        this.waiting.delete(id);
        reject(new Error(`${method}: no answer in ${kAnswerMs / 1000} s`));
      }, kAnswerMs);
      const settle = (f) => (value) => { clearTimeout(timer); f(value); };
      this.waiting.set(id, { resolve: settle(resolve), reject: settle(reject), method });
    });
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

  /// A new page at `address`, in the browser context `browserContextId` if given.
  static async open(browser, address, browserContextId = undefined) {
    const { targetId } = await browser.send('Target.createTarget', { url: address, browserContextId });
    const { sessionId } = await browser.send('Target.attachToTarget', { targetId, flatten: true });
    return new Page(browser, sessionId, targetId);
  }

  send(method, params) {
    return this.browser.send(method, params, this.sessionId);
  }

  close() {
    return this.browser.send('Target.closeTarget', { targetId: this.targetId });
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
      ArrowDown: ['ArrowDown', 40], Space: [' ', 32], Escape: ['Escape', 27], KeyP: ['p', 80],
      KeyN: ['n', 78], KeyB: ['b', 66], Home: ['Home', 36], Equal: ['=', 187], Minus: ['-', 189],
    };
    const [keyName, keyCode] = keys[code];
    await this.send('Input.dispatchKeyEvent', {
      type, code, key: keyName, windowsVirtualKeyCode: keyCode, nativeVirtualKeyCode: keyCode,
    });
  }

  /// A screen of `width` x `height` CSS pixels; a phone's (mobile, touch) or a desktop's.
  async emulate(width, height, phone) {
    await this.send('Emulation.setDeviceMetricsOverride',
      { width, height, deviceScaleFactor: phone ? 3 : 1, mobile: phone });
    await this.send('Emulation.setTouchEmulationEnabled', { enabled: phone, maxTouchPoints: 5 });
  }

  /// The touch points now on the screen, [{x, y, id}] (touchStart and touchMove), or the
  /// ones lifted (touchEnd; none: every point).
  async touch(type, points) {
    await this.send('Input.dispatchTouchEvent', { type, touchPoints: points });
  }

  /// The centre of each touch pad on the screen, by its accessible name.
  async pads() {
    return this.evaluate(`Object.fromEntries([...document.querySelectorAll('.pads button')].map((b) => {
      const r = b.getBoundingClientRect();
      return [b.getAttribute('aria-label'), { x: r.x + r.width / 2, y: r.y + r.height / 2 }];
    }))`);
  }
}

/// The canvas's pixels and, in the same instant, the page's step count, its recording and
/// the recording as a link.
const kSnapshot = `(() => {
  const c = document.getElementById('screen');
  const rgba = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
  let text = '';
  for (let i = 0; i < rgba.length; i += 8192)
    text += String.fromCharCode.apply(null, rgba.subarray(i, i + 8192));
  return { w: c.width, h: c.height, pixels: btoa(text), steps: Module._racer_steps(),
           drive: Module.UTF8ToString(Module._racer_drive()),
           link: location.href.split('#')[0] + '#' + Module.UTF8ToString(Module._racer_share()) };
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

/// Writes the canvas as FILE.bmp and returns what kSnapshot read.
async function snapshot(page, file) {
  const s = await page.evaluate(kSnapshot);
  writeBmp(file, s.w, s.h, Buffer.from(s.pixels, 'base64'));
  return s;
}

module.exports = { Browser, Page, sleep, snapshot };
