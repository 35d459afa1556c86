// The page's arithmetic, under Node: node --test tests/webpage/
import assert from "node:assert/strict";
import test from "node:test";

import {
    PointAllocator, fitScreen, isPicture, remember, siteInstrumentPath, toScreen,
} from "../../web/page/points.js";

test("fingers take the first free point and give it back when they lift", () => {
    const points = new PointAllocator();
    assert.equal(points.take(11), 1);
    assert.equal(points.take(12), 2);
    assert.equal(points.take(11), 1, "a finger already down keeps its point");
    assert.equal(points.release(11), 1);
    assert.equal(points.take(13), 1, "the lowest free point goes to the next finger");
    assert.equal(points.find(12), 2);
    assert.equal(points.release(99), null);
    for (let id = 20; id < 27; ++id) assert.notEqual(points.take(id), null);
    assert.equal(points.take(40), null, "a tenth finger plays nothing");
    points.release(20);
    assert.equal(points.take(40), 3);
});

test("the screen fits the page whole, centred, at the largest scale", () => {
    const tall = fitScreen(480, 1000, 240, 320);
    assert.equal(tall.scale, 2);
    assert.equal(tall.left, 0);
    assert.equal(tall.top, (1000 - 640) / 2);
    const wide = fitScreen(1000, 160, 240, 320);
    assert.equal(wide.scale, 0.5);
    assert.equal(wide.left, (1000 - 120) / 2);
    // Rotating the phone fits again rather than keeping the old scale.
    const turned = fitScreen(1000, 480, 240, 320);
    assert.equal(turned.scale, 1.5);
    assert.ok(fitScreen(0, 0, 240, 320).scale > 0, "a page of no size still gives a usable scale");
});

test("page points map to the screen pixel under them", () => {
    const view = fitScreen(480, 1000, 240, 320);
    assert.deepEqual(toScreen(view, 0, view.top), { x: 0, y: 0 });
    assert.deepEqual(toScreen(view, 479.9, view.top + 639.9), { x: 239, y: 319 });
    assert.deepEqual(toScreen(view, 10, view.top - 4), { x: 5, y: -2 }, "the margin lies off the screen");
});

test("site instrument names stay in the site's folder", () => {
    assert.equal(siteInstrumentPath(null, "/chordlane/"), "!");
    assert.equal(siteInstrumentPath("!", "/chordlane/"), "!");
    assert.equal(siteInstrumentPath("drums.clx", "/chordlane/"), "/chordlane/drums.clx");
    assert.equal(siteInstrumentPath("../user/x.clx", "/chordlane/"), null);
    assert.equal(siteInstrumentPath("/etc/passwd", "/chordlane/"), null);
});

test("pictures are told by their names, and the recent list keeps the newest first", () => {
    assert.ok(isPicture("/chordlane/pictures/Pad.BMP"));
    assert.ok(isPicture("/user/a.png"));
    assert.ok(!isPicture("/user/a.wav"));
    assert.deepEqual(remember(["a", "b", "c"], "b"), ["b", "a", "c"]);
    assert.deepEqual(remember(["a", "b"], "c", 2), ["c", "a"]);
});
