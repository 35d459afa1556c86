#include "platform/audio/PortAudioOutput.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/audio/WaveMapper.h"

namespace chordlane::test {
namespace {

// Whatever the machine has -- a sound device, or none and so the null output -- the program
// starts its audio without printing anything, logs what it chose, and notices come.
TEST(AudioOutput, OpensQuietlyAndNoticesCome) {
    WaveMapper mapper;
    std::vector<std::string> log;
    AudioOutputConfig config;
    config.log = [&](const std::string& line) { log.push_back(line); };

    std::fflush(stderr);
    const int saved = dup(2);
    std::FILE* captured = std::tmpfile();
    dup2(fileno(captured), 2);
    auto output = OpenAudioOutput(mapper, config);
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    EXPECT_EQ(std::ftell(captured), 0L) << "the audio libraries printed while starting";
    std::fclose(captured);

    ASSERT_TRUE(output);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].rfind("audio: ", 0), 0u);
    EXPECT_EQ(output->Rate(), mapper.DeviceRate());

    int delivered = 0;
    mapper.SetNoticeHandler([&](WaveDevice, WaveHeader*) { ++delivered; });
    const std::string silence(2 * 480, '\0');  // 10 ms
    WaveDevice device;
    ASSERT_EQ(mapper.Open(&device, {1, 1, 44100, 88200, 2, 16, 0}), WaveResult::Ok);
    WaveHeader header{};
    header.data = reinterpret_cast<const uint8_t*>(silence.data());
    header.bufferLength = static_cast<uint32_t>(silence.size());
    mapper.Prepare(device, &header);
    mapper.Write(device, &header);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (delivered == 0 && std::chrono::steady_clock::now() < deadline) {
        mapper.DeliverNotices();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(delivered, 1);
    output->Stop();
}

}  // namespace
}  // namespace chordlane::test
