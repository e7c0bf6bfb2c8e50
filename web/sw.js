// The page's service worker: after one visit the game plays with the network gone. Its
// one cache is named after this build (scripts/web writes the name in), so racer.js and
// racer.wasm always come from one build; it is filled when the worker is
// installed, answers first (the network only for what it lacks), and a newer build's
// worker deletes the older caches once it takes over.
'use strict';
const kCache = 'racer-@BUILD@';
const kFiles = ['./', 'index.html', 'page.js', 'racer.js', 'racer.wasm', 'manifest.webmanifest',
                'icon-192.png', 'icon-512.png'];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(kCache).then((cache) => cache.addAll(kFiles)));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys().then((names) => Promise.all(
    names.filter((name) => name.startsWith('racer-') && name !== kCache).map((name) => caches.delete(name)))));
});

self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(caches.open(kCache)
    .then((cache) => cache.match(event.request, { ignoreSearch: true }))
    .then((kept) => kept || fetch(event.request)));
});
