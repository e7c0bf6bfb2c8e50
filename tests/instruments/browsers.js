// The three browser engines the page is tested and measured in, behind one interface, for
// page_probe.js and bench/page_bench.js: launch(engine) gives a browser whose open(url)
// gives a page with evaluate(expression) (a promise's value awaited), key(type, code) (a
// KeyboardEvent.code, 'keyDown' or 'keyUp'), click(name) (the button of that accessible
// name), go(url) and close(); snapshot() writes its canvas as a BMP like car_trace's.
// Chromium and Firefox ESR through puppeteer-core (Chromium's pages also carry `cdp`, a
// DevTools session, and `puppeteer`); WebKitGTK through WebKitWebDriver, which needs X, and
// its buttons by their accessible names through the accessibility bus (press.py), which
// needs a session bus (dbus-run-session).

'use strict';
const { execFileSync, spawn } = require('child_process');
const fs = require('fs');
const net = require('net');
const path = require('path');

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

/// Chromium as root on a closed network: no sandbox, no GPU, nothing fetched of its own.
const kChromiumArgs = [
  '--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
  '--disable-component-update', '--disable-sync', '--disable-quic', '--disable-renderer-backgrounding',
  '--disable-background-timer-throttling', '--disable-backgrounding-occluded-windows',
  // Chromium 156 opens its address bar's two popups as pages of their own for every new
  // browser context, headless too: on two cores they took the page's CPU as it loaded.
  '--disable-features=WebUIOmniboxPopup,WebUIOmniboxAimPopup',
];

/// A browser of puppeteer's: Chromium (over its DevTools protocol) or Firefox ESR (over
/// WebDriver BiDi).
async function puppeteerBrowser(engine) {
  const puppeteer = require('puppeteer-core');
  const browser = await puppeteer.launch(engine === 'chromium'
    ? { executablePath: '/usr/bin/chromium', headless: true, pipe: true, args: kChromiumArgs, protocolTimeout: 120000 }
    : { browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: true });
  const wrap = async (page) => ({
    puppeteer: page,
    cdp: engine === 'chromium' ? await page.createCDPSession() : null,
    evaluate: (expression) => page.evaluate(expression),
    key: (type, code) => {
      const name = code === 'Space' ? ' ' : code; // puppeteer's name for the space bar
      return type === 'keyDown' ? page.keyboard.down(name) : page.keyboard.up(name);
    },
    click: (name) => page.locator(`::-p-aria(${name})`).click(),
    go: (url) => page.goto(url),
    close: () => page.close(),
  });
  return {
    puppeteer: browser,
    async open(url) {
      const page = await browser.newPage();
      if (url) await page.goto(url);
      return wrap(page);
    },
    close: () => browser.close(),
  };
}

/// WebDriver's characters for the keys the page uses.
const kWebDriverKeys = { ArrowUp: '\uE013', ArrowDown: '\uE015', ArrowLeft: '\uE012', ArrowRight: '\uE014',
                         Space: ' ', Escape: '\uE00C', Home: '\uE011', KeyP: 'p', KeyN: 'n', KeyB: 'b',
                         Equal: '=', Minus: '-' };

/// A free port on 127.0.0.1.
function freePort() {
  return new Promise((done) => {
    const server = net.createServer().listen(0, '127.0.0.1', () => {
      const { port } = server.address();
      server.close(() => done(port));
    });
  });
}

/// WebKitGTK's MiniBrowser through WebKitWebDriver (W3C WebDriver over HTTP).
async function webkit() {
  const port = await freePort();
  const driver = spawn('WebKitWebDriver', [`--port=${port}`], { stdio: 'ignore' });
  const call = async (method, path, body) => {
    const r = await fetch(`http://127.0.0.1:${port}${path}`,
      { method, headers: { 'Content-Type': 'application/json' }, body: body && JSON.stringify(body) });
    const answer = await r.json();
    if (answer.value && answer.value.error) throw new Error(`${path}: ${answer.value.error}: ${answer.value.message}`);
    return answer.value;
  };
  let session;
  for (let i = 0; i < 50 && !session; i++) {
    try {
      session = await call('POST', '/session',
        { capabilities: { alwaysMatch: { 'webkitgtk:browserOptions': { args: ['--automation'] } } } });
    } catch (e) { await sleep(200); } // the driver is not listening yet
  }
  if (!session) throw new Error('WebKitWebDriver gave no session');
  const at = `/session/${session.sessionId}`;
  let first = null;
  return {
    async open(url) {
      // The session's first window, then a new one for each page after it, made from the
      // first (a window closed since is no place to make one from).
      let handle;
      if (!first) handle = first = await call('GET', `${at}/window`);
      else {
        await call('POST', `${at}/window`, { handle: first });
        handle = (await call('POST', `${at}/window/new`, {})).handle;
      }
      const use = () => call('POST', `${at}/window`, { handle });
      const page = {
        async evaluate(expression) {
          await use();
          return call('POST', `${at}/execute/sync`, { script: `return (${expression});`, args: [] });
        },
        async key(type, code) {
          await use();
          await call('POST', `${at}/actions`,
            { actions: [{ type: 'key', id: 'keyboard', actions: [{ type, value: kWebDriverKeys[code] }] }] });
        },
        async click(name) { // through the accessibility bus: the driver gives no accessible name
          const title = `racer ${handle}`;
          await page.evaluate(`(window.title0 = document.title, document.title = ${JSON.stringify(title)}, 0)`);
          await sleep(200); // the new title reaches the bus
          try {
            execFileSync('/usr/bin/python3', [path.join(__dirname, 'press.py'), title, name], { stdio: ['ignore', 'ignore', 'pipe'] });
          } finally {
            await page.evaluate('(document.title = window.title0, 0)');
          }
        },
        async go(address) { await use(); await call('POST', `${at}/url`, { url: address }); },
        async close() { await use(); await call('DELETE', `${at}/window`); },
      };
      if (url) await page.go(url);
      return page;
    },
    async close() {
      try { await call('DELETE', at); } catch (e) { /* going anyway */ }
      driver.kill();
    },
  };
}

/// The browser of `engine`: 'chromium', 'firefox' or 'webkit'.
function launch(engine) {
  if (engine === 'webkit') return webkit();
  if (engine === 'chromium' || engine === 'firefox') return puppeteerBrowser(engine);
  throw new Error(`no browser engine ${engine}`);
}

/// The canvas's pixels and, in the same instant, the page's state, its recording and the
/// recording's link.
const kSnapshot = `(() => {
  const c = document.getElementById('screen');
  const rgba = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
  let text = '';
  for (let i = 0; i < rgba.length; i += 8192)
    text += String.fromCharCode.apply(null, rgba.subarray(i, i + 8192));
  Module._racer_state();
  return { w: c.width, h: c.height, pixels: btoa(text), state: Module.state,
           drive: Module.UTF8ToString(Module._racer_drive()),
           link: Module.ccall('racer_share', 'string', ['string'], [location.href.split('#')[0]]) };
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

/// Writes the canvas of `page` as FILE.bmp and returns what kSnapshot read.
async function snapshot(page, file) {
  const s = await page.evaluate(kSnapshot);
  writeBmp(file, s.w, s.h, Buffer.from(s.pixels, 'base64'));
  return s;
}

module.exports = { launch, sleep, snapshot };
