// Plays the mix the program renders into its ring in shared memory. The layout is the
// program's AudioRing: 32-bit counters (frames written, frames read, underruns, started), the
// peak as a 32-bit float, whether the mix holds sound, two spare words, then CAPACITY
// interleaved stereo frames of 32-bit floats.
const CAPACITY = 4096;
const HISTORY = 16384;

class RingPlayer extends AudioWorkletProcessor {
    constructor(options) {
        super();
        const { memory, ring } = options.processorOptions;
        this.counters = new Uint32Array(memory, ring, 8);
        this.wakeable = new Int32Array(memory, ring, 8);
        this.peak = new Float32Array(memory, ring + 16, 1);
        this.frames = new Float32Array(memory, ring + 32, CAPACITY * 2);
        // The last frames that left, for the page's tests of pitch and level.
        this.history = new Float32Array(HISTORY);
        this.historyAt = 0;
        // Nothing is due before the mixer's first frames arrive.
        this.flowing = false;
        this.port.onmessage = (event) => {
            if (event.data === "lastOutput") {
                const ordered = new Float32Array(HISTORY);
                ordered.set(this.history.subarray(this.historyAt));
                ordered.set(this.history.subarray(0, this.historyAt), HISTORY - this.historyAt);
                this.port.postMessage({ lastOutput: ordered });
            }
        };
    }

    process(inputs, outputs) {
        const out = outputs[0];
        const left = out[0];
        const right = out.length > 1 ? out[1] : null;
        const n = left.length;
        Atomics.store(this.counters, 3, 1);
        const written = Atomics.load(this.counters, 0);
        const read = Atomics.load(this.counters, 1);
        if (((written - read) >>> 0) < n) {
            // The mixer's thread fell behind: a gap is heard.
            left.fill(0);
            if (right) right.fill(0);
            // A gap is heard only where sound was playing.
            if (this.flowing && Atomics.load(this.counters, 5)) Atomics.add(this.counters, 2, 1);
            return true;
        }
        this.flowing = true;
        for (let i = 0; i < n; ++i) {
            const at = ((read + i) & (CAPACITY - 1)) * 2;
            const l = this.frames[at];
            const r = this.frames[at + 1];
            left[i] = l;
            if (right) right[i] = r;
            this.history[this.historyAt] = (l + r) / 2;
            this.historyAt = (this.historyAt + 1) % HISTORY;
        }
        let peak = this.peak[0];
        for (let i = 0; i < n; ++i) peak = Math.max(peak, Math.abs(left[i]), right ? Math.abs(right[i]) : 0);
        this.peak[0] = peak;
        Atomics.store(this.counters, 1, (read + n) >>> 0);
        Atomics.notify(this.wakeable, 1);
        return true;
    }
}

registerProcessor("chordlane-ring", RingPlayer);
