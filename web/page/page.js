// The page around the program: starts it, fits its screen to the page, turns pointer events
// into touch points, feeds the audio worklet, keeps the person's files, and gives the tests
// their hooks (window.chordlane).
import {
    PointAllocator, STYLUS_POINT, fitScreen, isPicture, remember, siteInstrumentPath, toScreen,
} from "./points.js";
import { encodeWav16, isPlainWav, isSoundName } from "./sounds.js";

// Where the browser's part of a start ends and the page's begins, for the start-up figures.
performance.mark("chordlane:page-start");

const SITE = "/chordlane/";
const USER = "/user/";
// The instrument's screen, in its own pixels: the handheld's portrait screen.
const SCREEN_WIDTH = 240;
const SCREEN_HEIGHT = 320;
const SAMPLES = ["guitar.clx", "keyboard.clx", "drums.clx", "strummer.clx", "sampler.clx", "stage.clx"];
const RECENT_KEY = "chordlane:recent";

const canvas = document.getElementById("screen");
const offscreen = document.createElement("canvas");
const messageArea = document.getElementById("messages");

let settle;
const hooks = {
    state: "loading",
    ready: new Promise((resolve) => { settle = resolve; }),
};
window.chordlane = hooks;

const shown = [];     // every message shown since load
let Module = null;    // the program's runtime
let app = 0;          // the program, as the runtime knows it
let audio = null;     // the audio context
let view = fitScreen(innerWidth, innerHeight, SCREEN_WIDTH, SCREEN_HEIGHT);
let nextPicture = 1;

// What the program's EM_JS functions reach as Module.page.
const page = {
    decoded: new Map(),   // path -> {bitmap, width, height, bytes}
    pictures: new Map(),  // number -> bitmap, one per holder in the program
    context(which) {
        return (which === 0 ? canvas : offscreen).getContext("2d");
    },
    css(colour) {
        return `rgb(${colour & 255},${(colour >> 8) & 255},${(colour >> 16) & 255})`;
    },
    font(em, weight) {
        return `${weight} ${em}px Arial, "Liberation Sans", Helvetica, sans-serif`;
    },
    text(pointer, length) {
        // A copy first: the browser's decoders refuse views of shared memory.
        const units = Module.HEAPU16.slice(pointer >> 1, (pointer >> 1) + length);
        let text = "";
        for (let i = 0; i < units.length; i += 4096) {
            text += String.fromCharCode.apply(null, units.subarray(i, i + 4096));
        }
        return text;
    },
    takePicture(path, out) {
        const picture = page.decoded.get(path);
        if (!picture) return 0;
        const id = nextPicture++;
        page.pictures.set(id, picture.bitmap);
        Module.HEAPF64[out >> 3] = picture.width;
        Module.HEAPF64[(out >> 3) + 1] = picture.height;
        Module.HEAPF64[(out >> 3) + 2] = picture.bytes;
        return id;
    },
    showMessage(text) {
        showMessage(text.replace(/\n$/, ""), "stop");
    },
    openHelp(name) {
        return window.open("help.html", "_blank") !== null || true;
    },
    setOptionCheck(option, checked) {
        document.getElementById(option === 0 ? "show-active" : "speed-volume").checked = checked;
    },
};

function showMessage(text, kind) {
    shown.push(text);
    const box = document.createElement("div");
    box.className = kind === "note" ? "message note" : "message";
    box.textContent = text;
    const close = document.createElement("button");
    close.textContent = "\u00d7";
    close.setAttribute("aria-label", "Close");
    close.onclick = () => box.remove();
    box.appendChild(close);
    messageArea.appendChild(box);
    if (kind === "note") setTimeout(() => box.remove(), 4000);
}

// A problem as the page shows it: a sentence, as the program's message boxes word it.
const sentence = (problem) => problem[0].toUpperCase() + problem.slice(1);
const notOnSite = (name) => `cannot open ${name}: not an instrument of this site`;

function readString(pointer) {
    if (!pointer) return "";
    const heap = Module.HEAPU8;
    let end = pointer;
    while (heap[end] !== 0) ++end;
    return new TextDecoder().decode(heap.slice(pointer, end));
}

function withString(text, use) {
    const bytes = new TextEncoder().encode(text);
    const pointer = Module._malloc(bytes.length + 1);
    Module.HEAPU8.set(bytes, pointer);
    Module.HEAPU8[pointer + bytes.length] = 0;
    try {
        return use(pointer);
    } finally {
        Module._free(pointer);
    }
}

// Fit the screen to the page: the canvas holds the device's pixels, drawn in the
// instrument's own through its transform.
function fit() {
    view = fitScreen(innerWidth, innerHeight, SCREEN_WIDTH, SCREEN_HEIGHT);
    const ratio = window.devicePixelRatio || 1;
    canvas.style.left = `${view.left}px`;
    canvas.style.top = `${view.top}px`;
    canvas.style.width = `${SCREEN_WIDTH * view.scale}px`;
    canvas.style.height = `${SCREEN_HEIGHT * view.scale}px`;
    canvas.width = Math.max(1, Math.round(SCREEN_WIDTH * view.scale * ratio));
    canvas.height = Math.max(1, Math.round(SCREEN_HEIGHT * view.scale * ratio));
    const ctx = canvas.getContext("2d");
    ctx.setTransform(canvas.width / SCREEN_WIDTH, 0, 0, canvas.height / SCREEN_HEIGHT, 0, 0);
    if (app) Module._cl_paint(app, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
}

// Every picture file of the file system, decoded before an instrument asks for it.
async function decodePictures(paths) {
    await Promise.all(paths.filter(isPicture).map(async (path) => {
        try {
            const bytes = Module.FS.readFile(path);
            const bitmap = await createImageBitmap(new Blob([bytes]));
            page.decoded.set(path, { bitmap, width: bitmap.width, height: bitmap.height, bytes: bytes.length });
        } catch (e) {
            // Not a picture the browser reads: the instrument says so when it asks for it.
        }
    }));
}

function filesUnder(folder) {
    const found = [];
    const walk = (dir) => {
        for (const name of Module.FS.readdir(dir)) {
            if (name === "." || name === "..") continue;
            const path = dir + name;
            const stat = Module.FS.stat(path);
            if (Module.FS.isDir(stat.mode)) walk(path + "/"); else found.push(path);
        }
    };
    try { walk(folder); } catch (e) { /* no such folder yet */ }
    return found;
}

function syncUserFiles(populate) {
    return new Promise((resolve) => Module.FS.syncfs(populate, () => resolve()));
}

function openPath(path, picked = []) {
    const problem = withString(path, (p) => withString(picked.join("\n"), (q) => {
        const answer = Module._cl_open(app, p, q);
        const text = readString(answer);
        if (answer) Module._free(answer);
        return text;
    }));
    return problem === "" ? null : problem;
}

// Opens a sample instrument by name; rejects with the message, the old instrument playing on.
hooks.open = async (name) => {
    await hooks.ready;
    const path = siteInstrumentPath(name, SITE);
    const problem = path === null ? notOnSite(name) : openPath(path);
    if (problem === null) {
        noteRecent(name === "!" ? "!" : SITE + name);
        return;
    }
    const shownText = sentence(problem);
    if (path === null) showMessage(shownText, "stop");
    throw new Error(shownText);
};

hooks.trace = () => {
    const lines = [];
    const count = Module._cl_trace_count(app);
    for (let i = 0; i < count; ++i) lines.push(readString(Module._cl_trace_line(app, i)));
    return lines;
};

hooks.audio = () => {
    const out = Module._malloc(7 * 8);
    Module._cl_audio_figures(app, out);
    const f = Module.HEAPF64.slice(out >> 3, (out >> 3) + 7);
    Module._free(out);
    return {
        rate: f[0], frames: f[1], underruns: f[2], peak: f[3], latencyFrames: f[4] < 0 ? null : f[4],
        // Not in the hooks' contract: how far ahead the mixer renders, and how long the
        // browser held that pen-down before the page got it, for the figures.
        targetFrames: f[5], eventWaitMs: f[6] < 0 ? null : f[6],
    };
};

hooks.messages = () => shown.slice();

hooks.view = () => ({ ...view });

// The instrument's screen at its own size, as a PNG data URL.
hooks.picture = async () => {
    await hooks.ready;
    offscreen.width = SCREEN_WIDTH;
    offscreen.height = SCREEN_HEIGHT;
    offscreen.getContext("2d").setTransform(1, 0, 0, 1, 0, 0);
    Module._cl_paint(app, 1, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
    return offscreen.toDataURL("image/png");
};

let worklet = null;
hooks.lastOutput = () => new Promise((resolve) => {
    worklet.port.onmessage = (event) => resolve({ rate: audio.sampleRate, samples: Array.from(event.data.lastOutput) });
    worklet.port.postMessage("lastOutput");
});

// --- Input ---------------------------------------------------------------------------------

const fingers = new PointAllocator();
const pointOf = (event) => (event.pointerType === "touch" ? fingers.find(event.pointerId) : STYLUS_POINT);

// Browsers let a page start its sound only in a person's gesture, and which event counts
// differs: a mouse press does, a finger counts only when it lifts. So every such event asks.
// The note of the tap that starts the sound waits at the head of the ring meanwhile.
function resumeAudio() {
    if (audio.state !== "running") audio.resume().catch(() => {});
}

// A pen-down: while the sound is not running yet, what was rendered before anyone listened
// goes, so this tap's note is the first thing heard when it starts.
function startAudio() {
    if (audio.state === "running") return true;
    Module._cl_audio_started(app);
    resumeAudio();
    return false;
}

canvas.addEventListener("pointerdown", (event) => {
    event.preventDefault();
    if (!app) return;
    const running = startAudio();
    const point = event.pointerType === "touch" ? fingers.take(event.pointerId) : STYLUS_POINT;
    if (point === null) return;
    canvas.setPointerCapture(event.pointerId);
    const p = toScreen(view, event.clientX, event.clientY);
    // How long the event waited to get here, for the tap-to-sound figure; that figure means
    // nothing for a tap that has to start the sound first (-1).
    const waited = running ? Math.max(0, performance.now() - event.timeStamp) : -1;
    Module._cl_pointer_down(app, point, p.x, p.y, waited);
});
canvas.addEventListener("pointermove", (event) => {
    if (!app || event.buttons === 0 && event.pointerType !== "touch") return;
    const point = pointOf(event);
    if (point === null) return;
    const moves = event.getCoalescedEvents ? event.getCoalescedEvents() : [];
    for (const move of moves.length ? moves : [event]) {
        const p = toScreen(view, move.clientX, move.clientY);
        Module._cl_pointer_move(app, point, p.x, p.y);
    }
});
const lift = (event) => {
    if (!app) return;
    resumeAudio();
    const point = event.pointerType === "touch" ? fingers.release(event.pointerId) : STYLUS_POINT;
    if (point !== null) Module._cl_pointer_up(app, point);
};
canvas.addEventListener("pointerup", lift);
canvas.addEventListener("pointercancel", lift);
for (const type of ["touchend", "click"]) document.addEventListener(type, () => audio && resumeAudio());
for (const type of ["contextmenu", "selectstart", "dblclick", "gesturestart"]) {
    document.addEventListener(type, (event) => event.preventDefault());
}
document.addEventListener("touchmove", (event) => {
    if (event.target === canvas) event.preventDefault();
}, { passive: false });

// Keys of a computer keyboard reach the instrument by their virtual key codes.
const menuOpen = () => !document.getElementById("menu").hidden;
// The program's shortcuts (ShortcutCommand's numbers) that mean something in a page.
const SHORTCUT_OPEN = 0;
const SHORTCUT_HELP = 1;
const SHORTCUT_FULL_SCREEN = 3;
function toggleFullScreen() {
    if (document.fullscreenElement) document.exitFullscreen();
    else document.documentElement.requestFullscreen().catch(() => {});
}
document.addEventListener("keydown", (event) => {
    if (!app || menuOpen() || event.keyCode === 0) return;
    // The browser's own keys (reload, developer tools, zoom) stay the browser's.
    if (event.key === "F5" || event.key === "F12" || (event.ctrlKey && /^[-+=0rRwWtT]$/.test(event.key))) return;
    event.preventDefault();
    if (!event.repeat) startAudio(); else resumeAudio();
    const command = Module._cl_key(app, event.keyCode, 1);
    if (command === SHORTCUT_OPEN) document.getElementById("pick-files").click();
    else if (command === SHORTCUT_HELP) Module._cl_help(app);
    else if (command === SHORTCUT_FULL_SCREEN) toggleFullScreen();
});
document.addEventListener("keyup", (event) => {
    if (!app || event.keyCode === 0) return;
    Module._cl_key(app, event.keyCode, 0);
});
window.addEventListener("focus", () => app && Module._cl_activated(app));
window.addEventListener("resize", fit);
window.addEventListener("orientationchange", fit);

// --- Menu ----------------------------------------------------------------------------------

const menu = document.getElementById("menu");
const menuButton = document.getElementById("menu-button");
function setMenu(open) {
    menu.hidden = !open;
    menuButton.setAttribute("aria-expanded", String(open));
    if (open) fillRecent();
}
menuButton.addEventListener("click", () => setMenu(menu.hidden));

function readRecent() {
    try { return JSON.parse(localStorage.getItem(RECENT_KEY)) || []; } catch (e) { return []; }
}
function noteRecent(path) {
    try { localStorage.setItem(RECENT_KEY, JSON.stringify(remember(readRecent(), path))); } catch (e) { /* storage refused */ }
}
function menuItem(list, label, action) {
    const li = document.createElement("li");
    const button = document.createElement("button");
    button.textContent = label;
    button.onclick = () => { setMenu(false); action(); };
    li.appendChild(button);
    list.appendChild(li);
}
function openFromMenu(path, picked = []) {
    const problem = openPath(path, picked);
    if (problem === null) noteRecent(path);
}
function fillRecent() {
    const list = document.getElementById("recent");
    list.textContent = "";
    for (const path of readRecent()) {
        const label = path === "!" ? "Built-in guitar" : path.replace(/^.*\//, "");
        menuItem(list, label, () => openFromMenu(path));
    }
}
for (const name of SAMPLES) {
    menuItem(document.getElementById("samples"), name.replace(/\.clx$/, ""), () => openFromMenu(SITE + name));
}

// A sound file the program's own reader does not take, decoded by the browser into the 16-bit
// WAV the program reads; anything the browser cannot decode either is kept as it is, and the
// load says which file it could not read.
async function readableSound(path, bytes) {
    if (!isSoundName(path) || isPlainWav(bytes)) return bytes;
    try {
        const decoded = await audio.decodeAudioData(bytes.slice().buffer);
        const channels = [];
        for (let c = 0; c < decoded.numberOfChannels; ++c) channels.push(decoded.getChannelData(c));
        return encodeWav16(channels, decoded.sampleRate);
    } catch (e) {
        return bytes;
    }
}

// The person's own files: written into the user folder, kept in the browser's storage, their
// pictures decoded, and the instrument file among them opened with the rest answering its
// prompts.
async function openPicked(fileList) {
    const files = Array.from(fileList);
    if (files.length === 0) return;
    const written = [];
    for (const file of files) {
        const relative = (file.webkitRelativePath || file.name).replace(/^\/+/, "");
        const path = USER + relative.split("/").filter((part) => part && part !== "..").join("/");
        const folder = path.slice(0, path.lastIndexOf("/"));
        Module.FS.mkdirTree(folder);
        Module.FS.writeFile(path, await readableSound(path, new Uint8Array(await file.arrayBuffer())));
        written.push(path);
    }
    await decodePictures(written);
    await syncUserFiles(false);
    const instrument = written.find((path) => /\.clx$/i.test(path));
    if (!instrument) {
        showMessage("None of the files chosen is an instrument file (.clx).", "stop");
        return;
    }
    openFromMenu(instrument, written.filter((path) => path !== instrument));
}
for (const id of ["pick-files", "pick-folder"]) {
    const input = document.getElementById(id);
    input.addEventListener("change", () => {
        setMenu(false);
        openPicked(input.files).finally(() => { input.value = ""; });
    });
}

document.getElementById("show-active").addEventListener("change", () => Module._cl_toggle_option(app, 0));
document.getElementById("speed-volume").addEventListener("change", () => Module._cl_toggle_option(app, 1));
document.getElementById("full-screen").addEventListener("click", () => {
    setMenu(false);
    toggleFullScreen();
});
document.getElementById("help").addEventListener("click", () => { setMenu(false); Module._cl_help(app); });
document.getElementById("about").addEventListener("click", () => {
    setMenu(false);
    showMessage(`Chordlane Version ${readString(Module._cl_version())}`, "note");
});

// --- Start ---------------------------------------------------------------------------------

async function start() {
    // The program is fetched and compiled while the audio context starts: a browser's first
    // context holds the main thread for a few hundred milliseconds. The worklet's script is
    // fetched meanwhile too.
    const created = createChordlane({
        page,
        print: (text) => console.log(text),
        printErr: (text) => console.warn(text),
    });
    audio = new AudioContext({ latencyHint: "interactive" });
    const workletLoaded = audio.audioWorklet.addModule("audio-worklet.js");
    Module = await created;
    Module.FS.mkdir(USER);
    Module.FS.mount(Module.IDBFS, {}, USER);
    // The site's pictures are decoded while the person's files come in from storage.
    const sitePictures = decodePictures(filesUnder(SITE));
    await syncUserFiles(true);
    await Promise.all([sitePictures, decodePictures(filesUnder(USER))]);
    app = Module._cl_create(audio.sampleRate, SCREEN_WIDTH, SCREEN_HEIGHT);
    fit();
    setInterval(() => Module._cl_tick(app), 5);
    document.getElementById("show-active").checked = Module._cl_option(app, 0) !== 0;
    document.getElementById("speed-volume").checked = Module._cl_option(app, 1) !== 0;

    const worklet_ready = workletLoaded.then(() => {
        worklet = new AudioWorkletNode(audio, "chordlane-ring", {
            numberOfInputs: 0,
            outputChannelCount: [2],
            processorOptions: { memory: Module.HEAPU8.buffer, ring: Module._cl_ring(app) },
        });
        worklet.connect(audio.destination);
    });

    const asked = new URLSearchParams(location.search).get("instrument");
    const path = siteInstrumentPath(asked, SITE);
    const problem = path === null ? notOnSite(asked) : openPath(path);
    if (path === null) showMessage(sentence(problem), "stop");
    await worklet_ready;
    hooks.state = problem === null ? "ready" : "error";
    settle(hooks.state);
}

// A host that cannot send the isolation headers gets them from the service worker, which
// only answers the page's requests from the next load on: the page loads once more, once.
const RELOADED = "chordlane:isolating";
async function isolate() {
    const registered = "serviceWorker" in navigator
        ? navigator.serviceWorker.register("sw.js").catch(() => null) : Promise.resolve(null);
    if (window.crossOriginIsolated) return "isolated";
    if (!(await registered) || sessionStorage.getItem(RELOADED)) return "refused";
    sessionStorage.setItem(RELOADED, "1");
    await navigator.serviceWorker.ready;
    location.reload();
    return "reloading";
}

isolate().then((outcome) => {
    if (outcome === "reloading") return undefined;
    sessionStorage.removeItem(RELOADED);
    if (outcome === "refused") {
        throw new Error("this browser gives the page no shared memory: the site must be served " +
                        "with the Cross-Origin-Opener-Policy and Cross-Origin-Embedder-Policy headers");
    }
    return start();
}).catch((error) => {
    showMessage(`Chordlane could not start: ${error.message || error}`, "stop");
    hooks.state = "error";
    settle(hooks.state);
});
