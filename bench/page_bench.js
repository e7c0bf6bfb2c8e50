// page_bench: the game's page in Debian's headless Chromium.
//   frames   unthrottled and under the CPU throttling that stands in for mid and low-end
//            phones, driving in circles (Up and Right held). For each run: frames a second
//            (animation frames in which the game ran), steps a second, the page's work per
//            frame (median and 99th percentile), the longest gap between frames, what a
//            putImageData to the canvas costs and how many a frame makes, and the time from
//            the page's request to its first step. Then, per throttling, the median and the
//            worst run of frames and steps a second.
//   load     the page opened as a new visitor opens it (a new browser context, the cache
//            off), unthrottled and on a slow phone network (slow 4G: 1.6 Mbit/s down, 750
//            kbit/s up, 150 ms round trip) at 4x CPU throttling: the time from the request
//            to the first step, and the bytes the page's requests took over the wire.
//
//   node page_bench.js frames URL [RUNS [SECONDS [RATES]]]   defaults: 5 runs of 20 s at 1,4,6
//   node page_bench.js load URL [RUNS]                        default: 9 loads of each

'use strict';
const { Browser, Page, sleep } = require('../tests/instruments/devtools.js');

const [mode, url, runs = mode === 'load' ? '9' : '5', seconds = '20', rates = '1,4,6'] = process.argv.slice(2);

/// Put into the page before its own scripts: when its first step ran.
const kFirstStep = `(function poll() {
  try { if (Module.calledRun && Module._racer_steps() > 0) { window.firstStepAt = performance.now(); return; } }
  catch (e) { /* not loaded yet */ }
  requestAnimationFrame(poll);
})();`;

/// Hooks around the game's frame (Emscripten's pre- and post-main-loop calls) and the
/// canvas's putImageData, counting for `ms` milliseconds.
const measure = (ms) => `new Promise((done) => {
  const frames = [], gaps = [], puts = [];
  let start = 0, last = 0;
  const pre = Module.preMainLoop, post = Module.postMainLoop;
  const put = CanvasRenderingContext2D.prototype.putImageData;
  Module.preMainLoop = () => { start = performance.now(); if (last) gaps.push(start - last); last = start; return pre && pre(); };
  Module.postMainLoop = () => { frames.push(performance.now() - start); if (post) post(); };
  CanvasRenderingContext2D.prototype.putImageData = function (...args) {
    const t = performance.now(); put.apply(this, args); puts.push(performance.now() - t);
  };
  const steps0 = Module._racer_steps(), t0 = performance.now();
  setTimeout(() => {
    const s = (performance.now() - t0) / 1000;
    const steps = Module._racer_steps() - steps0;
    Module.preMainLoop = pre; Module.postMainLoop = post;
    CanvasRenderingContext2D.prototype.putImageData = put;
    done({ frames, gaps, puts, steps, s });
  }, ${ms});
})`;

const quantile = (values, q) => {
  const v = [...values].sort((a, b) => a - b);
  return v.length ? v[Math.min(v.length - 1, Math.round(q * (v.length - 1)))] : NaN;
};
const sum = (values) => values.reduce((a, b) => a + b, 0);
const f = (x, digits = 1) => x.toFixed(digits);

async function run(browser, rate) {
  const page = await Page.open(browser, 'about:blank');
  await page.send('Page.enable');
  await page.send('Page.addScriptToEvaluateOnNewDocument', { source: kFirstStep });
  await page.send('Emulation.setCPUThrottlingRate', { rate });
  await page.send('Page.navigate', { url });
  let load;
  for (let i = 0; i < 300 && !(load = await page.evaluate('window.firstStepAt')); i++) await sleep(100);
  await page.key('keyDown', 'ArrowUp');
  await page.key('keyDown', 'ArrowRight');
  const m = await page.evaluate(measure(Number(seconds) * 1000));
  await page.key('keyUp', 'ArrowRight');
  await page.key('keyUp', 'ArrowUp');
  await browser.send('Target.closeTarget', { targetId: page.targetId });
  return {
    fps: m.frames.length / m.s, sps: m.steps / m.s,
    work: quantile(m.frames, 0.5), work99: quantile(m.frames, 0.99), gap: Math.max(...m.gaps),
    put: sum(m.puts) / m.puts.length, puts: m.puts.length / m.frames.length, load,
  };
}

/// The networks a load is measured on: none emulated, and slow 4G with the CPU at a quarter.
const kNetworks = [
  { name: 'unthrottled', cpu: 1 },
  { name: 'slow 4G, 4x CPU', cpu: 4, network: { latency: 150, downloadThroughput: 1.6e6 / 8, uploadThroughput: 750e3 / 8 } },
];

/// One load as a new visitor's: the first step's time and the bytes over the wire.
async function load(browser, { cpu, network }) {
  const { browserContextId } = await browser.send('Target.createBrowserContext');
  const page = await Page.open(browser, 'about:blank', browserContextId);
  await page.send('Page.enable');
  await page.send('Network.enable');
  await page.send('Network.setCacheDisabled', { cacheDisabled: true });
  if (network) await page.send('Network.emulateNetworkConditions', { offline: false, ...network });
  await page.send('Emulation.setCPUThrottlingRate', { rate: cpu });
  await page.send('Page.addScriptToEvaluateOnNewDocument', { source: kFirstStep });
  await page.send('Page.navigate', { url });
  let first;
  for (let i = 0; i < 300 && !(first = await page.evaluate('window.firstStepAt')); i++) await sleep(100);
  const bytes = await page.evaluate(`performance.getEntriesByType('navigation')
    .concat(performance.getEntriesByType('resource')).reduce((sum, e) => sum + e.transferSize, 0)`);
  await browser.send('Target.disposeBrowserContext', { browserContextId });
  return { first, bytes };
}

async function main() {
  const browser = new Browser();
  try {
    if (mode === 'load') {
      for (const conditions of kNetworks) {
        const loads = [];
        for (let i = 0; i < Number(runs); i++) loads.push(await load(browser, conditions));
        const firsts = loads.map((l) => l.first);
        console.log(`${conditions.name}: first step median ${f(quantile(firsts, 0.5), 0)} ms ` +
          `(${f(Math.min(...firsts), 0)} to ${f(Math.max(...firsts), 0)}), ${loads[0].bytes} bytes over the wire`);
      }
      return;
    }
    for (const rate of rates.split(',').map(Number)) {
      const results = [];
      for (let i = 0; i < Number(runs); i++) {
        const r = await run(browser, rate);
        results.push(r);
        console.log(`${rate}x run ${i + 1}: ${f(r.fps)} frames/s, ${f(r.sps)} steps/s, work a frame ` +
          `median ${f(r.work, 2)} ms, p99 ${f(r.work99, 2)}, longest gap ${f(r.gap)} ms; putImageData ` +
          `${f(r.put, 3)} ms, ${f(r.puts, 2)} a frame; first step ${f(r.load, 0)} ms after the request`);
      }
      const by = (key) => results.map((r) => r[key]);
      console.log(`${rate}x: frames/s median ${f(quantile(by('fps'), 0.5))}, worst ${f(Math.min(...by('fps')))}; ` +
        `steps/s median ${f(quantile(by('sps'), 0.5))}, worst ${f(Math.min(...by('sps')))}; ` +
        `putImageData median ${f(quantile(by('put'), 0.5), 3)} ms; first step median ${f(quantile(by('load'), 0.5), 0)} ms`);
    }
  } finally {
    await browser.close();
  }
}

main().catch((error) => {
  console.error(`page_bench: ${error.message}`);
  process.exit(1);
});
