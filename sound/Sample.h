#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/Types.h"
#include "platform/WaveOutput.h"
#include "sound/SampleMemory.h"

namespace chordlane {

class SoundElement;

// Sample data always starts here in an image, after the canonical RIFF header.
inline constexpr int32_t WAVE_HEADER_SIZE = 44;

// One playable recording or pitch-shifted copy: a complete wave-file image (the 44-byte
// header, then the data), played in place by the wave output.
class Sample {
  public:
    //! memory, when given, counts the image and must outlive the sample.
    explicit Sample(SampleMemory* memory = nullptr) : memory_(memory) {}
    virtual ~Sample();
    Sample(const Sample&) = delete;
    Sample& operator=(const Sample&) = delete;

    //! Gives the sample an image of size bytes (uninitialised); false when it cannot be had.
    bool AllocateImage(size_t size);
    //! Frees the image; the sample then holds no data.
    void ReleaseImage();

    SampleMemory* Memory() const { return memory_; }

    uint8_t* Image() { return image_.get(); }
    const uint8_t* Image() const { return image_.get(); }
    uint8_t* Data() { return image_ ? image_.get() + WAVE_HEADER_SIZE : nullptr; }
    const uint8_t* Data() const { return image_ ? image_.get() + WAVE_HEADER_SIZE : nullptr; }
    //! Bytes held by the image (header included).
    size_t ImageSize() const { return imageSize_; }
    //! Sample values in the data (bytes per sample from the format; 0 without a valid width).
    int32_t ValueCount() const;

    //! What the wave output plays: the data converted to the output's rate when the sample
    //! was loaded, else the data itself. The image stays as computed either way.
    const uint8_t* PlayData() const { return played_ ? played_.get() : Data(); }
    uint32_t PlayLength() const {
        return played_ ? playedLength_ : static_cast<uint32_t>(std::max(dataLength, 0));
    }
    const WaveFormat& PlayFormat() const { return played_ ? playedFormat_ : format; }
    //! Keeps frames (16-bit, format's channels) at rate as what is played; false, and
    //! nothing kept, when the memory cannot be had.
    bool SetPlayed(const int16_t* values, size_t count, uint32_t rate);
    //! Bytes held by the converted copy.
    size_t PlayedSize() const { return played_ ? playedLength_ : 0; }

    int32_t dataLength = 0;         // bytes of data after the header
    float frequency = 0.0f;         // pitch in hertz
    WaveFormat format;              // as the wave output takes it
    int32_t pitchPhase = NO_VALUE;  // waveform peak within one period, in samples
    int32_t peak = NO_VALUE;        // largest value of the analysed part

    // Which entry of which sound element this is, for the event log.
    const SoundElement* owner = nullptr;
    int32_t shift = 0;

  private:
    SampleMemory* memory_ = nullptr;
    std::unique_ptr<uint8_t[]> image_;
    size_t imageSize_ = 0;
    std::unique_ptr<uint8_t[]> played_;
    uint32_t playedLength_ = 0;
    WaveFormat playedFormat_;
};

}  // namespace chordlane
