#pragma once
// Reads back a format 0 Standard MIDI File the way a sequencer would, for the tests of the
// files the programs write: every check a reader makes, and the events with their absolute
// tick times.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace chordlane::test {

struct MidiEvent {
    uint32_t tick = 0;
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
    bool operator==(const MidiEvent&) const = default;
};

struct MidiFile {
    uint16_t format = 0;
    uint16_t tracks = 0;
    uint16_t division = 0;
    std::vector<MidiEvent> events;  // channel messages only
    uint32_t endTick = 0;           // the tick of the end-of-track event
    // Each Set Tempo event as its tick and microseconds a quarter note.
    std::vector<std::pair<uint32_t, uint32_t>> tempos;
};

// The file in bytes, or the reason a reader would reject it in error.
inline std::optional<MidiFile> ReadMidiFile(const std::string& bytes, std::string& error) {
    size_t at = 0;
    auto need = [&](size_t n) { return at + n <= bytes.size(); };
    auto byte = [&]() { return static_cast<uint8_t>(bytes[at++]); };
    auto big = [&](int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) v = (v << 8) | byte();
        return v;
    };
    auto fail = [&](const std::string& why) -> std::optional<MidiFile> {
        error = why + " at byte " + std::to_string(at);
        return std::nullopt;
    };
    if (!need(14) || bytes.compare(0, 4, "MThd") != 0) return fail("no MThd");
    at = 4;
    if (big(4) != 6) return fail("header length not 6");
    MidiFile file;
    file.format = static_cast<uint16_t>(big(2));
    file.tracks = static_cast<uint16_t>(big(2));
    file.division = static_cast<uint16_t>(big(2));
    if (!need(8) || bytes.compare(at, 4, "MTrk") != 0) return fail("no MTrk");
    at += 4;
    const uint32_t length = big(4);
    if (!need(length)) return fail("track longer than the file");
    if (at + length != bytes.size()) return fail("bytes after the track");
    const size_t end = at + length;
    uint32_t tick = 0;
    while (at < end) {
        uint32_t delta = 0;
        int count = 0;
        uint8_t b = 0;
        do {
            if (at >= end || ++count > 4) return fail("bad delta time");
            b = byte();
            delta = (delta << 7) | (b & 0x7F);
        } while (b & 0x80);
        tick += delta;
        if (at >= end) return fail("delta without an event");
        const uint8_t status = byte();
        if (status == 0xFF) {
            if (at + 2 > end) return fail("short meta event");
            const uint8_t type = byte();
            const uint8_t size = byte();
            if (at + size > end) return fail("meta event past the track");
            if (type == 0x51) {
                if (size != 3) return fail("tempo event not 3 bytes");
                file.tempos.emplace_back(tick, big(3));
                continue;
            }
            at += size;
            if (type == 0x2F) {
                if (at != end) return fail("events after the end of the track");
                file.endTick = tick;
                return file;
            }
            continue;
        }
        // The files written here hold notes only, each with its status byte.
        if ((status & 0xF0) != 0x80 && (status & 0xF0) != 0x90) return fail("not a note event");
        if (at + 2 > end) return fail("short note event");
        MidiEvent event{tick, status, byte(), byte()};
        if ((event.data1 | event.data2) & 0x80) return fail("data byte above 127");
        file.events.push_back(event);
    }
    return fail("no end of track");
}

}  // namespace chordlane::test
