// Recording on the real-time path: the mixer rendered on a thread of its own, as the audio
// callback does, while the user-interface thread starts and stops recordings. The render
// must never allocate or lock, the ring must hand over whole blocks in order (or drop whole
// blocks and count them), and every file must be complete when Stop returns. The tsan build
// sees any race between the three threads.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "mixer/Recorder.h"
#include "mixer/SpscRing.h"
#include "mixer/WaveMapper.h"
#include "platform/Text.h"
#include "tests/realtime/AudioThreadGuard.h"

namespace chordlane::test {
namespace {

using namespace std::chrono_literals;

// Block b of the ring test: its values are b * 300 + 0, 1, ... (exact as floats for every
// block of the test); its length is 1 to 300.
constexpr uint32_t BlockLength(uint32_t b) { return 1 + (b * 37) % 300; }

TEST(RealtimeRecorder, TheRingHandsOverWholeBlocksInOrderOrDropsAndCountsThem) {
    const int64_t allocationsBefore = g_allocations.load();
    SpscRing<float> ring(1024);
    constexpr uint32_t BLOCKS = 20000;
    uint32_t dropped = 0;
    std::atomic<bool> done{false};
    std::thread producer([&] {
        RenderingScope rendering;
        float block[300];
        for (uint32_t b = 0; b < BLOCKS; ++b) {
            for (uint32_t k = 0; k < BlockLength(b); ++k)
                block[k] = static_cast<float>(b * 300 + k);
            if (!ring.Write(block, BlockLength(b))) ++dropped;
        }
        done.store(true, std::memory_order_release);
    });
    // The consumer takes odd amounts and is slow at times, so the ring runs full now and then.
    uint32_t received = 0, expectedBlock = 0, index = 0;
    bool whole = true;
    float values[257];
    for (int round = 0;; ++round) {
        const bool finished = done.load(std::memory_order_acquire);
        const size_t n = ring.Read(values, 1 + round % 257);
        for (size_t i = 0; i < n; ++i) {
            const auto v = static_cast<uint32_t>(values[i]);
            const uint32_t b = v / 300, k = v % 300;
            if (index == 0) {
                // A new block starts: a later one than the last, from its first value.
                whole = whole && k == 0 && b >= expectedBlock;
                expectedBlock = b;
            } else {
                whole = whole && b == expectedBlock && k == index;
            }
            index = k + 1 == BlockLength(b) ? 0 : k + 1;
            if (index == 0) {
                ++received;
                ++expectedBlock;
            }
        }
        if (n == 0 && finished) break;
        if (round % 64 == 0) std::this_thread::sleep_for(20us);
    }
    producer.join();
    EXPECT_TRUE(whole);
    EXPECT_EQ(received + dropped, BLOCKS);
    EXPECT_GT(received, 0u);
    EXPECT_EQ(g_allocations.load(), allocationsBefore);
}

TEST(RealtimeRecorder, RecordingsStartAndStopWhileTheMixerRendersWithoutAllocatingOrLocking) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("chordlane-recorder-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const int64_t allocationsBefore = g_allocations.load(), locksBefore = g_locks.load();
    WaveMapper mapper;
    std::atomic<bool> running{true};
    std::thread audio([&] {
        std::vector<float> block(2 * 256, 0.25f);
        while (running.load(std::memory_order_relaxed)) {
            {
                RenderingScope rendering;
                mapper.Render(block, 256);
            }
            std::this_thread::sleep_for(100us);
        }
    });
    Recorder recorder(mapper, {.writerPollMs = 2, .headerIntervalMs = 5});
    std::vector<std::pair<std::filesystem::path, RecordingStats>> takes;
    for (int i = 0; i < 8; ++i) {
        const std::filesystem::path path = folder / ("take" + std::to_string(i) + ".wav");
        ASSERT_EQ(recorder.Start(FromUtf8(path.string()), 16), "");
        std::this_thread::sleep_for(30ms);
        takes.emplace_back(path, recorder.Stop());
    }
    running.store(false);
    audio.join();
    EXPECT_EQ(g_allocations.load(), allocationsBefore);
    EXPECT_EQ(g_locks.load(), locksBefore);
    for (const auto& [path, stats] : takes) {
        // Whole blocks only, and all of them in the file once Stop returned.
        EXPECT_GT(stats.frames, 0u);
        EXPECT_EQ(stats.frames % 256, 0u);
        EXPECT_EQ(std::filesystem::file_size(path), 44 + 4 * stats.frames);
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace chordlane::test
