// The page's sound file conversion, under Node.
import assert from "node:assert/strict";
import test from "node:test";

import { encodeWav16, isPlainWav, isSoundName } from "../../web/page/sounds.js";

function wav(format, bits, extraChunk = false) {
    const extra = extraChunk ? 12 : 0;
    const bytes = new Uint8Array(44 + extra);
    const view = new DataView(bytes.buffer);
    const write = (at, text) => { for (let i = 0; i < 4; ++i) bytes[at + i] = text.charCodeAt(i); };
    write(0, "RIFF");
    write(8, "WAVE");
    let at = 12;
    if (extraChunk) {
        write(at, "LIST");
        view.setUint32(at + 4, 3, true);  // odd: padded to 4
        at += 12;
    }
    write(at, "fmt ");
    view.setUint32(at + 4, 16, true);
    view.setUint16(at + 8, format, true);
    view.setUint16(at + 22, bits, true);
    return bytes;
}

test("only 8- and 16-bit PCM WAV is left to the program's own reader", () => {
    assert.ok(isPlainWav(wav(1, 16)));
    assert.ok(isPlainWav(wav(1, 8)));
    assert.ok(isPlainWav(wav(1, 16, true)), "chunks before the format are skipped, padding included");
    assert.ok(!isPlainWav(wav(1, 24)));
    assert.ok(!isPlainWav(wav(3, 32)), "float");
    assert.ok(!isPlainWav(wav(0xfffe, 16)), "extensible");
    assert.ok(!isPlainWav(new TextEncoder().encode("fLaC\0\0\0\"")));
    assert.ok(!isPlainWav(wav(1, 16).slice(0, 30)), "a format chunk cut short");
    assert.ok(isSoundName("/user/Loop.FLAC") && isSoundName("a.ogg") && !isSoundName("a.clx"));
});

test("decoded sound is written as 16-bit PCM the program reads", () => {
    const left = Float32Array.from([0, 0.5, -1, 1.5]);
    const right = Float32Array.from([0.25, -0.25, 1, -2]);
    const bytes = encodeWav16([left, right], 44100);
    assert.ok(isPlainWav(bytes));
    const view = new DataView(bytes.buffer);
    assert.equal(view.getUint16(22, true), 2);
    assert.equal(view.getUint32(24, true), 44100);
    assert.equal(view.getUint32(40, true), 16);
    const values = Array.from({ length: 8 }, (_, i) => view.getInt16(44 + i * 2, true));
    assert.deepEqual(values, [0, 8192, 16384, -8192, -32768, 32767, 32767, -32768]);
    const surround = encodeWav16([left, left, left], 48000);
    assert.equal(new DataView(surround.buffer).getUint16(22, true), 1, "more than two channels become one");
    assert.equal(new DataView(surround.buffer).getInt16(46, true), 16384);
});
