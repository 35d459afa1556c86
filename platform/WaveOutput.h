#pragma once
#include <cstdint>
#include <functional>

namespace chordlane {

// The wave format block the output takes.
struct WaveFormat {
    uint16_t formatTag = 0;  // 1: PCM
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0;
};

inline constexpr uint32_t WHDR_DONE = 0x01;
inline constexpr uint32_t WHDR_PREPARED = 0x02;
inline constexpr uint32_t WHDR_INQUEUE = 0x10;

// Describes one buffer queued on a device. The device plays it in place: the data must stay
// valid until the completion notice for it has been delivered or the device is reset.
struct WaveHeader {
    const uint8_t* data = nullptr;
    uint32_t bufferLength = 0;
    uint32_t bytesRecorded = 0;
    uintptr_t user = 0;
    uint32_t flags = 0;
    uint32_t loops = 0;
};

// Device handles are never reused, so a notice can be matched to a device that is gone.
using WaveDevice = uint32_t;
inline constexpr WaveDevice NO_DEVICE = 0;

enum class WaveResult { Ok, Error, BadFormat, NoDevice, StillPlaying, Unprepared };

// Wave output with several devices open at once, mixed by the platform, each with its own
// volume, reporting the end of each buffer as a completion notice on the user-interface
// thread.
class WaveOutput {
  public:
    using NoticeHandler = std::function<void(WaveDevice device, WaveHeader* header)>;

    virtual ~WaveOutput() = default;
    //! Opens a device for the format; the completion notices of its buffers go to handler,
    //! on the user-interface thread.
    virtual WaveResult Open(WaveDevice* device, const WaveFormat& format,
                            NoticeHandler handler) = 0;
    //! Marks the header prepared.
    virtual WaveResult Prepare(WaveDevice device, WaveHeader* header) = 0;
    //! Clears the prepared mark; refused (StillPlaying) while the header is queued.
    virtual WaveResult Unprepare(WaveDevice device, WaveHeader* header) = 0;
    //! Queues a prepared header; its completion notice follows when it has played.
    virtual WaveResult Write(WaveDevice device, WaveHeader* header) = 0;
    //! Low 16 bits: left level, high 16 bits: right level (0xFFFF is full).
    virtual WaveResult SetVolume(WaveDevice device, uint32_t volume) = 0;
    //! Stops playback and returns every queued header; each gets its completion notice.
    virtual WaveResult Reset(WaveDevice device) = 0;
    //! Closes the device; no notice for it is delivered afterwards.
    virtual WaveResult Close(WaveDevice device) = 0;
};

}  // namespace chordlane
