// The page around the game (index.html): the canvas fitted to the screen, one input path
// for the keyboard, the touch pads and a gamepad, fullscreen, another drive, drives watched
// and shared as links, and the service worker that keeps the page for offline play. The
// game itself (racer.js) reads the keys the input path holds and paints the canvas.
'use strict';

const canvas = document.getElementById('screen');
const game = document.getElementById('game');
const statusLine = document.getElementById('status');
const kWidth = 840, kHeight = 640; // the canvas's own pixels; only its CSS size changes
const kGap = 8, kHelpWidth = 300;

// --- One input path. ---

/// The page's one table of key codes: each KeyboardEvent.code the page takes, and the game's
/// name for its key: the keys held (the driving keys' letters in key scripts, and Escape),
/// which the pads (data-key) and the gamepad name too, and the keys of a watched drive's
/// replay, car_play's, which the game names the same.
const kKeyboard = { ArrowUp: 'U', ArrowDown: 'D', ArrowLeft: 'L', ArrowRight: 'R', Space: 'S', Escape: 'Escape',
                    KeyP: 'P', KeyN: 'N', KeyB: 'B', Home: 'Home', Equal: '+', NumpadAdd: '+', Minus: '-',
                    NumpadSubtract: '-' };
const kGameKeys = ['U', 'D', 'L', 'R', 'S', 'Escape'];
const holders = new Map(kGameKeys.map((name) => [name, new Set()]));

/// Source `source` ('keyboard', 'touch', 'gamepad') takes (down) or lets go of key `name`.
/// holders holds who holds each key; the game hears a change only when the set turns
/// empty or stops being empty, so one source letting go leaves a key another still holds.
function hold(name, source, down) {
  const who = holders.get(name);
  const was = who.size > 0;
  if (down) who.add(source); else who.delete(source);
  if (was === who.size > 0) return;
  for (const pad of document.querySelectorAll(`.pads button[data-key="${name}"]`))
    pad.classList.toggle('held', who.size > 0);
  if (Module.calledRun) Module.ccall('racer_key', 'boolean', ['string', 'boolean'], [name, who.size > 0]);
}

/// Every source lets go of every key: the page hears no key-up once it has lost the focus.
function releaseAll() {
  for (const [code, who] of holders)
    for (const source of [...who]) hold(code, source, false);
}

// The keyboard. The game's keys do nothing else: no scrolling.
function onKey(event) {
  const name = kKeyboard[event.code];
  if (!name) return;
  if (!holders.has(name)) { // a replay's key: only while a drive is watched
    if (!state.watching) return;
    event.preventDefault();
    if (event.type === 'keydown') replay(name);
    return;
  }
  event.preventDefault();
  if (!event.repeat) hold(name, 'keyboard', event.type === 'keydown');
}
window.addEventListener('keydown', onKey);
window.addEventListener('keyup', onKey);
window.addEventListener('blur', releaseAll);
document.addEventListener('visibilitychange', () => { if (document.hidden) releaseAll(); });

// The touch pads: every finger holds the pad it is on now, so a finger sliding from one
// pad to the next lets go of the first. The pads show once the page is touched.
function onTouch(event) {
  if (!document.body.classList.contains('touch')) {
    document.body.classList.add('touch');
    fit();
  }
  const under = new Set();
  for (const touch of event.touches) {
    const pad = document.elementFromPoint(touch.clientX, touch.clientY)?.closest('.pads button');
    if (pad) under.add(pad.dataset.key);
  }
  for (const name of kGameKeys) hold(name, 'touch', under.has(name));
  if (game.contains(event.target) && event.cancelable) event.preventDefault();
}
for (const type of ['touchstart', 'touchmove', 'touchend', 'touchcancel'])
  document.addEventListener(type, onTouch, { passive: false });
game.addEventListener('contextmenu', (event) => event.preventDefault());

// A gamepad in the standard mapping, read once an animation frame, before the steps.
const kDeadZone = 0.3;
function pollGamepads() {
  const wanted = new Set();
  for (const pad of navigator.getGamepads ? navigator.getGamepads() : []) {
    if (!pad || !pad.connected) continue;
    const pressed = (i) => pad.buttons[i] && (pad.buttons[i].pressed || pad.buttons[i].value > kDeadZone);
    if (pad.axes[0] < -kDeadZone || pressed(14)) wanted.add('L');
    if (pad.axes[0] > kDeadZone || pressed(15)) wanted.add('R');
    if (pressed(7) || pressed(0)) wanted.add('U'); // right trigger, A
    if (pressed(6) || pressed(1)) wanted.add('D'); // left trigger, B
    if (pressed(2) || pressed(5)) wanted.add('S'); // X, right shoulder
  }
  for (const name of kGameKeys) if (name !== 'Escape') hold(name, 'gamepad', wanted.has(name));
}

// --- The canvas fitted to the screen. ---

/// The largest CSS size of the canvas with its 840:640 aspect in a `width` x `height`
/// space, never above 1:1 but in fullscreen.
function scaleIn(width, height, fullscreen) {
  return Math.max(0.1, Math.min(width / kWidth, height / kHeight, fullscreen ? Infinity : 1));
}

/// Lays the page out for the viewport: the pads (once touched) beside the canvas or below
/// it, whichever leaves the canvas larger; the help beside on a wide screen, else below;
/// then the canvas as large as fits.
function fit() {
  const fullscreen = document.fullscreenElement === game;
  const touch = document.body.classList.contains('touch');
  // The layout viewport: on a phone, innerWidth grows with content too wide for it.
  const viewport = document.documentElement;
  const width = viewport.clientWidth - (fullscreen ? 0 : 2 * kGap);
  const height = viewport.clientHeight - (fullscreen ? 0 : 2 * kGap);
  const pad = Math.round(Math.min(96, Math.max(56, Math.min(width, height) * 0.2)));
  const padBelow = Math.min(pad, Math.floor((width - 4 * kGap) / 5));
  const layouts = [{ name: '', w: width, h: height }];
  if (touch) {
    layouts[0] = { name: 'pads-beside', pad, w: width - 2 * (2 * pad + kGap) - 2 * kGap, h: height };
    layouts.push({ name: 'pads-below', pad: padBelow, w: width, h: height - padBelow - kGap });
  }
  for (const layout of layouts) layout.scale = scaleIn(layout.w, layout.h, fullscreen);
  const best = layouts.reduce((a, b) => (b.scale > a.scale ? b : a));
  const helpBeside = !fullscreen && scaleIn(best.w - kHelpWidth - kGap, best.h, false) >= best.scale;
  document.body.classList.toggle('pads-beside', best.name === 'pads-beside');
  document.body.classList.toggle('pads-below', best.name === 'pads-below');
  document.body.classList.toggle('help-beside', helpBeside);
  game.style.setProperty('--pad', `${best.pad || 0}px`);
  canvas.style.width = `${Math.floor(kWidth * best.scale)}px`;
  canvas.style.height = `${Math.floor(kHeight * best.scale)}px`;
}
window.addEventListener('resize', fit);
document.addEventListener('fullscreenchange', fit);
fit();

// --- Fullscreen, another drive, saving the drive. ---

const fullscreenButton = document.getElementById('fullscreen');
if (document.fullscreenEnabled) {
  fullscreenButton.hidden = false;
  document.getElementById('fullscreen-note').hidden = false;
  fullscreenButton.addEventListener('click', async () => {
    try {
      await game.requestFullscreen({ navigationUI: 'hide' });
      await screen.orientation.lock('landscape');
    } catch (e) { /* no lock on this device, or fullscreen refused: play as it is */ }
    canvas.focus();
  });
}

const again = document.getElementById('again');
again.addEventListener('click', () => {
  releaseAll();
  reading++;
  if (location.hash) history.replaceState(null, '', location.pathname + location.search);
  notice = Module.UTF8ToString(Module._racer_drive_again());
  again.hidden = !notice;
  statusLine.textContent = notice;
  canvas.focus();
});

document.getElementById('save').addEventListener('click', function () {
  const drive = Module.UTF8ToString(Module._racer_drive());
  this.href = URL.createObjectURL(new Blob([drive], { type: 'text/plain' }));
});

// --- Watching a drive: a key script opened or dropped, or a link's. ---

let state = { watching: false }; // the game's own account (racer_state), read every frame
let shown = '';
let notice = ''; // why the game refused the last drive it was given, until another plays
const replayBar = document.getElementById('replay');

/// Shows `said` when the game refused a drive (the one playing plays on), and otherwise
/// that it plays.
function watched(said) {
  notice = said;
  shown = '';
  if (said) { statusLine.textContent = said; return; }
  releaseAll();
  again.hidden = false;
  canvas.focus();
}
/// Watches a key script from a file, read in pieces through the game's memory: a file of
/// any size takes no more of it than its drive. A file given meanwhile takes over.
let reading = 0; // the file being read; Drive again or a link drops it
async function watchFile(file) {
  const mine = ++reading, kPiece = 1 << 20, piece = Module._malloc(kPiece);
  Module._racer_read_begin();
  let good = true;
  for (let at = 0; good && at < file.size && mine === reading; at += kPiece) {
    const bytes = new Uint8Array(await file.slice(at, at + kPiece).arrayBuffer());
    if (mine !== reading) break;
    Module.HEAPU8.set(bytes, piece);
    good = Module._racer_read(piece, bytes.length);
  }
  Module._free(piece);
  if (mine === reading) watched(Module.ccall('racer_watch_read', 'string', ['string'], [file.name]));
}
/// Watches the drive of the page's link, passed through the game's memory (a link may be
/// longer than its stack).
function watchLink() {
  if (!Module.calledRun || !location.hash.startsWith('#drive=')) return;
  reading++;
  const fragment = Module.allocateUTF8(location.hash.slice(1));
  const said = Module.UTF8ToString(Module._racer_watch_link(fragment));
  Module._free(fragment);
  watched(said);
}
function replay(command) { Module.ccall('racer_replay', 'boolean', ['string'], [command]); }
window.addEventListener('hashchange', watchLink);

document.getElementById('open').addEventListener('change', function () {
  if (this.files[0]) watchFile(this.files[0]);
  this.value = '';
});
document.addEventListener('dragover', (event) => event.preventDefault());
document.addEventListener('drop', (event) => {
  event.preventDefault();
  if (event.dataTransfer.files[0]) watchFile(event.dataTransfer.files[0]);
});
for (const button of replayBar.querySelectorAll('button'))
  button.addEventListener('click', () => { replay(button.dataset.command); canvas.focus(); });

/// The status line while a drive is watched, from the game's own account of it.
function showState() {
  const json = Module.UTF8ToString(Module._racer_state());
  if (json === shown) return;
  shown = json;
  state = JSON.parse(json);
  replayBar.hidden = !state.watching;
  if (!state.watching || notice) return;
  const where = state.atEnd ? 'the end' : state.paused ? 'paused' : `${state.speed}× real time`;
  statusLine.textContent = state.divergence ||
    `Watching ${state.name}: step ${state.step} of ${state.steps}, ${where}.${state.note ? ` (${state.note}.)` : ''}`;
}

// --- Sharing the drive on the screen as a link: nothing of it goes to a server. ---

const linkField = document.getElementById('link');
document.getElementById('share').addEventListener('click', async () => {
  const fragment = Module.UTF8ToString(Module._racer_share());
  const url = `${location.href.split('#')[0]}#${fragment}`;
  linkField.value = url;
  linkField.hidden = false;
  try {
    if (navigator.share) await navigator.share({ title: 'A drive in racer', url });
    else await navigator.clipboard.writeText(url);
  } catch (e) { /* not shared or copied: the link stands in the field */ }
});

// The keys reach the game only while the page has the focus: take it, and take it back on
// a click.
canvas.addEventListener('click', () => canvas.focus());

var Module = {
  canvas,
  preMainLoop: pollGamepads,
  postMainLoop: showState, // the state the frame's steps left, shown in the same task
  onRuntimeInitialized() {
    canvas.focus();
    statusLine.textContent = '';
    setTimeout(watchLink); // once the game's main has started its drive
  },
  // Offline after one visit: the worker keeps this build's files (https or localhost
  // only). It asks for them again, so it waits until the game's main has run its first
  // step rather than share the network with the page's own first load.
  postRun() {
    if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js').catch(() => { /* played online only */ });
  },
  onGameOver() {
    releaseAll();
    showState();
    statusLine.textContent = 'The game has ended.';
    again.hidden = false;
  },
  printErr(text) { statusLine.textContent = text; },
};
