// The real-time path as the program runs it: the mixer rendered on a thread of its own, block
// after block as the sound device's callback pulls them, while the user-interface thread opens,
// writes, resets and closes streams and takes the completion notices. The render must never
// allocate or lock, a notice must only ever name a buffer of an open stream, and once Reset or
// Close returns the stream's data must not be read again (the asan and tsan builds see any
// such read: the data is freed at once).

#include <gtest/gtest.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "mixer/SpscRing.h"
#include "mixer/WaveMapper.h"
#include "platform/std/NullOutput.h"
#include "tests/realtime/AudioThreadGuard.h"

namespace chordlane::test {
namespace {

using namespace std::chrono_literals;

WaveFormat Pcm(uint16_t channels, uint16_t bits, uint32_t rate) {
    const auto align = static_cast<uint16_t>(channels * bits / 8);
    return {1, channels, rate, rate * align, align, bits, 0};
}

TEST(RealtimeMixer, TheGuardSeesAllocationsAndLocksOfARenderingThread) {
    const int64_t allocations = g_allocations.load(), locks = g_locks.load();
    std::mutex mutex;
    {
        RenderingScope rendering;
        // Through volatile pointers, so the compiler cannot leave the pairs out.
        int* volatile p = new int(1);
        delete p;
        void* volatile m = std::malloc(16);
        std::free(m);
        std::lock_guard<std::mutex> lock(mutex);
    }
    int* volatile outside = new int(2);
    delete outside;
    EXPECT_EQ(g_allocations.load() - allocations, WatchesMallocAndLocks() ? 2 : 1);
    EXPECT_EQ(g_locks.load() - locks, WatchesMallocAndLocks() ? 1 : 0);
}

// One stream as the user-interface thread owns it: its device, its header and the data the
// header points into, freed as soon as the stream is done with it.
struct Stream {
    WaveDevice device = NO_DEVICE;
    WaveFormat format;
    WaveHeader header;
    std::unique_ptr<uint8_t[]> data;
    bool queued = false;
};

TEST(RealtimeMixer, RenderingOnItsOwnThreadNeitherAllocatesNorLocksWhileStreamsComeAndGo) {
    const int64_t allocationsBefore = g_allocations.load(), locksBefore = g_locks.load();
    WaveMapper mapper;
    std::atomic<bool> running{true}, badValue{false};
    std::atomic<int64_t> blocks{0};
    // Renders like a device callback: one block at a time, paced roughly as a device would.
    std::thread audio([&] {
        std::vector<float> block(2 * 256);
        while (running.load(std::memory_order_relaxed)) {
            {
                RenderingScope rendering;
                mapper.Render(block, 256);
            }
            // 64 streams at full volume stay within 64 times full scale.
            for (float v : block) {
                if (!(v >= -64.0f && v <= 64.0f)) badValue.store(true);
            }
            blocks.fetch_add(1, std::memory_order_relaxed);
            std::this_thread::sleep_for(50us);
        }
    });
    std::mt19937 random(7);
    std::vector<Stream> streams(64);
    int64_t notices = 0, strayNotices = 0;
    const WaveOutput::NoticeHandler onNotice = [&](WaveDevice device, WaveHeader* header) {
        ++notices;
        auto s = std::ranges::find_if(streams, [&](Stream& s) { return &s.header == header; });
        if (s == streams.end() || s->device != device || !s->queued) {
            ++strayNotices;
            return;
        }
        s->queued = false;
        mapper.Unprepare(s->device, &s->header);
        s->data.reset();  // the buffer has played: its data goes at once
    };

    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < 1500ms || blocks.load() < 200) {
        Stream& s = streams[random() % streams.size()];
        switch (random() % 6) {
            case 0:  // open a device, or play on the open one
            case 1:
            case 2:
                if (s.device == NO_DEVICE) {
                    // Sounds come converted to the mix's rate; the master stage limits the
                    // random data at full volume on the same thread.
                    s.format = Pcm(1 + random() % 2, random() % 2 ? 16 : 8, mapper.DeviceRate());
                    if (mapper.Open(&s.device, s.format, onNotice) != WaveResult::Ok)
                        s.device = NO_DEVICE;
                } else if (!s.queued) {
                    const uint32_t bytes = (64 + random() % 4000) * s.format.blockAlign;
                    s.data = std::make_unique<uint8_t[]>(bytes);
                    for (uint32_t i = 0; i < bytes; ++i) s.data[i] = static_cast<uint8_t>(random());
                    s.header = WaveHeader{};
                    s.header.data = s.data.get();
                    s.header.bufferLength = bytes;
                    mapper.Prepare(s.device, &s.header);
                    mapper.SetVolume(s.device, static_cast<uint32_t>(random()));
                    s.queued = mapper.Write(s.device, &s.header) == WaveResult::Ok;
                }
                break;
            case 3:  // cut the sound: once Reset returns the data is no longer read
                if (s.device != NO_DEVICE && s.queued) {
                    mapper.SetVolume(s.device, 0);
                    mapper.Reset(s.device);
                    std::memset(s.data.get(), 0x55, s.header.bufferLength);
                }
                break;
            case 4:  // close: the stream's notices must not come any more
                if (s.device != NO_DEVICE) {
                    mapper.Reset(s.device);
                    mapper.Close(s.device);
                    s = Stream{};
                }
                break;
            case 5:
                mapper.DeliverNotices();
                std::this_thread::sleep_for(100us);
                break;
        }
    }
    running.store(false);
    audio.join();
    mapper.DeliverNotices();
    for (Stream& s : streams) {
        if (s.device != NO_DEVICE) mapper.Close(s.device);
    }

    EXPECT_EQ(g_allocations.load(), allocationsBefore);
    EXPECT_EQ(g_locks.load(), locksBefore);
    EXPECT_EQ(strayNotices, 0);
    EXPECT_GT(notices, 100);
    EXPECT_FALSE(badValue.load());
}

TEST(RealtimeMixer, TheNullOutputPlaysInRealTimeAndItsNoticesWakeTheUserInterface) {
    WaveMapper mapper(WaveMapperConfig{48000, 16, 256});
    NullOutput output(mapper, {128});
    int done = 0;
    const std::vector<uint8_t> data(2 * 2400, 0x10);  // 50 ms
    WaveHeader header{};
    header.data = data.data();
    header.bufferLength = static_cast<uint32_t>(data.size());
    WaveDevice device = NO_DEVICE;
    ASSERT_EQ(mapper.Open(&device, Pcm(1, 16, 48000), [&](WaveDevice, WaveHeader*) { ++done; }),
              WaveResult::Ok);
    mapper.Prepare(device, &header);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(mapper.Write(device, &header), WaveResult::Ok);
    pollfd fd{mapper.NoticeFd(), POLLIN, 0};
    ASSERT_EQ(poll(&fd, 1, 5000), 1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 45ms);
    EXPECT_EQ(mapper.DeliverNotices(), 1u);
    EXPECT_EQ(done, 1);
    output.Stop();
    mapper.Close(device);
}

TEST(RealtimeMixer, TheNoticeRingHandsOverEveryItemInOrderBetweenTwoThreads) {
    const int64_t allocationsBefore = g_allocations.load();
    SpscRing<uint32_t> ring(64);
    constexpr uint32_t COUNT = 50000;
    std::thread producer([&] {
        RenderingScope rendering;
        for (uint32_t i = 0; i < COUNT;) {
            if (ring.Push(i))
                ++i;
            else
                std::this_thread::yield();
        }
    });
    uint32_t expected = 0;
    bool inOrder = true;
    for (uint32_t item; expected < COUNT;) {
        if (!ring.Pop(item)) {
            std::this_thread::yield();
            continue;
        }
        inOrder = inOrder && item == expected++;
    }
    producer.join();
    EXPECT_TRUE(inOrder);
    EXPECT_TRUE(ring.Empty());
    EXPECT_EQ(g_allocations.load(), allocationsBefore);
}

}  // namespace
}  // namespace chordlane::test
