// The real-time path as the program runs it: the mixer rendered on a thread of its own, block
// after block as the sound device's callback pulls them, while the user-interface thread opens,
// writes, resets and closes streams and takes the completion notices. The render must never
// allocate or lock, a notice must only ever name a buffer of an open stream, and once Reset or
// Close returns the stream's data must not be read again (the asan and tsan builds see any
// such read: the data is freed at once).

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "platform/audio/NullOutput.h"
#include "platform/audio/SpscRing.h"
#include "platform/audio/WaveMapper.h"
#include "tests/realtime/AudioThreadGuard.h"

namespace chordlane::test {
namespace {

constexpr size_t BLOCK = 256;

// Renders like a device callback: one block at a time, paced roughly as a device would.
class AudioThread {
public:
    explicit AudioThread(WaveMapper& mapper, std::chrono::microseconds pause)
        : mapper_(mapper), pause_(pause), thread_([this] { Run(); }) {}
    ~AudioThread() { Stop(); }
    void Stop() {
        running_.store(false);
        if (thread_.joinable()) thread_.join();
    }
    int64_t Blocks() const { return blocks_.load(); }
    bool SawBadValue() const { return badValue_.load(); }

private:
    void Run() {
        std::vector<float> block(2 * BLOCK);
        while (running_.load(std::memory_order_relaxed)) {
            {
                RenderingScope rendering;
                mapper_.Render(block, BLOCK);
            }
            for (float v : block) {
                // 64 streams at full volume stay within 64 times full scale.
                if (!(v >= -64.0f && v <= 64.0f)) badValue_.store(true);
            }
            blocks_.fetch_add(1, std::memory_order_relaxed);
            if (pause_.count() > 0) std::this_thread::sleep_for(pause_);
        }
    }

    WaveMapper& mapper_;
    std::chrono::microseconds pause_;
    std::atomic<bool> running_{true};
    std::atomic<int64_t> blocks_{0};
    std::atomic<bool> badValue_{false};
    std::thread thread_;
};

// One stream as the user-interface thread owns it: its device, its header and the data the
// header points into, freed as soon as the stream is done with it.
struct Stream {
    WaveDevice device = NO_DEVICE;
    WaveFormat format;
    WaveHeader header;
    std::unique_ptr<uint8_t[]> data;
    bool queued = false;
};

WaveFormat Format(std::mt19937& random) {
    static const uint32_t rates[] = {8000, 22050, 44100, 48000, 96000};
    WaveFormat f;
    f.formatTag = 1;
    f.channels = static_cast<uint16_t>(1 + random() % 2);
    f.bitsPerSample = random() % 2 ? 16 : 8;
    f.samplesPerSec = rates[random() % 5];
    f.blockAlign = static_cast<uint16_t>(f.channels * f.bitsPerSample / 8);
    f.avgBytesPerSec = f.samplesPerSec * f.blockAlign;
    return f;
}

void Fill(Stream& s, std::mt19937& random) {
    const uint32_t frames = 64 + random() % 4000;
    const uint32_t bytes = frames * s.format.blockAlign;
    s.data = std::make_unique<uint8_t[]>(bytes);
    for (uint32_t i = 0; i < bytes; ++i) s.data[i] = static_cast<uint8_t>(random());
    s.header = WaveHeader{};
    s.header.data = s.data.get();
    s.header.bufferLength = bytes;
}

TEST(RealtimeMixer, TheGuardSeesAllocationsAndLocksOfARenderingThread) {
    const int64_t allocations = AllocationsWhileRendering();
    const int64_t locks = LocksWhileRendering();
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
    const int64_t expected = WatchesMallocAndLocks() ? 2 : 1;
    EXPECT_EQ(AllocationsWhileRendering() - allocations, expected);
    EXPECT_EQ(LocksWhileRendering() - locks, WatchesMallocAndLocks() ? 1 : 0);
}

TEST(RealtimeMixer, RenderingOnItsOwnThreadNeitherAllocatesNorLocksWhileStreamsComeAndGo) {
    const int64_t allocationsBefore = AllocationsWhileRendering();
    const int64_t locksBefore = LocksWhileRendering();
    WaveMapper mapper;
    AudioThread audio(mapper, std::chrono::microseconds(50));
    std::mt19937 random(7);
    std::vector<Stream> streams(64);
    std::map<const WaveHeader*, Stream*> byHeader;
    int64_t notices = 0;
    int64_t strayNotices = 0;
    mapper.SetNoticeHandler([&](WaveDevice device, WaveHeader* header) {
        ++notices;
        auto it = byHeader.find(header);
        if (it == byHeader.end() || it->second->device != device || !it->second->queued) {
            ++strayNotices;
            return;
        }
        Stream& s = *it->second;
        s.queued = false;
        mapper.Unprepare(s.device, &s.header);
        // The buffer has played: its data goes at once.
        s.data.reset();
    });

    const auto start = std::chrono::steady_clock::now();
    int64_t operations = 0;
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(1500) ||
           audio.Blocks() < 200) {
        Stream& s = streams[random() % streams.size()];
        switch (random() % 6) {
            case 0:  // open a device, or play on the open one
            case 1:
            case 2:
                if (s.device == NO_DEVICE) {
                    s.format = Format(random);
                    if (mapper.Open(&s.device, s.format) != WaveResult::Ok) s.device = NO_DEVICE;
                } else if (!s.queued) {
                    byHeader.erase(&s.header);
                    Fill(s, random);
                    byHeader[&s.header] = &s;
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
                    byHeader.erase(&s.header);
                    s.data.reset();
                    s.device = NO_DEVICE;
                    s.queued = false;
                }
                break;
            case 5:
                mapper.DeliverNotices();
                std::this_thread::sleep_for(std::chrono::microseconds(100));
                break;
        }
        ++operations;
    }
    audio.Stop();
    mapper.DeliverNotices();
    for (Stream& s : streams) {
        if (s.device != NO_DEVICE) mapper.Close(s.device);
    }

    EXPECT_EQ(AllocationsWhileRendering(), allocationsBefore);
    EXPECT_EQ(LocksWhileRendering(), locksBefore);
    EXPECT_EQ(strayNotices, 0);
    EXPECT_GT(notices, 100);
    EXPECT_FALSE(audio.SawBadValue());
    RecordProperty("operations", std::to_string(operations));
    RecordProperty("blocks", std::to_string(audio.Blocks()));
    RecordProperty("notices", std::to_string(notices));
}

TEST(RealtimeMixer, TheNullOutputPlaysBuffersToTheirEndInRealTime) {
    WaveMapper mapper;
    NullOutput output(mapper);
    std::atomic<int> done{0};
    mapper.SetNoticeHandler([&](WaveDevice, WaveHeader*) { done.fetch_add(1); });
    WaveFormat format;
    format.formatTag = 1;
    format.channels = 1;
    format.bitsPerSample = 16;
    format.samplesPerSec = 48000;
    format.blockAlign = 2;
    format.avgBytesPerSec = 96000;
    std::vector<uint8_t> data(2 * 2400, 0x10);  // 50 ms
    WaveHeader header;
    header.data = data.data();
    header.bufferLength = static_cast<uint32_t>(data.size());
    WaveDevice device = NO_DEVICE;
    ASSERT_EQ(mapper.Open(&device, format), WaveResult::Ok);
    mapper.Prepare(device, &header);
    ASSERT_EQ(mapper.Write(device, &header), WaveResult::Ok);
    const auto start = std::chrono::steady_clock::now();
    while (done.load() == 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
        mapper.DeliverNotices();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(done.load(), 1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(45));
    output.Stop();
    mapper.Close(device);
}

TEST(RealtimeMixer, TheNoticeRingHandsOverEveryItemInOrderBetweenTwoThreads) {
    const int64_t allocationsBefore = AllocationsWhileRendering();
    SpscRing<uint32_t> ring(64);
    constexpr uint32_t COUNT = 50000;
    std::thread producer([&] {
        RenderingScope rendering;
        for (uint32_t i = 0; i < COUNT;) {
            if (ring.Push(i)) {
                ++i;
            } else {
                std::this_thread::yield();
            }
        }
    });
    uint32_t expected = 0;
    bool inOrder = true;
    while (expected < COUNT) {
        uint32_t item;
        if (ring.Pop(item)) {
            inOrder = inOrder && item == expected;
            ++expected;
        } else {
            std::this_thread::yield();
        }
    }
    producer.join();
    EXPECT_TRUE(inOrder);
    EXPECT_TRUE(ring.Empty());
    EXPECT_EQ(AllocationsWhileRendering(), allocationsBefore);
}

}  // namespace
}  // namespace chordlane::test
