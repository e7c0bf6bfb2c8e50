// The three browser engines the page is tested in, behind one interface, for page_probe.js:
// launch(engine) gives a browser whose open(url) gives a page with evaluate(expression)
// (a promise's value awaited), key(type, code) (a KeyboardEvent.code, 'keyDown' or
// 'keyUp') and close(). Chromium over its DevTools protocol (devtools.js); Firefox ESR over
// WebDriver BiDi through puppeteer-core; WebKitGTK through WebKitWebDriver, which needs X.

'use strict';
const { spawn } = require('child_process');
const net = require('net');
const { Browser: Chromium, Page: ChromiumPage, sleep } = require('./devtools.js');

/// Chromium: the DevTools client's own pages.
async function chromium() {
  const browser = new Chromium();
  return { devtools: browser, open: (url) => ChromiumPage.open(browser, url), close: () => browser.close() };
}

/// Firefox ESR, driven over its own WebDriver BiDi (no geckodriver).
async function firefox() {
  const puppeteer = require('puppeteer-core');
  const browser = await puppeteer.launch({ browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: true });
  return {
    async open(url) {
      const page = await browser.newPage();
      await page.goto(url);
      return {
        evaluate: (expression) => page.evaluate(expression),
        key: (type, code) => {
          const name = code === 'Space' ? ' ' : code; // puppeteer's name for the space bar
          return type === 'keyDown' ? page.keyboard.down(name) : page.keyboard.up(name);
        },
        close: () => page.close(),
      };
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
      await use();
      await call('POST', `${at}/url`, { url });
      return {
        async evaluate(expression) {
          await use();
          return call('POST', `${at}/execute/sync`, { script: `return (${expression});`, args: [] });
        },
        async key(type, code) {
          await use();
          await call('POST', `${at}/actions`,
            { actions: [{ type: 'key', id: 'keyboard', actions: [{ type, value: kWebDriverKeys[code] }] }] });
        },
        async close() { await use(); await call('DELETE', `${at}/window`); },
      };
    },
    async close() {
      try { await call('DELETE', at); } catch (e) { /* going anyway */ }
      driver.kill();
    },
  };
}

/// The browser of `engine`: 'chromium', 'firefox' or 'webkit'.
function launch(engine) {
  const engines = { chromium, firefox, webkit };
  if (!engines[engine]) throw new Error(`no browser engine ${engine}`);
  return engines[engine]();
}

module.exports = { launch, sleep };
