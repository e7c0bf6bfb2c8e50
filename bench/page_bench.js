// page_bench: the game's page in Debian's headless Chromium (through tests/instruments/browsers.js).
//   frames   unthrottled and under the CPU throttling that stands in for mid and low-end
//            phones, driving in circles (Up and Right held), alone and in a race against
//            four ghosts. For each run: frames a second (animation frames in which the game
//            ran), steps a second, the page's work per frame (median and 99th percentile),
//            the longest gap between frames, what a putImageData to the canvas costs and how
//            many a frame makes, and the time from the page's request to its first step.
//            Then, per throttling, the median and the worst run of frames and steps a second.
//   load     the page opened as a new visitor opens it (a new browser context, the cache
//            off), unthrottled and as a phone on a slow network (slow 4G: 1.6 Mbit/s down,
//            750 kbit/s up, 150 ms round trip; 4x CPU throttling; a 412 x 823 screen): the
//            time from the request to the first step, the bytes the page's requests took
//            over the wire, and how far its layout shifted as it loaded (CLS).
//   address  the longest address Chromium, Firefox ESR and WebKitGTK (which needs X) each open
//            when navigated to: an address of the page with a fragment of that many
//            characters in all, found by halving (up to 16 Mi characters).
//
//   node page_bench.js frames URL [RUNS [SECONDS [RATES [GHOSTS]]]]   defaults: 5 runs of 20 s at 1,4,6, no ghosts
//   node page_bench.js load URL [RUNS]                                 default: 9 loads of each
//   node page_bench.js address URL

'use strict';
const { launch, sleep } = require('../tests/instruments/browsers.js');

const [mode, url, runs = mode === 'load' ? '9' : '5', seconds = '20', rates = '1,4,6', ghostCounts = '0'] =
  process.argv.slice(2);

/// Put into the page before its own scripts: when its first step ran, and every layout shift.
const kWatch = `window.shifts = 0;
new PerformanceObserver((list) => { for (const e of list.getEntries()) if (!e.hadRecentInput) window.shifts += e.value; })
  .observe({ type: 'layout-shift', buffered: true });
(function poll() {
  try { if (Module.calledRun && Module._racer_steps() > 0) { window.firstStepAt = performance.now(); return; } }
  catch (e) { /* not loaded yet */ }
  requestAnimationFrame(poll);
})();`;

/// Ghost `g` of a race: a key script of a minute of circles in view (Up and Right held from
/// a start of its own), dropped on the page.
const dropGhost = (g) => `(() => {
  const t = new DataTransfer();
  t.items.add(new File([Array.from({ length: 3600 }, (_, i) => (i < ${20 * g} ? '.' : 'UR')).join('\\n')],
                       'ghost${g}.keys'));
  document.dispatchEvent(new DragEvent('drop', { dataTransfer: t, cancelable: true }));
  return 0;
})()`;

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

/// Waits up to 30 s for the page's first step; its time.
async function firstStep(page) {
  let at;
  for (let i = 0; i < 300 && !(at = await page.evaluate('window.firstStepAt')); i++) await sleep(100);
  return at;
}

async function run(browser, rate, ghosts) {
  const page = await browser.puppeteer.newPage();
  await page.evaluateOnNewDocument(kWatch);
  await page.emulateCPUThrottling(rate);
  await page.goto(url);
  const load = await firstStep(page);
  for (let g = 0; g < ghosts; g++) {
    await page.evaluate(dropGhost(g));
    await page.waitForFunction(`(Module._racer_state(), Module.state.ghosts.length === ${g + 1})`);
  }
  if (ghosts) {
    await page.locator('::-p-aria(Race)').click();
    await page.waitForFunction(`(Module._racer_state(), Module.state.racing && Module.state.ghosts.length === ${ghosts})`);
  }
  await page.keyboard.down('ArrowUp');
  await page.keyboard.down('ArrowRight');
  const m = await page.evaluate(measure(Number(seconds) * 1000));
  await page.keyboard.up('ArrowRight');
  await page.keyboard.up('ArrowUp');
  await page.close();
  return {
    fps: m.frames.length / m.s, sps: m.steps / m.s,
    work: quantile(m.frames, 0.5), work99: quantile(m.frames, 0.99), gap: Math.max(...m.gaps),
    put: sum(m.puts) / m.puts.length, puts: m.puts.length / m.frames.length, load,
  };
}

/// The conditions a load is measured in: none emulated, and a phone on slow 4G.
const kNetworks = [
  { name: 'unthrottled', cpu: 1 },
  { name: 'slow 4G, 4x CPU, a phone', cpu: 4, phone: true,
    network: { latency: 150, download: 1.6e6 / 8, upload: 750e3 / 8 } },
];

/// One load as a new visitor's: the first step's time, the bytes over the wire, the layout's shifts.
async function load(browser, { cpu, network, phone }) {
  const context = await browser.puppeteer.createBrowserContext();
  const page = await context.newPage();
  await page.setCacheEnabled(false);
  if (network) await page.emulateNetworkConditions(network);
  if (phone) await page.setViewport({ width: 412, height: 823, deviceScaleFactor: 1.75, isMobile: true, hasTouch: true });
  await page.emulateCPUThrottling(cpu);
  await page.evaluateOnNewDocument(kWatch);
  await page.goto(url, { waitUntil: 'domcontentloaded' });
  const first = await firstStep(page);
  await sleep(1000);
  const bytes = await page.evaluate(`performance.getEntriesByType('navigation')
    .concat(performance.getEntriesByType('resource')).reduce((sum, e) => sum + e.transferSize, 0)`);
  const shifts = await page.evaluate('window.shifts');
  await context.close();
  return { first, bytes, shifts };
}

const kMostTried = 16 << 20; ///< characters: the longest address page_bench navigates to

/// The longest address `engine` opens by navigating to it, between 100,000 and kMostTried.
async function longestAddress(engine) {
  const browser = await launch(engine);
  const page = await browser.open(null);
  const opens = async (n) => {
    const address = `${url.split('#')[0]}#${'a'.repeat(n - url.split('#')[0].length - 1)}`;
    try {
      await Promise.race([page.go(address), sleep(20000)]);
      return (await page.evaluate('location.href.length')) === n;
    } catch (e) { return false; } // refused
  };
  let [low, high] = [100000, kMostTried + 1];
  while (high - low > 1) {
    const middle = Math.floor((low + high) / 2);
    if (await opens(middle)) low = middle; else high = middle;
  }
  await browser.close();
  return low;
}

async function main() {
  if (mode === 'address') {
    for (const engine of ['chromium', 'firefox', 'webkit']) {
      const longest = await longestAddress(engine);
      console.log(`${engine}: ${longest === kMostTried ? `opens every address tried, up to ${longest} characters`
        : `opens an address of ${longest} characters, not one more`}`);
    }
    return;
  }
  const browser = await launch('chromium');
  try {
    if (mode === 'load') {
      for (const conditions of kNetworks) {
        const loads = [];
        for (let i = 0; i < Number(runs); i++) loads.push(await load(browser, conditions));
        const firsts = loads.map((l) => l.first);
        console.log(`${conditions.name}: first step median ${f(quantile(firsts, 0.5), 0)} ms ` +
          `(${f(Math.min(...firsts), 0)} to ${f(Math.max(...firsts), 0)}), ${loads[0].bytes} bytes over the wire, ` +
          `layout shift (CLS) at most ${f(Math.max(...loads.map((l) => l.shifts)), 3)}`);
      }
      return;
    }
    for (const ghosts of ghostCounts.split(',').map(Number))
      for (const rate of rates.split(',').map(Number)) {
        const results = [];
        const what = `${rate}x${ghosts ? `, ${ghosts} ghosts` : ''}`;
        for (let i = 0; i < Number(runs); i++) {
          const r = await run(browser, rate, ghosts);
          results.push(r);
          console.log(`${what} run ${i + 1}: ${f(r.fps)} frames/s, ${f(r.sps)} steps/s, work a frame ` +
            `median ${f(r.work, 2)} ms, p99 ${f(r.work99, 2)}, longest gap ${f(r.gap)} ms; putImageData ` +
            `${f(r.put, 3)} ms, ${f(r.puts, 2)} a frame; first step ${f(r.load, 0)} ms after the request`);
        }
        const by = (key) => results.map((r) => r[key]);
        console.log(`${what}: frames/s median ${f(quantile(by('fps'), 0.5))}, worst ${f(Math.min(...by('fps')))}; ` +
          `steps/s median ${f(quantile(by('sps'), 0.5))}, worst ${f(Math.min(...by('sps')))}; ` +
          `work a frame median ${f(quantile(by('work'), 0.5), 2)} ms; first step median ${f(quantile(by('load'), 0.5), 0)} ms`);
      }
  } finally {
    await browser.close();
  }
}

main().catch((error) => {
  console.error(`page_bench: ${error.message}`);
  process.exit(1);
});
