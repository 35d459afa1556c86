#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "platform/audio/PortAudioOutput.h"
#include "platform/audio/WaveMapper.h"

namespace chordlane::test {
namespace {

// Whatever the machine has -- a sound device, or none and so the null output -- the program
// starts its audio without the audio libraries printing anything, and logs what it chose.
TEST(AudioOutput, OpensQuietlyAndLogsItsChoice) {
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
    output->Stop();
}

}  // namespace
}  // namespace chordlane::test
