// The page around the game (index.html): one input path for the keyboard, the touch pads
// and a gamepad, the pads' place, fullscreen, another drive, drives opened (watched, kept
// as ghosts and raced) and shared as links, marks of the cars off the canvas, and the
// service worker that keeps the page for offline play. The game itself (racer.js) reads the
// keys the input path holds and paints the canvas.
'use strict';

const $ = (id) => document.getElementById(id);
const canvas = $('screen'), marks = $('marks'), game = $('game'), statusLine = $('status');
const kWidth = 840, kHeight = 640; // the canvas's own pixels; only its CSS size changes
const kGap = 8;

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
    if (!Module.state?.watching) return;
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
    placePads();
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

// --- The pads' place, once the page is touched: beside the canvas or below it, whichever
// leaves it larger. The style sheet sizes the canvas from the room they leave. ---

function placePads() {
  if (!document.body.classList.contains('touch')) return;
  const fullscreen = document.fullscreenElement === game;
  const root = document.documentElement; // the layout viewport: a phone's innerWidth grows with wide content
  const width = root.clientWidth - (fullscreen ? 0 : 2 * kGap), height = root.clientHeight - (fullscreen ? 0 : 2 * kGap);
  const pad = Math.round(Math.min(96, Math.max(56, Math.min(width, height) * 0.2)));
  const below = Math.min(pad, Math.floor((width - 4 * kGap) / 5));
  const scale = (w, h) => Math.min(w / kWidth, h / kHeight);
  const beside = scale(width - 2 * (2 * pad + kGap) - 2 * kGap, height) >= scale(width, height - below - kGap);
  const style = document.body.style;
  document.body.classList.toggle('pads-beside', beside);
  document.body.classList.toggle('pads-below', !beside);
  style.setProperty('--pad', `${beside ? pad : below}px`);
  style.setProperty('--pads-wide', beside ? `${2 * (2 * pad + kGap) + 2 * kGap}px` : '0px');
  style.setProperty('--pads-high', beside ? '0px' : `${below + kGap}px`);
}
window.addEventListener('resize', placePads);
document.addEventListener('fullscreenchange', placePads);

// --- Fullscreen, another drive, saving the drive. ---

// Shown from the start, so that the page does not shift; hidden where there is no fullscreen.
const fullscreenButton = $('fullscreen');
fullscreenButton.hidden = $('fullscreen-note').hidden = !document.fullscreenEnabled;
if (document.fullscreenEnabled) {
  fullscreenButton.addEventListener('click', async () => {
    try {
      await game.requestFullscreen({ navigationUI: 'hide' });
      await screen.orientation.lock('landscape');
    } catch (e) { /* no lock on this device, or fullscreen refused: play as it is */ }
    canvas.focus();
  });
}

/// Shows `said` when the game refused what it was asked (what runs runs on); otherwise a new
/// game runs, the file being read, if any, dropped.
let notice = ''; // why the game refused the last thing it was asked, until another game runs
let reading = 0; // the file being read; anything the page starts meanwhile drops it
function started(said) {
  notice = said;
  showState(true);
  if (said) return;
  reading++;
  releaseAll();
  canvas.focus();
}
const again = $('again');
again.addEventListener('click', () => {
  if (location.hash) history.replaceState(null, '', location.pathname + location.search);
  started(Module.UTF8ToString(Module._racer_drive_again()));
});
$('race').addEventListener('click', () => started(Module.ccall('racer_race', 'string', ['boolean'], [false])));
$('race-mine').addEventListener('click', () => started(Module.ccall('racer_race', 'string', ['boolean'], [true])));
$('forget').addEventListener('click', () => { Module._racer_forget_ghosts(); showState(true); });

const saveLink = $('save');
saveLink.addEventListener('click', function () {
  const drive = Module.UTF8ToString(Module._racer_drive());
  this.href = URL.createObjectURL(new Blob([drive], { type: 'text/plain' }));
});

// --- Drives opened: a key script opened or dropped, or a link's. Each is watched, and kept
// as a ghost to race. ---

/// Opens a key script (or a link) from a file, read by the browser, at most as many bytes as
/// the longest key script has and one: the game refuses a longer one. A file or a link given
/// meanwhile takes over.
async function openFile(file) {
  const mine = ++reading;
  const bytes = new Uint8Array(await file.slice(0, Module._racer_longest_script()).arrayBuffer());
  if (mine !== reading) return;
  const at = Module._malloc(bytes.length + 1);
  Module.HEAPU8.set(bytes, at);
  const said = Module.ccall('racer_open', 'string', ['string', 'number', 'number'], [file.name, at, bytes.length]);
  Module._free(at);
  started(said);
}
/// Opens the drive of the page's link, passed through the game's memory (a link may be
/// longer than its stack).
function openLink() {
  if (!Module.calledRun || !location.hash.startsWith('#drive=')) return;
  const address = Module.allocateUTF8(location.href);
  const said = Module.UTF8ToString(Module._racer_open_link(address));
  Module._free(address);
  started(said);
}
function replay(command) { Module.ccall('racer_replay', 'boolean', ['string'], [command]); }
window.addEventListener('hashchange', openLink);

$('open').addEventListener('change', function () {
  if (this.files[0]) openFile(this.files[0]);
  this.value = '';
});
document.addEventListener('dragover', (event) => event.preventDefault());
document.addEventListener('drop', (event) => {
  event.preventDefault();
  if (event.dataTransfer.files[0]) openFile(event.dataTransfer.files[0]);
});
for (const button of $('replay').querySelectorAll('button'))
  button.addEventListener('click', () => { replay(button.dataset.command); canvas.focus(); });

// --- What the page shows of the game, from its account (Module.state), every frame. ---

const kReach = 56; // pixels from a car's position to the farthest corner of its outline
const marksContext = marks.getContext('2d');
let marked = false, shown = '';

/// A small arrow at the canvas's edge for each car wholly off it, pointing where it is, in
/// its outline's colour: over the canvas, whose pixels stay the game's.
function markCarsOff(cars) {
  if (marked) marksContext.clearRect(0, 0, kWidth, kHeight);
  marked = false;
  for (const { x, y, colour } of cars) {
    if (x > -kReach && x < kWidth + kReach && y > -kReach && y < kHeight + kReach) continue;
    const edgeX = Math.min(Math.max(x, 14), kWidth - 14), edgeY = Math.min(Math.max(y, 14), kHeight - 14);
    marksContext.save();
    marksContext.translate(edgeX, edgeY);
    marksContext.rotate(Math.atan2(y - edgeY, x - edgeX));
    marksContext.fillStyle = colour;
    marksContext.beginPath();
    marksContext.moveTo(12, 0);
    marksContext.lineTo(-8, -9);
    marksContext.lineTo(-8, 9);
    marksContext.fill();
    marksContext.restore();
    marked = true;
  }
}

/// The status line, the buttons and the marks, as the game's state says; the words only
/// when they change, or when `now`.
function showState(now = false) {
  Module._racer_state();
  const s = Module.state;
  markCarsOff([...s.ghosts.filter((g) => g.car).map((g) => ({ ...g.car, colour: g.colour })),
               { ...s.car, colour: '#f00' }]);
  const where = s.atEnd ? 'the end' : s.paused ? 'paused' : `${s.speed}× real time`;
  const parted = s.ghosts.filter((g) => g.parted).map((g) => `${g.parted}.`);
  const words = notice || (s.ended ? 'The game has ended.' : s.watching ? (s.divergence ||
    `Watching ${s.name}: step ${s.step} of ${s.steps}, ${where}.${s.note ? ` (${s.note}.)` : ''}`) :
    s.racing ? [`Racing ${s.ghosts.length === 1 ? 'a ghost' : `${s.ghosts.length} ghosts`}.`, ...parted].join(' ') : '');
  const look = JSON.stringify([words, s.watching, s.ended, s.mine, s.ghosts.map((g) => g.name)]);
  if (look === shown && !now) return;
  shown = look;
  statusLine.textContent = words;
  $('replay').hidden = !s.watching;
  again.hidden = !s.watching && !s.ended && !s.racing;
  $('race').hidden = $('forget').hidden = s.ghosts.length === 0;
  $('race-mine').hidden = !s.mine;
  const list = $('ghosts');
  list.hidden = s.ghosts.length === 0;
  list.replaceChildren('Ghosts: ', ...s.ghosts.flatMap((g, i) => {
    const name = Object.assign(document.createElement('span'), { textContent: g.name });
    name.style.color = g.colour;
    return [i ? ', ' : '', name];
  }), '.');
}

// --- Sharing the drive on the screen as a link: nothing of it goes to a server. ---

const linkField = $('link');
$('share').addEventListener('click', async () => {
  const address = location.href.split('#')[0];
  const link = Module.ccall('racer_share', 'string', ['string'], [address]);
  linkField.hidden = !link.startsWith(address);
  if (linkField.hidden) { // longer than a browser opens: the key script is the way
    statusLine.textContent = link;
    saveLink.focus();
    return;
  }
  linkField.value = link;
  try {
    if (navigator.share) await navigator.share({ title: 'A drive in racer', url: link });
    else await navigator.clipboard.writeText(link);
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
    setTimeout(openLink); // once the game's main has started its drive
  },
  // Offline after one visit: the worker keeps this build's files (https or localhost
  // only). It asks for them again, so it waits until the game's main has run its first
  // step rather than share the network with the page's own first load.
  postRun() {
    if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js').catch(() => { /* played online only */ });
  },
  onGameOver() {
    releaseAll();
    notice = '';
    showState(true);
  },
  printErr(text) { statusLine.textContent = text; },
};
