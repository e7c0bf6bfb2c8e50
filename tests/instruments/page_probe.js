// page_probe: drives the game's page in a browser engine for tests/web_test.sh and writes
// what it saw into a folder for the test to check (each file below). In every engine:
// size.txt, rest.bmp, up.bmp, drive.keys with drive.bmp (the page's own recording and its
// canvas at one instant), link.txt (the drive shared as a link), linked.txt (the game's
// state once the link played in a new page), back.txt (then paused and a step back),
// ended.txt (the status after Escape there), again.bmp and again.txt (replay keys after the
// end, then Drive again and Up), race.keys with race.bmp and race.txt (Race, found by its
// name, against the link's drive: the player's recording, the canvas, the ghost's state and
// the marks over the canvas), tampered.txt (where a dropped script with one key changed
// parted from its drive, watched and raced as a ghost), altered.txt (a link with a character changed), bad.txt (a bad script
// dropped), longest.txt (a link as long as a browser opens, opened by its address: its
// characters and steps; the share of a longer drive; in Chromium the page's memory and a
// longer link refused). In Chromium also: rates.txt, blur.keys with blur.txt, screens.txt,
// touch.txt, gamepad.txt, installability.txt and offline.txt (after a reload with the web
// server gone).
//
//   node page_probe.js ENGINE URL OUT_FOLDER [SERVER_PID]    (ENGINE: chromium, firefox or
//                    webkit; exit status 1 if the page fails; Chromium ends the server)

'use strict';
const fs = require('fs');
const path = require('path');
const { launch, sleep, snapshot } = require('./browsers.js');

const [engine, url, out, serverPid] = process.argv.slice(2);
const kSteps = '(() => { try { return Module._racer_steps(); } catch (e) { return 0; } })()';
const kState = '(() => { try { Module._racer_state(); return Module.state; } catch (e) { return {}; } })()';
const kStatus = 'document.getElementById("status").textContent';
const kDrive = 'Module.UTF8ToString(Module._racer_drive())';
const kShare = "Module.ccall('racer_share', 'string', ['string'], [location.href.split('#')[0]])";
const kLongestLink = 1048572; // tools/DriveLink.h

/// Each run of steps with the same keys in the page's drive, from step `from` on, once.
function keyRuns(drive, from) {
  const words = drive.split('\n').filter((line) => line && !/^\s*[#=]/.test(line))
    .slice(from).map((line) => line.split(' ')[0]);
  return words.filter((word, i) => word !== words[i - 1]).join(' ');
}

/// Presses and lets go of each key in `codes` on `page`.
async function tap(page, codes) {
  for (const code of codes) for (const type of ['keyDown', 'keyUp']) await page.key(type, code);
}

/// Holds the keys `codes` on `page` for `ms`.
async function holdFor(page, codes, ms) {
  for (const code of codes) await page.key('keyDown', code);
  await sleep(ms);
  for (const code of codes) await page.key('keyUp', code);
}

/// Waits up to `seconds` for `expression` to be true on the page.
async function until(page, expression, seconds) {
  for (let i = 0; i < seconds * 10 && !(await page.evaluate(expression)); i++) await sleep(100);
}

/// Drops a file called `name` on the page, holding what the page's expression `text` gives.
const drop = (page, name, text) => page.evaluate(`(() => { const t = new DataTransfer();
  t.items.add(new File([${text}], ${JSON.stringify(name)}));
  document.dispatchEvent(new DragEvent('drop', { dataTransfer: t, cancelable: true })); return 0; })()`);

/// Where the canvas lies on a `width` x `height` screen, and whether anything hides it.
async function screenReport(page, width, height, phone) {
  await page.cdp.send('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: phone ? 3 : 1, mobile: phone });
  await page.cdp.send('Emulation.setTouchEmulationEnabled', { enabled: phone, maxTouchPoints: 5 });
  if (phone) { // a touch shows the pads
    await page.cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x: width / 2, y: height / 2, id: 1 }] });
    await page.cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
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
  const other = await browser.puppeteer.newPage();
  await other.bringToFront();
  await sleep(800);
  await page.puppeteer.bringToFront();
  await sleep(1500); // the hidden time is dropped, not caught up
  write('blur.txt', blurredAt);
  write('blur.keys', await page.evaluate(kDrive));
  await other.close();
  await page.key('keyUp', 'ArrowUp');

  // A laptop's screen, then a phone's both ways; the touch drive on the last.
  const screens = [];
  for (const [w, h, phone] of [[1366, 657, false], [390, 844, true], [844, 390, true]])
    screens.push(await screenReport(page, w, h, phone));
  write('screens.txt', screens.join('\n'));

  const pad = await page.evaluate(`Object.fromEntries([...document.querySelectorAll('.pads button')].map((b) => {
    const r = b.getBoundingClientRect();
    return [b.getAttribute('aria-label'), { x: r.x + r.width / 2, y: r.y + r.height / 2 }];
  }))`);
  const at = (name, id) => ({ x: pad[name].x, y: pad[name].y, id });
  const touch = (type, touchPoints) => page.cdp.send('Input.dispatchTouchEvent', { type, touchPoints });
  let from = await page.evaluate(kSteps);
  const canvas = await page.evaluate(`(() => { const r = document.getElementById('screen').getBoundingClientRect();
    return { x: r.x + r.width / 2, y: r.y + r.height / 2 }; })()`);
  await touch('touchStart', [{ ...canvas, id: 9 }]); // a swipe on the canvas
  await touch('touchMove', [{ x: canvas.x, y: canvas.y - 150, id: 9 }]);
  await touch('touchEnd', []);
  await touch('touchStart', [at('accelerate', 1), at('steer right', 2)]);
  await sleep(600);
  await touch('touchStart', [at('accelerate', 1), at('steer right', 2), at('handbrake', 3)]);
  await sleep(400);
  await touch('touchEnd', [at('handbrake', 3)]);
  await sleep(400);
  await touch('touchMove', [at('accelerate', 1), at('steer left', 2)]);
  await sleep(400);
  await touch('touchEnd', []);
  await sleep(300);
  write('touch.txt', `${keyRuns(await page.evaluate(kDrive), from)} scrolled=${await page.evaluate('scrollY')}`);

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
  write('gamepad.txt', keyRuns(await page.evaluate(kDrive), from).replace(/^\. /, ''));
}

/// A key script whose link, from a page at `address`, is `longest` characters long, as long
/// as a browser opens (or a character short, where base64 cannot end there), and `more` set
/// lines longer: steps of a run each, and set lines of one field before as many of
/// them as it takes, before as few steps as hold them. Run in the page.
function longestScript(address, more, longest) {
  const digits = longest - address.length - 1 - 'drive=2.'.length;
  const usable = digits - (digits % 4 === 1 ? 1 : 0);
  const bytes = Math.floor(usable / 4) * 3 + [0, 0, 1, 2][usable % 4];
  // Count 3, size 3, check 4; a run 2 and a set line 7: as few steps as hold a set line each.
  let steps = Math.ceil((bytes - 10) / 9) + 2;
  while ((bytes - 10 - 2 * steps) % 7 !== 0) steps++;
  const sets = (bytes - 10 - 2 * steps) / 7 + more;
  const lines = ['# racer key script 2'];
  for (let i = 0; i < steps; i++) lines.push(...(i < sets ? ['= x 5'] : []), i % 2 ? 'U' : 'L');
  return { text: lines.join('\n'), steps };
}

/// A link as long as a browser opens: shared by the page from a script dropped on it, then
/// opened by its address in a new page. In Chromium also the page's memory then, the share of
/// a drive a set line longer, which says so, and a longer link refused by the page.
async function longestLink(browser, page, write) {
  const address = url.split('#')[0];
  const shared = [];
  for (const more of engine === 'chromium' ? [0, 1] : [0]) {
    const script = `(${longestScript})(${JSON.stringify(address)}, ${more}, ${kLongestLink})`;
    await drop(page, `longest${more}.keys`, `${script}.text`);
    await until(page, `${kState}.name === 'longest${more}.keys'`, 60);
    shared.push([await page.evaluate(kShare), await page.evaluate(`${script}.steps`)]);
  }
  const [[link, steps], [longer] = ['']] = shared;
  const opened = await browser.open(link);
  await until(opened, `${kState}.steps > 0`, 60);
  const state = await opened.evaluate(kState);
  const memory = engine === 'chromium' ? await opened.evaluate('Module.HEAPU8.length') : 0;
  let refused = '';
  if (engine === 'chromium') {
    await opened.evaluate(`(location.hash = '#drive=2.' + 'A'.repeat(${kLongestLink}), 0)`);
    await until(opened, `${kStatus}.startsWith('the link is')`, 10);
    refused = await opened.evaluate(kStatus);
  }
  write('longest.txt', `${link.length} ${state.steps} ${steps} ${memory} ${state.name}\n${longer}\n${refused}`);
  await opened.close();
}

/// Chromium alone, last: installability and a reload offline.
async function lastInChromium(page, write) {
  await page.puppeteer.bringToFront(); // after the link's pages
  await sleep(300);
  const { installabilityErrors } = await page.cdp.send('Page.getInstallabilityErrors');
  write('installability.txt', JSON.stringify(installabilityErrors));

  // Offline: once the worker is active, the server goes and the page reloads.
  await page.evaluate(`Promise.race([navigator.serviceWorker.ready,
    new Promise((ready) => setTimeout(ready, 10000))])`);
  process.kill(Number(serverPid));
  await sleep(300);
  await page.cdp.send('Page.reload');
  await sleep(500);
  await until(page, kSteps, 10);
  await holdFor(page, ['ArrowUp'], 700);
  try {
    const offline = await page.evaluate(`(${keyRuns})(${kDrive}, 0)`);
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
  const state = (page) => page.evaluate(kState);
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
    await holdFor(page, ['ArrowUp'], 1000);
    await snapshot(page, file('up.bmp'));

    // A drive with turns, a slide and the handbrake.
    await page.key('keyDown', 'ArrowUp');
    await sleep(700);
    await page.key('keyDown', 'ArrowRight');
    await sleep(900);
    await holdFor(page, ['Space'], 400);
    await page.key('keyUp', 'ArrowRight');
    await holdFor(page, ['ArrowLeft'], 600);
    await page.key('keyUp', 'ArrowUp');
    await sleep(300);

    if (engine === 'chromium') await phoneAndFocus(browser, page, write);

    // The whole drive: recording and picture at one instant; then as a link.
    const drive = await snapshot(page, file('drive.bmp'));
    fs.writeFileSync(file('drive.keys'), drive.drive);
    const { link } = drive;
    write('link.txt', link);

    // The link in a new page plays the drive, at four times real time (car_play's + twice),
    // and is car_play's to study.
    const linked = await browser.open(link);
    await ready(linked);
    await tap(linked, ['Equal', 'Equal']);
    const linkedState = await played(linked);
    write('linked.txt', `atEnd=${linkedState.atEnd} divergence=${linkedState.divergence} hash=${linkedState.hash}`);
    await tap(linked, ['KeyP', 'KeyB']); // car_play's keys: pause, one step back
    await until(linked, `(({ paused, step, steps }) => paused && step === steps - 1)(${kState})`, 5);
    const back = await state(linked);
    write('back.txt', `paused=${back.paused} ${back.step} of ${back.steps}`);

    // Escape ends the watch, and the page says so; a replay's key after it reaches nothing;
    // Drive again drives, from rest.
    await linked.evaluate("(window.failed = [], addEventListener('error', (e) => failed.push(e.message)), 0)");
    await holdFor(linked, ['Escape'], 100); // held as a player holds it: the game reads the keys once a frame
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

    // Race, found by its name, against the link's drive, kept as a ghost: two seconds of Up
    // take the player's car off the canvas, which a mark at its edge shows.
    await linked.click('Race');
    await until(linked, `${kState}.racing`, 5);
    await holdFor(linked, ['ArrowUp'], 2000);
    const race = await snapshot(linked, file('race.bmp'));
    fs.writeFileSync(file('race.keys'), race.drive);
    const marked = await linked.evaluate(`(() => { const m = document.getElementById('marks');
      const p = m.getContext('2d').getImageData(0, 0, m.width, m.height).data;
      let red = 0; for (let i = 0; i < p.length; i += 4) red += p[i] > 200 && p[i + 1] < 50 && p[i + 3] > 200;
      return red; })()`);
    const ghost = race.state.ghosts[0] || {};
    write('race.txt', `racing=${race.state.racing} ghosts=${race.state.ghosts.length} ${ghost.name} parted=${ghost.parted || 'no'}` +
      ` car=${Math.round(race.state.car.x)},${Math.round(race.state.car.y)} marked=${marked}`);
    await linked.close();

    // A script with one key of its first step changed, dropped on the page (its name holds
    // a quote and a control character), is kept as a ghost: raced, it parts from its drive
    // where the key was, naming the step.
    const lines = drive.drive.split('\n');
    const first = lines.findIndex((line) => /^[UDLRS.]+ /.test(line));
    lines[first] = lines[first].replace(/^\S+/, (keys) => (keys.includes('U') ? keys.replace('U', '') || '.' : `U${keys.replace('.', '')}`));
    const name = 'tampered "\u0001".keys'; // a state that holds it is a state all the same
    await drop(page, name, JSON.stringify(lines.join('\n')));
    await until(page, `${kState}.name === ${JSON.stringify(name)}`, 10);
    await until(page, `${kStatus}.startsWith('line')`, 5);
    const watched = await page.evaluate(kStatus);
    await page.click('Race');
    await until(page, `${kState}.ghosts.some((g) => g.parted)`, 10);
    write('tampered.txt', `${watched}\n${(await state(page)).ghosts.find((g) => g.name === name)?.parted}`);

    // A link with a character changed is refused as altered, and the page drives on.
    const at = link.length - 20;
    const altered = await browser.open(link.slice(0, at) + (link[at] === 'A' ? 'B' : 'A') + link.slice(at + 1));
    await ready(altered);
    const steps = await altered.evaluate(kSteps);
    await until(altered, `${kSteps} > ${steps} + 30`, 5);
    write('altered.txt', `${await altered.evaluate(kStatus)} (${await altered.evaluate(kSteps) - steps} steps on)`);
    await altered.close();

    // A bad script, dropped, is refused whole, with its line and why.
    await drop(page, 'bad.keys', JSON.stringify('U\nU\nUQ\n'));
    await until(page, `${kStatus}.startsWith('bad.keys')`, 10);
    write('bad.txt', await page.evaluate(kStatus));

    await longestLink(browser, page, write);
    if (engine === 'chromium') await lastInChromium(page, write);
  } finally {
    await browser.close();
  }
}

main().catch((error) => {
  console.error(`page_probe: ${error.message}`);
  process.exit(1);
});
