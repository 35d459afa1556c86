// Sound files the program's own reader does not take (24-bit and float WAV, FLAC, Ogg, MP3,
// AIFF...) are decoded by the browser when they enter the page's file system and written back
// under the same name as 16-bit PCM WAV, which the program reads by its content, whatever the
// name says. Kept apart from the page so that Node runs its tests.

const SOUND_NAME = /\.(wav|wave|flac|ogg|oga|opus|mp3|aif|aiff|aifc|m4a|caf|webm)$/i;

export function isSoundName(path) {
    return SOUND_NAME.test(path);
}

const tag = (bytes, at) => String.fromCharCode(bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]);

// Whether the program reads the file itself: a RIFF WAVE whose format chunk says 8- or
// 16-bit PCM.
export function isPlainWav(bytes) {
    if (bytes.length < 12 || tag(bytes, 0) !== "RIFF" || tag(bytes, 8) !== "WAVE") return false;
    const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
    for (let at = 12; at + 8 <= bytes.length;) {
        const size = view.getUint32(at + 4, true);
        if (tag(bytes, at) === "fmt ") {
            if (at + 8 + 16 > bytes.length) return false;
            const format = view.getUint16(at + 8, true);
            const bits = view.getUint16(at + 22, true);
            return format === 1 && (bits === 8 || bits === 16);
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

// A canonical 16-bit PCM WAV of the channels (arrays of floats, one per channel, of equal
// length) at rate. More than two channels are averaged to one, as the desktop's decoder does.
export function encodeWav16(channels, rate) {
    let kept = channels;
    if (channels.length > 2) {
        const mono = new Float32Array(channels[0].length);
        for (const channel of channels) for (let i = 0; i < mono.length; ++i) mono[i] += channel[i] / channels.length;
        kept = [mono];
    }
    const frames = kept.length ? kept[0].length : 0;
    const count = kept.length;
    const dataBytes = frames * count * 2;
    const bytes = new Uint8Array(44 + dataBytes);
    const view = new DataView(bytes.buffer);
    const write = (at, text) => { for (let i = 0; i < 4; ++i) bytes[at + i] = text.charCodeAt(i); };
    write(0, "RIFF");
    view.setUint32(4, 36 + dataBytes, true);
    write(8, "WAVE");
    write(12, "fmt ");
    view.setUint32(16, 16, true);
    view.setUint16(20, 1, true);
    view.setUint16(22, count, true);
    view.setUint32(24, rate, true);
    view.setUint32(28, rate * count * 2, true);
    view.setUint16(32, count * 2, true);
    view.setUint16(34, 16, true);
    write(36, "data");
    view.setUint32(40, dataBytes, true);
    for (let i = 0; i < frames; ++i) {
        for (let c = 0; c < count; ++c) {
            // Scaled by 32768 and rounded, clipped to the 16-bit range, as the desktop does.
            const value = Math.max(-32768, Math.min(32767, Math.round(kept[c][i] * 32768)));
            view.setInt16(44 + (i * count + c) * 2, value, true);
        }
    }
    return bytes;
}
