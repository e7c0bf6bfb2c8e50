// page_probe: drives the game's page in a browser engine for tests/web_test.sh and writes
// what it saw into a folder for the test to check (each file below). In every engine:
// size.txt, rest.bmp, up.bmp, drive.keys with drive.bmp (the page's own recording and its
// canvas at one instant), link.txt (the drive shared as a link), linked.txt (the game's
// state once the link played in a new page), back.txt (then paused and a step back),
// ended.txt (the status after Escape there), again.bmp and again.txt (replay keys after the
// end, then Drive again and Up), tampered.txt (what the link of a dropped script with one
// key changed said), altered.txt (a link with a character changed), bad.txt (what the page
// said of a bad script dropped on it). In Chromium also: rates.txt, blur.keys with
// blur.txt, screens.txt, touch.txt, gamepad.txt, longest.txt (the longest link's characters
// and steps, the page's memory), installability.txt and offline.txt (after a reload with the
// web server gone).
//
//   node page_probe.js ENGINE URL OUT_FOLDER [SERVER_PID]    (ENGINE: chromium, firefox or
//                    webkit; exit status 1 if the page fails; Chromium ends the server)

'use strict';
const fs = require('fs');
const path = require('path');
const { snapshot } = require('./devtools.js');
const { launch, sleep } = require('./browsers.js');

const [engine, url, out, serverPid] = process.argv.slice(2);
const kSteps = '(() => { try { return Module._racer_steps(); } catch (e) { return 0; } })()';

/// Each run of steps with the same keys in the page's drive, from step `from` on, once.
function keyRuns(drive, from) {
  const words = drive.split('\n').filter((line) => line && !/^\s*[#=]/.test(line))
    .slice(from).map((line) => line.split(' ')[0]);
  return words.filter((word, i) => word !== words[i - 1]).join(' ');
}
const driveText = 'Module.UTF8ToString(Module._racer_drive())';
const kState = 'JSON.parse(Module.UTF8ToString(Module._racer_state()))';
const kStatus = 'document.getElementById("status").textContent';

/// Presses and lets go of each key in `codes` on `page`.
async function tap(page, codes) {
  for (const code of codes) for (const type of ['keyDown', 'keyUp']) await page.key(type, code);
}

/// Waits up to `seconds` for `expression` to be true on the page.
async function until(page, expression, seconds) {
  for (let i = 0; i < seconds * 10 && !(await page.evaluate(expression)); i++) await sleep(100);
}

/// Where the canvas lies on a `width` x `height` screen, and whether anything hides it.
async function screenReport(page, width, height, phone) {
  await page.emulate(width, height, phone);
  if (phone) { // a touch shows the pads
    await page.touch('touchStart', [{ x: width / 2, y: height / 2, id: 1 }]);
    await page.touch('touchEnd', []);
  }
  await sleep(300);
  return page.evaluate(`(() => {
    const c = document.getElementById('screen'), r = c.getBoundingClientRect();
    const v = visualViewport; // what the screen shows of the page
    const on = (r) => r.left >= v.offsetLeft && r.top >= v.offsetTop &&
      r.right <= v.offsetLeft + v.width && r.bottom <= v.offsetTop + v.height;
    const corners = [[r.left + 1, r.top + 1], [r.right - 1, r.top + 1], [r.left + 1, r.bottom - 1],
                     [r.right - 1, r.bottom - 1], [(r.left + r.right) / 2, (r.top + r.bottom) / 2]];
    const pads = [...document.querySelectorAll('.pads button')].map((b) => b.getBoundingClientRect());
    const root = document.documentElement;
    return \`\${v.width}x\${v.height} at zoom \${v.scale}: canvas \${Math.round(r.width)}x\${Math.round(r.height)}\` +
      \` at \${Math.round(r.left)},\${Math.round(r.top)} visible=\${on(r)}\` +
      \` unobstructed=\${corners.every(([x, y]) => document.elementFromPoint(x, y) === c)}\` +
      \` pads=\${pads[0].width === 0 ? 'none' : pads.every(on) ? 'visible' : 'off-screen'}\` +
      \` scrolls=\${root.scrollHeight > innerHeight || root.scrollWidth > innerWidth}\`;
  })()`);
}

/// Chromium alone, in the middle of the drive: the page's rate, a key let go when the page
/// loses the focus, a laptop's and a phone's screens, a drive on the touch pads and one on a
/// stubbed gamepad with the keyboard joining in.
async function phoneAndFocus(browser, page, write) {
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
    write('rates.txt', rates.map((r) => r.toFixed(2)).join('\n'));

    // Up held while the page loses the focus to another tab: it must let go.
    await page.key('keyDown', 'ArrowUp');
    await sleep(500);
    const blurredAt = await page.evaluate(kSteps);
    const other = await browser.devtools.send('Target.createTarget', { url: 'about:blank' });
    await browser.devtools.send('Target.activateTarget', { targetId: other.targetId });
    await sleep(800);
    await browser.devtools.send('Target.activateTarget', { targetId: page.targetId });
    await sleep(1500); // the hidden time is dropped, not caught up
    write('blur.txt', blurredAt);
    write('blur.keys', await page.evaluate(driveText));
    await browser.devtools.send('Target.closeTarget', { targetId: other.targetId });
    await page.key('keyUp', 'ArrowUp');

    // A laptop's screen, then a phone's both ways; the touch drive on the last.
    const screens = [];
    for (const [w, h, phone] of [[1366, 657, false], [390, 844, true], [844, 390, true]])
      screens.push(await screenReport(page, w, h, phone));
    write('screens.txt', screens.join('\n'));

    const pad = await page.pads();
    const at = (name, id) => ({ x: pad[name].x, y: pad[name].y, id });
    let from = await page.evaluate(kSteps);
    const canvas = await page.evaluate(`(() => { const r = document.getElementById('screen').getBoundingClientRect();
      return { x: r.x + r.width / 2, y: r.y + r.height / 2 }; })()`);
    await page.touch('touchStart', [{ ...canvas, id: 9 }]); // a swipe on the canvas
    await page.touch('touchMove', [{ x: canvas.x, y: canvas.y - 150, id: 9 }]);
    await page.touch('touchEnd', []);
    await page.touch('touchStart', [at('accelerate', 1), at('steer right', 2)]);
    await sleep(600);
    await page.touch('touchStart', [at('accelerate', 1), at('steer right', 2), at('handbrake', 3)]);
    await sleep(400);
    await page.touch('touchEnd', [at('handbrake', 3)]);
    await sleep(400);
    await page.touch('touchMove', [at('accelerate', 1), at('steer left', 2)]);
    await sleep(400);
    await page.touch('touchEnd', []);
    await sleep(300);
    write('touch.txt', `${keyRuns(await page.evaluate(driveText), from)} scrolled=${await page.evaluate('scrollY')}`);

    // A gamepad: stick and right trigger, then X; the keyboard's Up joins in before the
    // trigger lets go, so Up stays held.
    from = await page.evaluate(kSteps);
    await page.evaluate(`(() => {
      window.stubPad = { connected: true, mapping: 'standard', axes: [0, 0, 0, 0],
        buttons: Array.from({ length: 17 }, () => ({ pressed: false, value: 0 })) };
      navigator.getGamepads = () => [window.stubPad];
    })()`);
    const setPad = (change) => page.evaluate(`(() => { const p = window.stubPad; ${change} })()`);
    await setPad('p.axes[0] = 0.8; p.buttons[7] = { pressed: true, value: 1 };');
    await sleep(500);
    await setPad('p.buttons[2] = { pressed: true, value: 1 };');
    await sleep(400);
    await page.key('keyDown', 'ArrowUp');
    await setPad('p.buttons[7] = { pressed: false, value: 0 };');
    await sleep(400);
    await setPad('p.axes[0] = 0; p.buttons[2] = { pressed: false, value: 0 };');
    await sleep(400);
    await page.key('keyUp', 'ArrowUp');
    await sleep(300);
    write('gamepad.txt', keyRuns(await page.evaluate(driveText), from).replace(/^\. /, ''));

}

/// Chromium alone: the longest link there can be (an hour, every settable field set before
/// each step, a run and a state hash each), shared by the page from a script dropped on it,
/// opened in a new page; what the link held and the page's memory then.
async function longestLink(browser, page, address, write) {
  await page.evaluate(`(() => {
    const set = '= speed 1 direction 2 angle 3 angleGap 4 x 5 y 6 leftTurn 7 rightTurn 8', lines = ['# racer key script 2'];
    for (let i = 0; i < 216000; i++) lines.push(set, (i % 2 ? 'U' : 'L') + ' 0123456789abcdef');
    const t = new DataTransfer();
    t.items.add(new File([[...lines, set].join('\\n')], 'longest.keys'));
    document.dispatchEvent(new DragEvent('drop', { dataTransfer: t, cancelable: true })); return 0; })()`);
  await until(page, `${kState}.name === 'longest.keys'`, 60);
  const link = await page.evaluate('Module.UTF8ToString(Module._racer_share())');
  const opened = await browser.open(address);
  await until(opened, kSteps, 10);
  await opened.evaluate(`(location.hash = ${JSON.stringify(`#${link}`)}, 0)`);
  await until(opened, `${kState}.steps > 0`, 60);
  write('longest.txt', `${link.length} ${JSON.parse(await opened.evaluate('Module.UTF8ToString(Module._racer_state())')).steps}` +
    ` ${await opened.evaluate('Module.HEAPU8.length')}`);
  await opened.close();
}

/// Chromium alone, last: installability and a reload offline.
async function lastInChromium(browser, page, write) {
  await browser.devtools.send('Target.activateTarget', { targetId: page.targetId }); // after the link's pages
  await sleep(300);
    const { installabilityErrors } = await page.send('Page.getInstallabilityErrors');
    write('installability.txt', JSON.stringify(installabilityErrors));

    // Offline: once the worker is active, the server goes and the page reloads.
    await page.evaluate(`Promise.race([navigator.serviceWorker.ready,
      new Promise((ready) => setTimeout(ready, 10000))])`);
    process.kill(Number(serverPid));
    await sleep(300);
    await page.send('Page.reload');
    await sleep(500);
    await until(page, kSteps, 10);
    await page.key('keyDown', 'ArrowUp');
    await sleep(700);
    await page.key('keyUp', 'ArrowUp');
    try {
      const offline = await page.evaluate(`(${keyRuns})(${driveText}, 0)`);
      write('offline.txt', `${await page.evaluate(kSteps)} steps, keys ${offline},` +
        ` worker=${await page.evaluate('!!navigator.serviceWorker.controller')}`);
    } catch (e) {
      write('offline.txt', 'no game on the page');
    }
}

async function main() {
  const browser = await launch(engine);
  const file = (name) => path.join(out, name);
  const write = (name, text) => fs.writeFileSync(file(name), `${text}\n`);
  const ready = (page) => until(page, kSteps, 10);
  // Parsed here, as the game wrote it: engines give an object's keys back in their own order.
  const state = async (page) => JSON.parse(await page.evaluate('Module.UTF8ToString(Module._racer_state())'));
  /// Waits up to 60 s for a watched drive to reach its end, and gives the game's state then.
  const played = async (page) => {
    await until(page, `${kState}.atEnd`, 60);
    return state(page);
  };
  try {
    const page = await browser.open(url);
    await ready(page);
    const size = await page.evaluate("(() => { const c = document.getElementById('screen'); return [c.width, c.height, document.activeElement === c]; })()");
    write('size.txt', `${size[0]}x${size[1]} focused=${size[2]}`);

    await sleep(500);
    await snapshot(page, file('rest.bmp'));

    await page.key('keyDown', 'ArrowUp');
    await sleep(1000);
    await page.key('keyUp', 'ArrowUp');
    await snapshot(page, file('up.bmp'));

    // A drive with turns, a slide and the handbrake.
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

    if (engine === 'chromium') await phoneAndFocus(browser, page, write);

    // The whole drive: recording and picture at one instant; then as a link.
    const drive = await snapshot(page, file('drive.bmp'));
    fs.writeFileSync(file('drive.keys'), drive.drive);
    const link = drive.link;
    write('link.txt', link);

    // The link in a new page plays the drive, and is car_play's to study.
    const linked = await browser.open(link);
    await ready(linked);
    write('linked.txt', JSON.stringify(await played(linked)));
    await tap(linked, ['KeyP', 'KeyB']); // car_play's keys: pause, one step back
    await until(linked, `(({ paused, step, steps }) => paused && step === steps - 1)(${kState})`, 5);
    const back = await state(linked);
    write('back.txt', `paused=${back.paused} ${back.step} of ${back.steps}`);

    // Escape ends the watch, and the page says so; a replay's key after it reaches nothing;
    // Drive again drives, from rest.
    await linked.evaluate("(window.failed = [], addEventListener('error', (e) => failed.push(e.message)), 0)");
    await linked.key('keyDown', 'Escape');
    await sleep(100); // held as a player holds it: the game reads the keys once a frame
    await linked.key('keyUp', 'Escape');
    await until(linked, `${kStatus}.includes('ended')`, 5);
    write('ended.txt', await linked.evaluate(kStatus));
    await tap(linked, ['KeyP', 'KeyN', 'KeyB', 'Home', 'Equal', 'Minus']);
    const ended = await state(linked);
    await linked.evaluate("document.getElementById('again').click()");
    await until(linked, `${kSteps} > 0`, 5);
    await snapshot(linked, file('again.bmp'));
    const atRest = (await state(linked)).hash;
    await linked.key('keyDown', 'ArrowUp');
    await until(linked, `${kState}.hash !== '${atRest}'`, 5);
    await linked.key('keyUp', 'ArrowUp');
    write('again.txt', `ended=${ended.ended} watching=${ended.watching} errors=${await linked.evaluate('failed.join("; ") || 0')}` +
      ` moved=${(await state(linked)).hash !== atRest}`);
    await linked.close();

    // A script with one key of its first step changed, dropped on the page (its name holds
    // a quote and a control character) and shared: its link plays, and the replay parts
    // from it where the key was, naming the step.
    const drop = (where, name, text) => where.evaluate(`(() => { const t = new DataTransfer();
      t.items.add(new File([${JSON.stringify(text)}], ${JSON.stringify(name)}));
      document.dispatchEvent(new DragEvent('drop', { dataTransfer: t, cancelable: true })); return 0; })()`);
    const lines = drive.drive.split('\n');
    const first = lines.findIndex((line) => /^[UDLRS.]+ /.test(line));
    lines[first] = lines[first].replace(/^\S+/, (keys) => (keys.includes('U') ? keys.replace('U', '') || '.' : `U${keys.replace('.', '')}`));
    const name = 'tampered "\u0001".keys'; // a state that holds it is JSON all the same
    await drop(page, name, lines.join('\n'));
    await until(page, `${kState}.name === ${JSON.stringify(name)}`, 10);
    const tamperedLink = `${link.split('#')[0]}#${await page.evaluate('Module.UTF8ToString(Module._racer_share())')}`;
    const tampered = await browser.open(tamperedLink);
    await ready(tampered);
    await played(tampered);
    await until(tampered, `${kStatus}.startsWith('line')`, 5);
    write('tampered.txt', await tampered.evaluate(kStatus));
    await tampered.close();

    // A link with a character changed is refused as altered, and the page drives on.
    const at = link.length - 20;
    const altered = await browser.open(link.slice(0, at) + (link[at] === 'A' ? 'B' : 'A') + link.slice(at + 1));
    await ready(altered);
    const steps = await altered.evaluate(kSteps);
    await until(altered, `${kSteps} > ${steps} + 30`, 5);
    write('altered.txt', `${await altered.evaluate(kStatus)} (${await altered.evaluate(kSteps) - steps} steps on)`);
    await altered.close();

    // A bad script, dropped, is refused whole, with its line and why.
    await drop(page, 'bad.keys', 'U\nU\nUQ\n');
    await until(page, `${kStatus}.startsWith('bad.keys')`, 10);
    write('bad.txt', await page.evaluate(kStatus));

    if (engine === 'chromium') {
      await longestLink(browser, page, url, write);
      await lastInChromium(browser, page, write);
    }
  } finally {
    await browser.close();
  }
}

main().catch((error) => {
  console.error(`page_probe: ${error.message}`);
  process.exit(1);
});
