// The JACK output's underrun count, on a private JACK server on the dummy driver that the test
// starts itself (scripts/jack-server.sh): a render that stalls for many periods makes the
// server miss cycles, and the output counts each xrun the server reports -- as many as a
// second, independent JACK client hears. Skipped where jackd is not installed.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <jack/jack.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "mixer/WaveMapper.h"
#include "platform/portaudio/PortAudioOutput.h"

namespace chordlane::test {
namespace {

using namespace std::chrono_literals;

const std::string JACK_DEVICE = "JACK Audio Connection Kit: system";

// A JACK server of this process's own, named in JACK_DEFAULT_SERVER while it lives.
class PrivateJackServer {
  public:
    PrivateJackServer()
        : name_("chordlane-xrun-" + std::to_string(getpid())),
          dir_(std::filesystem::temp_directory_path() / name_) {
        const char* previous = std::getenv("JACK_DEFAULT_SERVER");
        if (previous) previous_ = previous;
        hadPrevious_ = previous != nullptr;
        const std::string command =
            "JACK_PERIOD=256 bash '" + Script() + "' start " + name_ + " '" + dir_.string() + "'";
        started_ = std::system(command.c_str()) == 0 && std::filesystem::exists(dir_ / "jackd.pid");
        if (started_) setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
    }
    ~PrivateJackServer() {
        if (hadPrevious_)
            setenv("JACK_DEFAULT_SERVER", previous_.c_str(), 1);
        else
            unsetenv("JACK_DEFAULT_SERVER");
        const std::string command = "bash '" + Script() + "' stop '" + dir_.string() + "'";
        [[maybe_unused]] const int status = std::system(command.c_str());
        std::filesystem::remove_all(dir_);
    }
    bool Started() const { return started_; }

  private:
    static std::string Script() {
        return std::string(CHORDLANE_TEST_DATA) + "/../../scripts/jack-server.sh";
    }

    std::string name_;
    std::filesystem::path dir_;
    std::string previous_;
    bool hadPrevious_ = false;
    bool started_ = false;
};

// The reference: a plain JACK client that counts the server's xruns itself. JACK's functions
// are found at run time, in the library PortAudio brought in.
class XrunListener {
  public:
    XrunListener() {
        auto open =
            reinterpret_cast<decltype(&jack_client_open)>(dlsym(RTLD_DEFAULT, "jack_client_open"));
        auto setXrun = reinterpret_cast<decltype(&jack_set_xrun_callback)>(
            dlsym(RTLD_DEFAULT, "jack_set_xrun_callback"));
        auto activate =
            reinterpret_cast<decltype(&jack_activate)>(dlsym(RTLD_DEFAULT, "jack_activate"));
        close_ = reinterpret_cast<decltype(&jack_client_close)>(
            dlsym(RTLD_DEFAULT, "jack_client_close"));
        if (!open || !setXrun || !activate || !close_) return;
        jack_status_t status{};
        client_ = open("xrun listener", JackNoStartServer, &status);
        if (!client_) return;
        setXrun(
            client_,
            [](void* count) {
                static_cast<std::atomic<uint64_t>*>(count)->fetch_add(1);
                return 0;
            },
            &xruns_);
        activate(client_);
    }
    ~XrunListener() {
        if (client_) close_(client_);
    }
    bool Ok() const { return client_ != nullptr; }
    uint64_t Xruns() const { return xruns_.load(); }

  private:
    decltype(&jack_client_close) close_ = nullptr;
    jack_client_t* client_ = nullptr;
    std::atomic<uint64_t> xruns_{0};
};

// Stalls the render thread once, for the time asked, when armed.
class StallingTap : public MixTap {
  public:
    void Tap(const float*, size_t) override {
        const int ms = stallMs_.exchange(0);
        if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        ++blocks_;
    }
    void Arm(int ms) { stallMs_.store(ms); }
    bool Stalled() const { return stallMs_.load() == 0; }
    uint64_t Blocks() const { return blocks_.load(); }

  private:
    std::atomic<int> stallMs_{0};
    std::atomic<uint64_t> blocks_{0};
};

// Waits until f holds or patience has run out.
template <typename F>
bool Within(std::chrono::milliseconds patience, F f) {
    const auto end = std::chrono::steady_clock::now() + patience;
    while (!f()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// Counts over a quiet spell: the xrun notices come on JACK's own thread, a little after the
// missed cycle, and a busy machine may add some of its own, which both counters see.
void Settle() { std::this_thread::sleep_for(300ms); }

TEST(JackXruns, EveryXrunOfTheServerIsCountedOnceWhateverTheBlockSize) {
    PrivateJackServer server;
    if (!server.Started()) GTEST_SKIP() << "no JACK server could be started (is jackd installed?)";
    // A block of a quarter of the server's period: PortAudio calls back four times per cycle,
    // and each call of a late cycle carried the same underflow flag.
    for (const uint32_t frames : {64u, 256u}) {
        SCOPED_TRACE("frames per buffer " + std::to_string(frames));
        WaveMapper mapper;
        StallingTap tap;
        mapper.SetTap(&tap);
        AudioOutputConfig config;
        config.device = JACK_DEVICE;
        config.framesPerBuffer = frames;
        AudioOpenResult opened = OpenAudioOutput(mapper, config, false);
        ASSERT_TRUE(opened.output) << opened.problem;
        XrunListener listener;
        ASSERT_TRUE(listener.Ok());
        ASSERT_TRUE(Within(2000ms, [&] { return tap.Blocks() > 50; }))
            << "the output does not play";
        Settle();
        const uint64_t before = opened.output->Underruns();
        const uint64_t heardBefore = listener.Xruns();

        // Twenty periods of 5.3 ms without a block: the server misses cycles.
        tap.Arm(110);
        ASSERT_TRUE(Within(2000ms, [&] { return tap.Stalled(); }));
        Settle();
        const uint64_t counted = opened.output->Underruns() - before;
        const uint64_t heard = listener.Xruns() - heardBefore;
        EXPECT_GE(heard, 1u) << "the stall did not make the server miss a cycle";
        EXPECT_EQ(counted, heard);

        // A second stall counts again, on the same output.
        tap.Arm(60);
        ASSERT_TRUE(Within(2000ms, [&] { return tap.Stalled(); }));
        Settle();
        EXPECT_GT(opened.output->Underruns() - before, counted);
        EXPECT_EQ(opened.output->Underruns() - before, listener.Xruns() - heardBefore);

        // Stopped, it counts no more, and what it counted stays.
        const uint64_t total = opened.output->Underruns();
        opened.output->Stop();
        EXPECT_EQ(opened.output->Underruns(), total);
        mapper.SetTap(nullptr);
    }
}

}  // namespace
}  // namespace chordlane::test
