"""What the web build's browser tests and its measuring script share.

The site is served by scripts/serve-web.py (the page needs its cross-origin isolation
headers) and driven in headless Chromium through selenium and the DevTools protocol, whose
Input domain gives trusted touches and clicks: they count as user gestures, as a finger does.
What the page does is compared with chordlane-tool, the same engine without a window, so
no expected figure is written down here.
"""

import base64
import gzip
import importlib.util
import json
import math
import os
import re
import subprocess
import sys
import tempfile
import time
import zlib
from dataclasses import dataclass, field
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]


def _path_from_env(name, default):
    # Relative paths are the repository's, wherever the tests are started from.
    return ROOT / os.environ.get(name, default)


WEB_DIR = _path_from_env("CHORDLANE_WEB_DIR", "build/web")
TOOL = _path_from_env("CHORDLANE_TOOL", "build/default/tools/chordlane-tool")
SERVER = _path_from_env("CHORDLANE_SERVE_WEB", "scripts/serve-web.py")
INSTRUMENTS = ROOT / "instruments"
CHROMIUM = os.environ.get("CHORDLANE_CHROMIUM", "/usr/bin/chromium")
CHROMEDRIVER = os.environ.get("CHORDLANE_CHROMEDRIVER", "/usr/bin/chromedriver")

# Loading is meant to take about a second; a page that is merely slow on a busy machine
# should still get to say what went wrong instead of timing out somewhere unrelated.
READY_TIMEOUT_S = 30.0

BUILT_IN = "!"


def in_ci():
    return os.environ.get("CI") == "true"


def browser_missing():
    """Why the browser tests cannot run here, or None when they can."""
    missing = [path for path in (CHROMIUM, CHROMEDRIVER) if not os.access(path, os.X_OK)]
    if importlib.util.find_spec("selenium") is None:
        missing.append("python3-selenium")
    return ", ".join(missing) + " missing" if missing else None


def figure(name, value):
    """Says a measured figure where a person running the tests sees it."""
    print(f"  figure: {name} = {value}", file=sys.stderr, flush=True)


def wait_for(condition, timeout_s, interval_s=0.05):
    """Polls condition() until it returns something true; returns its last answer."""
    deadline = time.monotonic() + timeout_s
    while True:
        answer = condition()
        if answer or time.monotonic() >= deadline:
            return answer
        time.sleep(interval_s)


# ----------------------------------------------------------------------------- the server


class Server:
    """serve-web.py on a port the system chooses, for as long as the with block lasts."""

    def __init__(self, directory=WEB_DIR):
        self.directory = Path(directory)
        self.process = None
        self.url = None

    def __enter__(self):
        self.process = subprocess.Popen(
            [sys.executable, str(SERVER), "--port", "0",
             "--dir", str(self.directory), "--quiet"],
            stdout=subprocess.PIPE, text=True)
        line = self.process.stdout.readline()
        match = re.search(r"http://127\.0\.0\.1:\d+/", line)
        if not match:
            self.stop()
            raise RuntimeError(f"serve-web.py did not say where it serves: {line!r}")
        self.url = match.group(0)
        return self

    def __exit__(self, *exc):
        self.stop()

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        if self.process:
            self.process.stdout.close()


# ----------------------------------------------------------------------------- the browser


def start_browser(gesture_needed=False, size=(480, 800)):
    """Headless Chromium. gesture_needed keeps the browser's autoplay rule, as a phone
    has it: an audio context stays suspended until the person first touches the page
    (only this policy holds Web Audio back; "user-gesture-required" binds media elements
    alone). Otherwise audio may start on its own."""
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service

    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    policy = "document-user-activation-required" if gesture_needed else "no-user-gesture-required"
    for argument in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage",
                     "--use-fake-ui-for-media-stream", f"--autoplay-policy={policy}",
                     f"--window-size={size[0]},{size[1]}"):
        options.add_argument(argument)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
    driver.set_script_timeout(READY_TIMEOUT_S)
    return driver


# Installed before any script of the page runs: notes when `ready` settles, in milliseconds
# since navigation began, so the time is the page's own and not that of our polling.
_READY_WATCH = """
(() => {
  const watch = () => {
    const page = window.chordlane;
    if (!page || !page.ready) { setTimeout(watch, 1); return; }
    const note = outcome => () => {
      window.__chordlaneSettled = {at: performance.now(), outcome, state: page.state};
    };
    Promise.resolve(page.ready).then(note("resolved"), error => {
      note("rejected: " + String(error && error.message || error))();
    });
  };
  watch();
})();
"""

# Runs a Promise-valued expression and hands back {ok, value} or {ok: false, error}.
_AWAIT = """
const done = arguments[arguments.length - 1];
Promise.resolve().then(() => (EXPRESSION)).then(
  value => done({ok: true, value}),
  error => done({ok: false, error: String(error && error.message || error)}));
"""


class PageError(AssertionError):
    """The page did not do what its hooks promise; the text says what it showed."""


class Rejected(Exception):
    """A Promise of the page rejected; the exception's text is the reason it gave."""


class Page:
    """index.html of the served site in one browser, with its test hooks."""

    def __init__(self, driver, base_url):
        self.driver = driver
        self.base_url = base_url
        self.view = None
        self.ready_ms = None
        self.page_start_ms = None
        self._touching = {}
        self._mouse_at = None
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": _READY_WATCH})

    # -- loading

    def load(self, query=""):
        """Navigates to index.html (plus query) and waits until the page is ready."""
        self._touching.clear()
        self._mouse_at = None
        self.driver.get(self.base_url + "index.html" + query)
        self.wait_ready()

    def wait_ready(self, timeout_s=READY_TIMEOUT_S):
        settled = wait_for(lambda: self.js("return window.__chordlaneSettled || null"), timeout_s)
        if not settled:
            raise PageError(f"window.chordlane.ready did not settle within {timeout_s:.0f} s"
                            + self.diagnostics())
        if settled["outcome"] != "resolved" or settled["state"] != "ready":
            raise PageError(f"ready {settled['outcome']} with state {settled['state']!r}"
                            + self.diagnostics())
        self.ready_ms = settled["at"]
        # When the page's own script began: the time before it is the browser's own start.
        self.page_start_ms = self.js(
            "const m = performance.getEntriesByName('chordlane:page-start');"
            "return m.length ? m[0].startTime : null")
        self.view = self.hook("view()")

    def diagnostics(self):
        """What the page told its user and the console, for a failure's message."""
        try:
            said = self.js("const p = window.chordlane; return p ? "
                           "{state: p.state, messages: p.messages()} : null")
        except Exception as error:  # the page may be broken in any way at all
            said = f"(could not ask the page: {error})"
        lines = [f"\n  window.chordlane: {said}", "  console:"]
        try:
            for entry in self.driver.get_log("browser"):
                lines.append(f"    {entry['level']} {entry['message']}")
        except Exception as error:
            lines.append(f"    (no console log: {error})")
        return "\n".join(lines)

    # -- the hooks

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def hook(self, call):
        """The value of window.chordlane.CALL (a member call without a Promise)."""
        return self.js(f"return window.chordlane.{call};")

    def wait(self, expression):
        """Awaits a Promise-valued expression in the page; raises Rejected with its reason."""
        answer = self.driver.execute_async_script(_AWAIT.replace("EXPRESSION", expression))
        if not answer["ok"]:
            raise Rejected(answer["error"])
        return answer["value"]

    def trace(self):
        return [parse_event(line) for line in self.hook("trace()")]

    def audio(self):
        return self.hook("audio()")

    def messages(self):
        return self.hook("messages()")

    def open(self, name):
        """window.chordlane.open(name); the view is asked again once it resolves."""
        self.wait(f"window.chordlane.open({json.dumps(name)})")
        self.view = self.hook("view()")

    def picture(self):
        """The instrument's screen at scale 1, decoded."""
        url = self.wait("window.chordlane.picture()")
        prefix = "data:image/png;base64,"
        if not url.startswith(prefix):
            raise PageError(f"picture() gave no PNG data URL: {url[:40]!r}")
        return decode_png(base64.b64decode(url[len(prefix):]))

    def last_output(self):
        """(rate, samples) of the last frames that left the audio worklet."""
        output = self.wait("window.chordlane.lastOutput().then("
                           "o => ({rate: o.rate, samples: Array.from(o.samples)}))")
        return output["rate"], output["samples"]

    def busy(self, ms):
        """Keeps the page's main thread busy for ms milliseconds."""
        self.js("const end = performance.now() + arguments[0];"
                "while (performance.now() < end) {}", ms)

    # -- input, in the instrument's own pixels

    def to_page(self, x, y):
        """The page point at the centre of the instrument's pixel x, y."""
        v = self.view
        return v["left"] + (x + 0.5) * v["scale"], v["top"] + (y + 0.5) * v["scale"]

    def _touch(self, kind, points):
        self.driver.execute_cdp_cmd("Input.dispatchTouchEvent", {
            "type": kind,
            "touchPoints": [{"x": x, "y": y, "id": finger} for finger, (x, y) in points.items()],
        })

    def _mouse(self, kind, x, y):
        self.driver.execute_cdp_cmd("Input.dispatchMouseEvent", {
            "type": kind, "x": x, "y": y, "button": "left", "clickCount": 1,
            "buttons": 0 if kind == "mouseReleased" else 1,
        })

    def down(self, finger, x, y):
        """Finger 1 to 9 touches, finger 0 is the mouse (the stylus)."""
        point = self.to_page(x, y)
        if finger == 0:
            self._mouse_at = point
            self._mouse("mousePressed", *point)
        else:
            # A touchStart lists every finger on the glass; the new one is the one pressed.
            self._touching[finger] = point
            self._touch("touchStart", self._touching)

    def move(self, finger, x, y):
        point = self.to_page(x, y)
        if finger == 0:
            self._mouse_at = point
            self._mouse("mouseMoved", *point)
        else:
            self._touching[finger] = point
            self._touch("touchMove", self._touching)

    def up(self, finger):
        if finger == 0:
            self._mouse("mouseReleased", *self._mouse_at)
        else:
            # A touchEnd lists the fingers that lift; the others stay down.
            self._touch("touchEnd", {finger: self._touching.pop(finger)})

    def tap(self, x, y, finger=1):
        self.down(finger, x, y)
        self.up(finger)

    def perform(self, steps):
        """Plays Gesture steps in real time."""
        for step in steps:
            if step[0] == "wait":
                time.sleep(step[1] / 1000)
            else:
                getattr(self, step[0])(*step[1:])


def tool_script(steps):
    """The chordlane-tool play script of Gesture steps: ("down", finger, x, y),
    ("move", finger, x, y), ("up", finger), ("wait", ms)."""
    lines = []
    for kind, *args in steps:
        if kind == "wait":
            lines.append(f"wait {args[0]}")
        elif args[0] == 0:
            lines.append(" ".join(str(a) for a in [kind, *args[1:]]))
        else:
            lines.append(" ".join(str(a) for a in ["touch", args[0], kind, *args[1:]]))
    return "\n".join(lines) + "\n"


def steps_time(steps):
    return sum(step[1] for step in steps if step[0] == "wait")


# ----------------------------------------------------------------------------- the tool


def _tokens(text):
    """Splits `word "json string" key=value key="json string"` into (key, value) pairs;
    a bare word or string has the key None."""
    decoder = json.JSONDecoder()
    tokens, i = [], 0
    while i < len(text):
        if text[i] == " ":
            i += 1
            continue
        key = None
        match = re.match(r"([A-Za-z_]+)=", text[i:])
        if match:
            key = match.group(1)
            i += match.end()
        if i < len(text) and text[i] == '"':
            value, i = decoder.raw_decode(text, i)
        else:
            end = text.find(" ", i)
            end = len(text) if end < 0 else end
            value, i = text[i:end], end
        tokens.append((key, value))
    return tokens


@dataclass
class Event:
    """One line of an event log: `T KIND ARGS... key=value...`."""
    t: int
    kind: str
    args: list = field(default_factory=list)
    fields: dict = field(default_factory=dict)
    line: str = ""

    def voice_key(self):
        """What says which voice did what, without time, volume or level (which follow
        the stroke's speed), or None for lines that are not about voices."""
        if self.kind == "start":
            return ("start", self.args[0], self.fields["sample"], int(self.fields["shift"]))
        if self.kind in ("stop", "press", "release"):
            return (self.kind, self.args[0])
        return None


def parse_event(line):
    t, kind, rest = (line.strip().split(" ", 2) + [""])[:3]
    event = Event(int(t), kind, line=line)
    for key, value in _tokens(rest):
        if key is None:
            event.args.append(value)
        else:
            event.fields[key] = value
    return event


def voice_keys(events):
    return [key for key in (event.voice_key() for event in events) if key is not None]


@dataclass
class Element:
    """One line of `chordlane-tool dump`."""
    depth: int
    cls: str
    name: str
    fields: dict

    def bounds(self):
        left, top, right, bottom = (int(v) for v in self.fields["bounds"].split(","))
        return left, top, right, bottom

    def centre(self):
        left, top, right, bottom = self.bounds()
        return (left + right) // 2, (top + bottom) // 2


def run_tool(*args, input_text=None):
    if not os.access(TOOL, os.X_OK):
        raise FileNotFoundError(f"{TOOL} is missing: build it (make build) or set CHORDLANE_TOOL")
    result = subprocess.run([str(TOOL), *[str(a) for a in args]], input=input_text,
                            capture_output=True, text=True, timeout=120)
    if result.returncode != 0:
        raise RuntimeError(f"chordlane-tool {' '.join(map(str, args))} exited "
                           f"{result.returncode}: {result.stderr.strip()}")
    return result.stdout


def tool_instrument(name):
    """The tool's FILE for a name the page takes: the built-in guitar, or a sample
    instrument of the site, which are the files in instruments/."""
    return BUILT_IN if name == BUILT_IN else str(INSTRUMENTS / name)


def screen_option(view):
    return f"--screen={view['width']}x{view['height']}" if view else "--screen=240x320"


def dump(name, view=None):
    elements = []
    for line in run_tool("dump", tool_instrument(name), screen_option(view)).splitlines():
        depth = (len(line) - len(line.lstrip(" "))) // 2
        cls, rest = line.strip().split(" ", 1)
        tokens = _tokens(rest)
        elements.append(Element(depth, cls, tokens[0][1],
                                {k: v for k, v in tokens[1:] if k is not None}))
    return elements


def find(elements, name):
    for element in elements:
        if element.name == name:
            return element
    raise KeyError(f"no element {name!r} in the dump")


def play(name, steps, view=None):
    with tempfile.NamedTemporaryFile("w", suffix=".txt") as script:
        script.write(tool_script(steps))
        script.flush()
        output = run_tool("play", tool_instrument(name), "--script", script.name,
                          screen_option(view))
    return [parse_event(line) for line in output.splitlines() if line.strip()]


def render(name, view=None):
    with tempfile.TemporaryDirectory() as folder:
        out = Path(folder) / "screen.png"
        run_tool("render", tool_instrument(name), "-o", out, screen_option(view))
        return decode_png(out.read_bytes())


BUTTONS = ("RectButtonElement", "EllipseButtonElement", "HiddenButtonElement")


def sounding_button(name, view=None):
    """The first active button of an instrument that starts a voice when tapped, with
    the voice keys of that tap as the tool logs them."""
    for element in dump(name, view):
        if element.cls not in BUTTONS or element.fields.get("active") != "1":
            continue
        if element.fields.get("bounds", "none") == "none":
            continue
        x, y = element.centre()
        keys = voice_keys(play(name, [("down", 1, x, y), ("up", 1), ("wait", 300)], view))
        if any(key[0] == "start" for key in keys):
            return element, keys
    raise LookupError(f"no button of {name} starts a voice when tapped")


# ----------------------------------------------------------------------------- pictures


@dataclass
class Picture:
    width: int
    height: int
    rgb: bytes  # three bytes a pixel, rows top to bottom


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def decode_png(data):
    """Decodes an 8-bit, non-interlaced grey, RGB or RGBA PNG; alpha is dropped (the
    instrument's screen is opaque)."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    pos, idat, header = 8, [], None
    while pos < len(data):
        length, kind = int.from_bytes(data[pos:pos + 4], "big"), data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = body
        elif kind == b"IDAT":
            idat.append(body)
        elif kind == b"IEND":
            break
    width, height = int.from_bytes(header[0:4], "big"), int.from_bytes(header[4:8], "big")
    depth, colour, interlace = header[8], header[9], header[12]
    channels = {0: 1, 2: 3, 4: 2, 6: 4}.get(colour)
    if depth != 8 or channels is None or interlace:
        raise ValueError(f"PNG of depth {depth}, colour type {colour}, interlace {interlace} "
                         "is not read here")
    raw = zlib.decompress(b"".join(idat))
    stride = width * channels
    previous = bytearray(stride)
    rgb = bytearray()
    for row in range(height):
        start = row * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                corner = previous[i - channels] if i >= channels else 0
                line[i] = (line[i] + _paeth(left, up, corner)) & 255
        previous = line
        for x in range(width):
            pixel = line[x * channels:(x + 1) * channels]
            rgb += pixel[:3] if channels >= 3 else bytes([pixel[0]] * 3)
    return Picture(width, height, bytes(rgb))


def share_alike(a, b, tolerance):
    """The share of pixels whose three channels all differ by at most tolerance."""
    if (a.width, a.height) != (b.width, b.height):
        raise ValueError(f"{a.width}x{a.height} against {b.width}x{b.height}")
    alike = 0
    for i in range(0, len(a.rgb), 3):
        if (abs(a.rgb[i] - b.rgb[i]) <= tolerance and abs(a.rgb[i + 1] - b.rgb[i + 1]) <= tolerance
                and abs(a.rgb[i + 2] - b.rgb[i + 2]) <= tolerance):
            alike += 1
    return alike / (a.width * a.height)


# ----------------------------------------------------------------------------- sound


def fundamental(samples, rate, lowest=50.0, highest=1000.0, window=2048):
    """The fundamental frequency of the last frames of samples, by the cumulative mean
    normalised difference (autocorrelation's cousin that does not jump an octave up
    when the second harmonic is the stronger)."""
    longest = int(rate / lowest)
    x = samples[-(window + longest):]
    if len(x) < window + longest:
        raise ValueError(f"{len(samples)} frames are too few to find a pitch down to {lowest} Hz")
    base = x[:window]
    diff = [0.0]
    for lag in range(1, longest + 1):
        shifted = x[lag:lag + window]
        diff.append(sum((p - q) * (p - q) for p, q in zip(base, shifted)))
    normalised, running = [1.0], 0.0
    for lag in range(1, longest + 1):
        running += diff[lag]
        normalised.append(diff[lag] * lag / running if running else 1.0)
    shortest = int(rate / highest)
    lag = next((k for k in range(shortest, longest) if normalised[k] < 0.15), None)
    if lag is None:
        lag = min(range(shortest, longest), key=lambda k: normalised[k])
    while lag + 1 < longest and normalised[lag + 1] < normalised[lag]:
        lag += 1
    # A parabola through the dip and its neighbours places it between samples.
    a, b, c = normalised[lag - 1], normalised[lag], normalised[lag + 1]
    offset = (a - c) / (2 * (a - 2 * b + c)) if a - 2 * b + c else 0.0
    return rate / (lag + offset)


def cents(frequency, reference):
    return 1200 * math.log2(frequency / reference)


def open_strings(elements):
    """The guitar's open strings on the neck, low to high."""
    return [find(elements, f"n0{n}") for n in range(6, 0, -1)]


def tap_latencies(page, buttons, count, waits=None):
    """Tap-to-sound in milliseconds, from each pen-down's arrival in the page, of `count`
    taps on the buttons in turn, once the audio runs (the tap that starts it is not
    counted). Each tap must start a voice, or the figure read after it would be an earlier
    tap's. How long the browser held each pen-down before it arrived goes to waits."""
    page.tap(*buttons[0].centre())
    time.sleep(0.5)
    latencies = []
    for i in range(count):
        since = len(page.trace())
        page.tap(*buttons[i % len(buttons)].centre())
        time.sleep(0.25)
        audio = page.audio()
        if audio["latencyFrames"] is None or not any(
                event.kind == "start" for event in page.trace()[since:]):
            raise PageError(f"tap {i + 1} on {buttons[i % len(buttons)].name} started no sound: "
                            f"{audio}" + page.diagnostics())
        latencies.append(audio["latencyFrames"] * 1000 / audio["rate"])
        if waits is not None:
            waits.append(audio["eventWaitMs"])
    return latencies


def busy_underruns(page, button, ms=1000):
    """Underruns while the main thread is busy for ms just after a tap on button."""
    page.tap(*button.centre())
    time.sleep(0.05)
    before = page.audio()["underruns"]
    page.busy(ms)
    return page.audio()["underruns"] - before


# ----------------------------------------------------------------------------- the site


def first_visit_files(directory=WEB_DIR):
    """Everything a first visit may download: the whole site less its source maps."""
    return sorted(p for p in Path(directory).rglob("*") if p.is_file() and p.suffix != ".map")


def gzip_size(paths):
    return sum(len(gzip.compress(p.read_bytes(), compresslevel=9)) for p in paths)
