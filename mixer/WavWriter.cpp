#include "mixer/WavWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "platform/LittleEndian.h"

namespace chordlane {

namespace {

constexpr size_t HEADER_BYTES = 44;
// The RIFF size counts the data and 36 bytes of header; both are 32-bit.
constexpr uint64_t MAX_DATA_BYTES = 0xFFFFFFFFull - 36;
// Converted in pieces, so the buffer stays small whatever a caller appends at once.
constexpr size_t PIECE_FRAMES = 4096;

// A sample in -1..1; a value the mix should never hold (NaN) is silence, not noise.
float Clipped(float x) {
    if (!(x == x)) return 0.0f;
    return std::clamp(x, -1.0f, 1.0f);
}

}  // namespace

std::unique_ptr<WavWriter> WavWriter::Create(const std::string& path, const WavWriterConfig& config,
                                             std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return nullptr;
    };
    if (config.bitsPerSample != 16 && config.bitsPerSample != 24)
        return fail("only 16- and 24-bit samples can be written");
    if (config.rate == 0) return fail("a rate of 0 Hz");
    const int fd =
        open(path.c_str(),
             O_WRONLY | O_CREAT | O_CLOEXEC | (config.replaceExisting ? O_TRUNC : O_EXCL), 0666);
    if (fd < 0) return fail(std::strerror(errno));
    std::unique_ptr<WavWriter> writer(new WavWriter(fd, config));
    uint8_t header[HEADER_BYTES];
    std::memcpy(header, "RIFF", 4);
    WriteLe32(header + 4, 36);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    WriteLe32(header + 16, 16);
    WriteLe16(header + 20, 1);
    WriteLe16(header + 22, 2);
    WriteLe32(header + 24, config.rate);
    WriteLe32(header + 28, config.rate * writer->blockAlign_);
    WriteLe16(header + 32, writer->blockAlign_);
    WriteLe16(header + 34, config.bitsPerSample);
    std::memcpy(header + 36, "data", 4);
    WriteLe32(header + 40, 0);
    if (!writer->WriteAll(header, sizeof header)) {
        const std::string why = writer->error_;
        writer.reset();
        unlink(path.c_str());
        return fail(why);
    }
    return writer;
}

WavWriter::WavWriter(int fd, const WavWriterConfig& config)
    : fd_(fd), config_(config), blockAlign_(2 * config.bitsPerSample / 8) {
    pcm_.resize(PIECE_FRAMES * blockAlign_);
}

WavWriter::~WavWriter() { Finish(); }

void WavWriter::Fail(const char* what, int error) {
    if (error_.empty()) error_ = std::string(what) + ": " + std::strerror(error);
}

bool WavWriter::WriteAll(const uint8_t* bytes, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd_, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            Fail("writing", n < 0 ? errno : ENOSPC);
            return false;
        }
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool WavWriter::Append(const float* stereo, size_t frames) {
    if (fd_ < 0 || !error_.empty() || full_) return false;
    const uint64_t room = (MAX_DATA_BYTES - dataBytes_) / blockAlign_;
    if (frames > room) {
        frames = static_cast<size_t>(room);
        full_ = true;
    }
    while (frames > 0) {
        const size_t n = std::min(frames, PIECE_FRAMES);
        uint8_t* p = pcm_.data();
        for (size_t i = 0; i < 2 * n; ++i) {
            const float x = Clipped(stereo[i]);
            // The same rounding as the offline mix, so a recording and a rendered file of
            // one performance hold the same 16-bit samples.
            if (config_.bitsPerSample == 16) {
                WriteLe16(p,
                          static_cast<uint16_t>(static_cast<int16_t>(std::lrintf(x * 32767.0f))));
                p += 2;
            } else {
                const auto v = static_cast<uint32_t>(std::lrint(x * 8388607.0));
                p[0] = static_cast<uint8_t>(v);
                p[1] = static_cast<uint8_t>(v >> 8);
                p[2] = static_cast<uint8_t>(v >> 16);
                p += 3;
            }
        }
        const size_t bytes = n * blockAlign_;
        if (!WriteAll(pcm_.data(), bytes)) return false;
        dataBytes_ += bytes;
        stereo += 2 * n;
        frames -= n;
    }
    return !full_;
}

bool WavWriter::UpdateHeader() {
    if (fd_ < 0) return false;
    if (headerBytes_ == dataBytes_) return true;
    // Only data already handed to the system is counted, so the header never claims bytes
    // that a crash could still lose from this process.
    uint8_t size[4];
    WriteLe32(size, static_cast<uint32_t>(36 + dataBytes_));
    if (pwrite(fd_, size, 4, 4) != 4) {
        Fail("updating the header", errno);
        return false;
    }
    WriteLe32(size, static_cast<uint32_t>(dataBytes_));
    if (pwrite(fd_, size, 4, 40) != 4) {
        Fail("updating the header", errno);
        return false;
    }
    headerBytes_ = dataBytes_;
    return true;
}

bool WavWriter::Finish() {
    if (fd_ < 0) return error_.empty();
    UpdateHeader();
    if (close(fd_) != 0) Fail("closing", errno);
    fd_ = -1;
    return error_.empty();
}

}  // namespace chordlane
