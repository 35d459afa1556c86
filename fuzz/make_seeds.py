#!/usr/bin/env python3
"""Writes the seed corpora under fuzz/corpus/: the shipped instruments and small cuts of the
shipped sounds and pictures, plus inputs that reach includes, prompts, answers and packed text.
Run from the repository root; the files it writes are committed.

The wave target's decoded-* seeds are not made here: libsndfile wrote them once (a decaying
220 Hz tone of a few hundredths of a second as 24- and 32-bit, float and extensible WAV, AIFF,
FLAC, Ogg Vorbis, Opus and IMA ADPCM), with a FLAC cut in half and a WAV claiming 12-bit IMA
ADPCM beside them for the refusals."""
import math
import os
import struct
import sys
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CORPUS = os.path.join(ROOT, "fuzz", "corpus")


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


TABLE = " \n.=abeirsv019"


def pack(text):
    codes = []
    for ch in text:
        c = ord(ch)
        if ch in TABLE:
            codes.append(TABLE.index(ch))
        elif c < 256:
            codes += [14, c & 15, c >> 4]
        else:
            codes += [15, c & 15, (c >> 4) & 15, (c >> 8) & 15, c >> 12]
    if len(codes) % 2:
        codes.append(15)
    return b"CL\n" + bytes(codes[i] | codes[i + 1] << 4 for i in range(0, len(codes), 2))


def wave(values, rate=22050, bits=16, channels=1, tag=1, extra=b"", fmt_size=16):
    if bits == 16:
        data = b"".join(struct.pack("<h", max(-32768, min(32767, int(v)))) for v in values)
    else:
        data = bytes(max(0, min(255, int(v / 256) + 128)) for v in values)
    align = channels * bits // 8
    fmt = struct.pack("<HHIIHH", tag, channels, rate, rate * align, align, bits)
    fmt += b"\0" * (fmt_size - 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", fmt_size) + fmt + extra
    body += b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def tone(n, freq=220.0, rate=22050):
    return [9000 * math.exp(-6 * i / rate) * math.sin(2 * math.pi * freq * i / rate)
            for i in range(n)]


def bmp(width, height, bits=24):
    row = ((width * bits + 31) // 32) * 4
    palette = b""
    if bits <= 8:
        palette = b"".join(struct.pack("<BBBB", i * 37 % 256, i * 91 % 256, i * 13 % 256, 0)
                           for i in range(1 << bits))
    pixels = bytes((i * 7) % 256 for i in range(row * height))
    offset = 54 + len(palette)
    header = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 2835, 2835,
                       0, 0)
    return header + info + palette + pixels


def png(width, height):
    raw = b"".join(b"\0" + bytes((x * 40 + y * 20) % 256 for x in range(width * 3))
                   for y in range(height))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2,
                                                              0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def soundfont(frames=400):
    """A SoundFont 2 of one preset (0:0) whose one instrument loops a sine over keys 0-127."""
    def chunk(tag, body):
        return tag.encode() + struct.pack("<I", len(body)) + body + (b"\0" if len(body) % 2 else b"")

    def riff_list(tag, body):
        return chunk("LIST", tag.encode() + body)

    def name20(name):
        return name.encode()[:19].ljust(20, b"\0")

    info = chunk("ifil", struct.pack("<HH", 2, 1)) + chunk("isng", b"EMU8000\0") + chunk("INAM", b"Seed\0\0")
    smpl = b"".join(struct.pack("<h", round(v)) for v in tone(frames, 440.0, 44000)) + b"\0" * 92
    phdr = name20("Sine") + struct.pack("<HHH", 0, 0, 0) + b"\0" * 12
    phdr += name20("EOP") + struct.pack("<HHH", 0, 0, 1) + b"\0" * 12
    pbag = struct.pack("<HH", 0, 0) + struct.pack("<HH", 1, 0)
    pgen = struct.pack("<HH", 41, 0) + b"\0" * 4
    inst = name20("Sine") + struct.pack("<H", 0) + name20("EOI") + struct.pack("<H", 1)
    ibag = struct.pack("<HH", 0, 0) + struct.pack("<HH", 3, 0)
    igen = struct.pack("<HBB", 43, 0, 127) + struct.pack("<HH", 54, 1) + struct.pack("<HH", 53, 0)
    igen += b"\0" * 4
    shdr = name20("sine") + struct.pack("<IIIII", 0, frames, 100, frames - 100, 44000)
    shdr += bytes([69, 0]) + struct.pack("<HH", 0, 1) + name20("EOS") + b"\0" * 26
    terminal = b"\0" * 10
    pdta = (chunk("phdr", phdr) + chunk("pbag", pbag) + chunk("pmod", terminal) + chunk("pgen", pgen)
            + chunk("inst", inst) + chunk("ibag", ibag) + chunk("imod", terminal) + chunk("igen", igen)
            + chunk("shdr", shdr))
    return chunk("RIFF", b"sfbk" + riff_list("INFO", info) + riff_list("sdta", chunk("smpl", smpl))
                 + riff_list("pdta", pdta))


def library_seeds():
    """The library target: byte 0 even for an SFZ text, odd for a SoundFont; the target puts
    a short sample a.wav beside the library."""
    write("library", "regions.sfz", b"\0" + (
        "// a global, a group and regions reaching most opcodes\n"
        "#define $KEY 60\n<control> default_path=./\n<global> volume=-3 ampeg_release=0.2\n"
        "<group> lovel=1 hivel=127 loop_mode=loop_continuous loop_start=10 loop_end=40\n"
        "<region> sample=a.wav key=$KEY tune=10 transpose=1 offset=2 end=80\n"
        "<region> sample=a.wav lokey=c5 hikey=e5 pitch_keycenter=d5 amp_veltrack=50 "
        "ampeg_attack=0.01 ampeg_hold=0.01 ampeg_decay=0.1 ampeg_sustain=50\n"
        "<region> sample=a.wav key=70 trigger=release loop_mode=one_shot\n"
        "<region> sample=a.wav key=71 trigger=legato\n<master> unknown_opcode=1\n").encode())
    write("library", "include.sfz", b"\0" + b"#include \"lib.sfz\"\n<region> sample=a.wav\n")
    write("library", "sine.sf2", b"\1" + soundfont())
    write("library", "cut.sf2", b"\1" + soundfont()[:300])


def main():
    instruments = os.path.join(ROOT, "instruments")
    shipped = sorted(n for n in os.listdir(instruments) if n.endswith(".clx"))
    for name in shipped:
        text = open(os.path.join(instruments, name), encoding="utf-8").read()
        write("load", name, text)
        write("text", name, text)
    # The built-in instrument is the sample guitar, packed into the program.
    builtin = open(os.path.join(ROOT, "instruments", "guitar.clx"), encoding="utf-8").read()
    write("text", "builtin.clx", builtin)
    body = builtin.split("\n", 1)[1]
    write("text", "builtin-packed.clx", pack(body))
    write("text", "edges.clx", "cl1.0\n\ufeff\"two words\" x '\"' \"'\" 0x1F 017 08 -5 1e3 .5\r\n"
          "\t\x00nul\n" + "y" * 600 + "\n\U0001F3B8 \u00e9\n")

    write("load", "includes.clx",
          "cl1.0\ni part.clx\ni !\n{ g\ni part.clx\n}\n[ p 10 10 100 100\ni part.clx\n]\n"
          "@@ part.clx\ncl1.0\nd 480 640\ngr r 0 0 50 50\nbr b 0 0 40 40\n=i b.na 3\n}\n")
    write("load", "prompts.clx",
          "cl1.0\ni -c ?\"Instruments|*.clx||\" \"Pick one\"\n"
          "s w -a ?\"Waves (*.wav)|*.wav||\" \"Pick a sound\" 220 2 2\nv x\n=s x.ns w\n"
          "br b 0 0 100 100\n=s b.na x\n"
          "@@?/home/inc.clx\n@@?/home/w.wav\n@@ inc.clx\ncl1.0\ngr r 1 2 3 4\n")
    write("load", "saved.cly",
          "cl1.0\ni \"/home/asks.clx\"\n? \"/home/w.wav\"\n?\n? /home/other.wav\n"
          "@@ asks.clx\ncl1.0\ns a ?*.wav one 440 1 1\ns b ?*.wav two 440 0 0\n"
          "s c -x ?*.wav three 440 0 0\n@@!\n")
    write("load", "packed.clx",
          pack("gr r 0 0 240 320\ns n sounds/a.wav 220 3 3\nv v\n=s v.ns n\nbe b 10 10 50 50\n"
               "=s b.na v\n>v 5\n<v\n=b b.e f\n=r b.r 1 2 3 4\n=i v.va +1 0 10\n"))
    write("load", "cycle.clx", "cl1.0\ni main.clx\ni b.clx\n@@ b.clx\ncl1.0\ni main.clx\n")
    write("load", "actions.clx",
          "cl1.0\nd\ns n sounds/a.wav 110 0 3\n{ chord\nv c1\nv c2\n}\n=s c1.ns n\n=s c2.ns n+3\n"
          "br pad 0 0 120 80\n=s pad.na chord\nbh bk41\n=s bk41.na chord\nbh init\n"
          "gt label \"Hello\" 0 100 240 20\n=i label.at 900\ngi pic pictures/p.bmp 0 200 60 60\n"
          "ge dot 100 100 20 20\n=i !cb 255\n=s x.t \"+3\"\n=b .e\n")

    recording = tone(1500)
    write("wave", "mono16", struct.pack("<f", 220.0) + wave(recording))
    write("wave", "mono8", struct.pack("<f", 110.0) + wave(recording, bits=8))
    write("wave", "stereo16",
          struct.pack("<f", 440.0) + wave([v for v in recording[:600] for _ in (0, 1)],
                                          channels=2))
    write("wave", "list-chunk", struct.pack("<f", 220.0) +
          wave(recording[:400], extra=b"LIST" + struct.pack("<I", 5) + b"INFOx\0"))
    write("wave", "extensible", struct.pack("<f", 220.0) +
          wave(recording[:400], tag=0xFFFE, fmt_size=40))
    write("wave", "high-rate", struct.pack("<f", 3000.0) + wave(tone(800, 3000, 96000),
                                                                rate=96000))
    write("wave", "short", struct.pack("<f", 220.0) + wave(recording)[:60])

    write("picture", "rgb24.bmp", bmp(5, 3))
    write("picture", "pal8.bmp", bmp(4, 4, 8))
    write("picture", "mono1.bmp", bmp(9, 2, 1))
    write("picture", "rgb.png", png(3, 2))
    core = b"BM" + struct.pack("<IHHI", 26 + 12, 0, 0, 26) + struct.pack("<IHHHH", 12, 2, 2, 1,
                                                                         24) + b"\x10" * 12
    write("picture", "core.bmp", core)

    library_seeds()


if __name__ == "__main__":
    sys.exit(main())
