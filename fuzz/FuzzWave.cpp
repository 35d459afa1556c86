// Sound files as a sound element reads them (our own wave reader, or libsndfile's decoding
// for every other kind), then the pitch-shifted copies of two semitones
// either side, then playback of the recording and a copy through the software mixer. The
// first four bytes of the input are the recording's frequency (any float, NaN included), the
// rest is the file.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "mixer/PolyphaseRateConverter.h"
#include "mixer/WaveMapper.h"
#include "sound/PitchShift.h"
#include "sound/Sample.h"
#include "sound/WaveFile.h"

using namespace chordlane;

namespace {

constexpr int SHIFT_RANGE = 2;
constexpr double SEMITONE = 1.059463;
// Enough blocks to reach the end of a short recording; longer ones are cut off by a reset.
constexpr int MAX_BLOCKS = 48;
constexpr size_t BLOCK_FRAMES = 512;

void PlayThroughMixer(WaveMapper& mapper, const Sample& sample) {
    std::vector<float> block(2 * BLOCK_FRAMES);
    WaveHeader header;
    // What the program plays: the copy converted to the mix's rate when the load made one.
    header.data = sample.PlayData();
    header.bufferLength = sample.PlayLength();
    int notices = 0;
    auto count = [&](WaveDevice, WaveHeader* h) {
        if (h != &header) std::abort();
        ++notices;
    };
    WaveDevice device = NO_DEVICE;
    if (mapper.Open(&device, sample.PlayFormat(), count) != WaveResult::Ok) return;
    mapper.Prepare(device, &header);
    mapper.SetVolume(device, 0x8000C000);
    if (mapper.Write(device, &header) == WaveResult::Ok) {
        for (int i = 0; i < MAX_BLOCKS && notices == 0; ++i) {
            mapper.Render(block, BLOCK_FRAMES);
            for (float v : block) {
                // A mono or stereo value at full volume stays within full scale.
                if (!(v >= -1.0001f && v <= 1.0001f)) std::abort();
            }
            mapper.DeliverNotices();
        }
        mapper.Reset(device);
        mapper.DeliverNotices();
    }
    mapper.Close(device);
    mapper.DeliverNotices();
    if (notices > 1) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    float frequency;
    std::memcpy(&frequency, data, 4);
    Sample recording;
    String reason;
    if (!ParseWave(recording, std::span<const uint8_t>(data + 4, size - 4), &reason)) {
        // A refusal keeps nothing and says why.
        if (recording.Image() || reason.empty()) std::abort();
        return 0;
    }
    if (recording.dataLength < 0 ||
        recording.ImageSize() > static_cast<size_t>(MAX_WAVE_FILE_SIZE) ||
        recording.ImageSize() != static_cast<size_t>(WAVE_HEADER_SIZE + recording.dataLength)) {
        std::abort();
    }
    recording.frequency = frequency;

    std::vector<Sample> copies(2 * SHIFT_RANGE);
    std::vector<ShiftJob> jobs;
    double r = SEMITONE;
    for (int s = 1; s <= SHIFT_RANGE; ++s, r *= SEMITONE) {
        jobs.push_back({&copies[2 * s - 2], static_cast<float>(frequency * r)});
        jobs.push_back({&copies[2 * s - 1], static_cast<float>(frequency / r)});
    }
    const std::vector<uint8_t> before(recording.Image(), recording.Image() + recording.ImageSize());
    // Converted to the mix's rate as the program's loads do, so that every recording reaches
    // the mixer (which takes streams at its own rate only).
    const PolyphaseRateConverter converter(48000);
    MakeShiftedSamples(recording, jobs, 1, nullptr, PlaybackConversion{&converter});
    // Every copy is made from the recording, which must come back unchanged.
    if (std::memcmp(before.data(), recording.Image(), before.size()) != 0) std::abort();
    for (const Sample& copy : copies) {
        if (copy.Image() && copy.dataLength != recording.dataLength) std::abort();
    }

    // A mixer of its own per input, so that nothing one input leaves in it meets the next.
    WaveMapper mapper;
    PlayThroughMixer(mapper, recording);
    if (copies[0].Image()) PlayThroughMixer(mapper, copies[0]);
    if (mapper.OpenDevices() != 0) std::abort();
    return 0;
}
