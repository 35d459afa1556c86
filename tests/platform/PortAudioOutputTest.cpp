#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "mixer/WaveMapper.h"
#include "platform/portaudio/PortAudioOutput.h"

// Under AddressSanitizer: the sound-server plugins ALSA loads have no frame pointers, so
// only the slow unwinder sees past them to the ALSA call that loaded them, which the leak
// suppressions name (fuzz/lsan.supp). Without a sanitizer nothing calls this.
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }

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
    auto output = OpenAudioOutput(mapper, config).output;
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

// A chosen device that is not there falls back -- to the default device, or to the null
// output where there is none -- and the person is told which, naming the device. The mix
// still plays: a buffer written to it ends and its notice comes.
TEST(AudioOutput, AMissingDeviceFallsBackAndSaysSo) {
    WaveMapper mapper;
    AudioOutputConfig config;
    config.device = "Nowhere: no such sound card";
    config.framesPerBuffer = 64;
    AudioOpenResult opened = OpenAudioOutput(mapper, config);
    ASSERT_TRUE(opened.output);
    EXPECT_NE(opened.problem.find("\"Nowhere: no such sound card\" is not there"),
              std::string::npos)
        << opened.problem;
    if (opened.silent)
        EXPECT_EQ(opened.problem.rfind("No sound output: ", 0), 0u) << opened.problem;
    else
        EXPECT_NE(opened.problem.find("playing on the default device"), std::string::npos);

    // Silence: on a desktop this plays on the real device.
    const std::vector<int16_t> tick(480, 0);
    WaveDevice device = NO_DEVICE;
    int notices = 0;
    const uint32_t rate = mapper.DeviceRate();
    ASSERT_EQ(mapper.Open(&device, {1, 1, rate, rate * 2, 2, 16, 0},
                          [&](WaveDevice, WaveHeader*) { ++notices; }),
              WaveResult::Ok);
    WaveHeader header{};
    header.data = reinterpret_cast<const uint8_t*>(tick.data());
    header.bufferLength = static_cast<uint32_t>(2 * tick.size());
    mapper.Prepare(device, &header);
    ASSERT_EQ(mapper.Write(device, &header), WaveResult::Ok);
    for (int i = 0; i < 200 && notices == 0; ++i) {
        usleep(10000);
        mapper.DeliverNotices();
    }
    EXPECT_EQ(notices, 1);
    opened.output->Stop();
    mapper.Close(device);
}

}  // namespace
}  // namespace chordlane::test
