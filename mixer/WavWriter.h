#pragma once
// A stereo PCM WAV file that is valid at every moment it is written: the header is written
// first with empty sizes, and the sizes are brought up to what has been appended whenever
// asked, so a writer that dies leaves a file that plays up to its last header update.
//
// Threads: one at a time, unsynchronised: the recorder makes it on the interface thread and
// then only its writer thread touches it until that thread has been joined.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace chordlane {

struct WavWriterConfig {
    uint32_t rate = 48000;
    uint32_t bitsPerSample = 16;  // 16 or 24
    // A recording never replaces a file; a file the person names to be written does.
    bool replaceExisting = false;
};

class WavWriter {
  public:
    //! Creates a new file at path (UTF-8); an existing file is replaced only when the config
    //! says so. Null, with the reason in error, when the file cannot be made or the format is
    //! not 16/24-bit.
    static std::unique_ptr<WavWriter> Create(const std::string& path, const WavWriterConfig& config,
                                             std::string* error);
    //! Finishes the file.
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    //! Appends interleaved stereo frames of floats in -1..1 (beyond is clipped). Answers
    //! false once writing failed or the file is full; what fitted is kept.
    bool Append(const float* stereo, size_t frames);
    //! Writes the header's sizes for everything appended so far.
    bool UpdateHeader();
    //! Updates the header and closes the file; false when anything failed.
    bool Finish();

    uint64_t Frames() const { return dataBytes_ / blockAlign_; }
    //! The data reached the 4 GiB a WAV file's sizes can count; nothing more is taken.
    bool Full() const { return full_; }
    //! Why writing failed; "" while it works.
    const std::string& Error() const { return error_; }
    const WavWriterConfig& Config() const { return config_; }

  private:
    WavWriter(int fd, const WavWriterConfig& config);
    bool WriteAll(const uint8_t* bytes, size_t size);
    void Fail(const char* what, int error);

    int fd_ = -1;
    const WavWriterConfig config_;
    const uint32_t blockAlign_;
    uint64_t dataBytes_ = 0;
    uint64_t headerBytes_ = 0;  // the data size the header states
    bool full_ = false;
    std::string error_;
    std::vector<uint8_t> pcm_;
};

}  // namespace chordlane
