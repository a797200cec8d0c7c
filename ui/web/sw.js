// The service worker of the served build: it keeps this build's files in a
// cache of its own and serves them from there, so the game starts and plays
// offline after the first visit. The build writes the list of files and a
// name that changes with them; a new build's worker takes over at once and
// drops the caches of the builds before it.
var CACHE = 'vantrel-@BUILD@';
var FILES = [@FILES@];

self.addEventListener('install', function (event) {
    event.waitUntil(caches.open(CACHE).then(function (cache) {
        return cache.addAll(FILES);
    }).then(function () {
        return self.skipWaiting();
    }));
});

self.addEventListener('activate', function (event) {
    event.waitUntil(caches.keys().then(function (names) {
        return Promise.all(names.filter(function (name) {
            return name.indexOf('vantrel-') === 0 && name !== CACHE;
        }).map(function (name) {
            return caches.delete(name);
        }));
    }).then(function () {
        return self.clients.claim();
    }));
});

// The game's own files from the cache; anything else from the network.
self.addEventListener('fetch', function (event) {
    if (event.request.method !== 'GET') return;
    event.respondWith(caches.open(CACHE).then(function (cache) {
        return cache.match(event.request, { ignoreSearch: true });
    }).then(function (kept) {
        return kept || fetch(event.request);
    }));
});
