// page_bench: the game's page in Debian's headless Chromium, unthrottled and under the
// CPU throttling that stands in for mid and low-end phones, driving in circles (Up and
// Right held). For each run: frames a second (animation frames in which the game ran),
// steps a second, the page's work per frame (median and 99th percentile), the longest
// gap between frames, what a putImageData to the canvas costs and how many a frame
// makes, and the time from the page's request to its first step. Then, per throttling,
// the median and the worst run of frames and steps a second.
//
//   node page_bench.js URL [RUNS [SECONDS [RATES]]]    defaults: 5 runs of 20 s at 1,4,6

'use strict';
const { Browser, Page, sleep } = require('../tests/instruments/devtools.js');

const [url, runs = '5', seconds = '20', rates = '1,4,6'] = process.argv.slice(2);

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

async function main() {
  const browser = new Browser();
  try {
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
