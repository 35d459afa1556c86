// The page's arithmetic that needs no browser: which touch point a finger gets, where the
// instrument's screen goes in the page, and which picture files the page decodes. Kept apart
// so that Node runs its tests.

// The stylus (the mouse or a pen) is point 0; fingers take 1 to 9.
export const STYLUS_POINT = 0;
export const FINGER_POINTS = 9;

// Gives each finger the first free point, as the desktop program does, and takes it back when
// the finger lifts. A tenth finger gets no point and plays nothing.
export class PointAllocator {
    constructor() {
        this.byPointer = new Map();
    }

    // The point of a new finger (pointerId), or null when all nine are down.
    take(pointerId) {
        if (this.byPointer.has(pointerId)) return this.byPointer.get(pointerId);
        const used = new Set(this.byPointer.values());
        for (let point = 1; point <= FINGER_POINTS; ++point) {
            if (!used.has(point)) {
                this.byPointer.set(pointerId, point);
                return point;
            }
        }
        return null;
    }

    // The point a finger holds, or null.
    find(pointerId) {
        return this.byPointer.has(pointerId) ? this.byPointer.get(pointerId) : null;
    }

    // The finger lifted: its point, now free, or null when it had none.
    release(pointerId) {
        const point = this.find(pointerId);
        this.byPointer.delete(pointerId);
        return point;
    }
}

// The largest scale at which the whole screen fits the page, centred. Below one the picture
// shrinks as well: a phone in landscape may be smaller than the screen's design.
export function fitScreen(pageWidth, pageHeight, screenWidth, screenHeight) {
    const w = Math.max(screenWidth, 1);
    const h = Math.max(screenHeight, 1);
    const scale = Math.max(Math.min(pageWidth / w, pageHeight / h), 0.01);
    return {
        width: screenWidth,
        height: screenHeight,
        scale,
        left: (pageWidth - w * scale) / 2,
        top: (pageHeight - h * scale) / 2,
    };
}

// The screen pixel under a point of the page; points in the margin lie outside the screen,
// where the instrument finds nothing to play.
export function toScreen(view, pageX, pageY) {
    return {
        x: Math.floor((pageX - view.left) / view.scale),
        y: Math.floor((pageY - view.top) / view.scale),
    };
}

// Files whose pictures the browser decodes before an instrument can show them.
export function isPicture(path) {
    return /\.(bmp|dib|png|gif|jpe?g)$/i.test(path);
}

// The name the page opens for ?instrument=NAME: "!" is the built-in guitar, anything else a
// file of the site's instrument folder. Names that would leave that folder are refused.
export function siteInstrumentPath(name, folder) {
    if (name === "!" || name === "" || name === null || name === undefined) return "!";
    if (name.includes("..") || name.startsWith("/")) return null;
    return folder + name;
}

// The recent list: newest first, no repeats, at most `limit` entries.
export function remember(list, entry, limit = 8) {
    return [entry, ...list.filter((e) => e !== entry)].slice(0, limit);
}
