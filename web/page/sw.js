// Makes the site work offline after the first visit, and cross-origin isolated on hosts that
// cannot send the two headers shared memory needs: every answer passes through here, is
// kept for the next visit without a network, and gets the headers added.
const CACHE = "chordlane-site";

self.addEventListener("install", () => self.skipWaiting());
self.addEventListener("activate", (event) => event.waitUntil(self.clients.claim()));

function isolated(response) {
    if (!response || response.status === 0 || response.type === "opaque") return response;
    const headers = new Headers(response.headers);
    headers.set("Cross-Origin-Opener-Policy", "same-origin");
    headers.set("Cross-Origin-Embedder-Policy", "require-corp");
    headers.set("Cross-Origin-Resource-Policy", "same-origin");
    return new Response(response.body, { status: response.status, statusText: response.statusText, headers });
}

self.addEventListener("fetch", (event) => {
    const request = event.request;
    if (request.method !== "GET" || new URL(request.url).origin !== self.location.origin) return;
    event.respondWith((async () => {
        const cache = await caches.open(CACHE);
        try {
            // The network first, so a new build is seen at once; the cache when offline.
            const response = await fetch(request);
            if (response.ok) await cache.put(request, response.clone());
            return isolated(response);
        } catch (error) {
            const kept = await cache.match(request, { ignoreSearch: true });
            if (kept) return isolated(kept);
            throw error;
        }
    })());
});
