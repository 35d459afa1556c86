// A real sound server that dies and comes back, under the program's own output classes: the
// keeper over PortAudio -> ALSA -> PulseAudio and the mixer. The server is a private one the
// test starts in a scratch folder (its own socket, runtime and state folders, no D-Bus), so
// killing it never touches a desktop's own sound server. Where no PulseAudio server can be
// started the test is skipped, except in CI, where it must run.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/SoundOutputKeeper.h"
#include "mixer/WaveMapper.h"
#include "platform/portaudio/PortAudioOutput.h"
#include "platform/std/NullOutput.h"

namespace chordlane::test {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

bool InCi() {
    const char* ci = std::getenv("CI");
    return ci && (std::strcmp(ci, "true") == 0 || std::strcmp(ci, "1") == 0);
}

// Skips where the machine cannot run a sound server; CI promises one, so there it fails.
#define SKIP_OR_FAIL(why)                                                  \
    do {                                                                   \
        if (InCi()) FAIL() << (why) << " (CI must run this test)";         \
        GTEST_SKIP() << (why) << "; this test needs pulseaudio and parec"; \
    } while (false)

std::optional<std::string> FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (end > start && access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return std::nullopt;
}

// A child process that dies with the test, even when the test itself crashes or hangs and
// is killed: a server or recorder left behind would outlive every later run.
class Child {
  public:
    //! Starts program with args, the environment changed by env (empty value: removed);
    //! with readable, its standard output comes through Fd().
    Child(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
          bool readable) {
        // Everything the child needs is made before fork: in a process with threads, only
        // calls that take no locks are safe between fork and exec.
        std::vector<std::string> environment;
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            if (!env.count(entry.substr(0, entry.find('=')))) environment.push_back(entry);
        }
        for (const auto& [name, value] : env) {
            if (!value.empty()) environment.push_back(name + "=" + value);
        }
        std::vector<char*> args, envp;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        for (const auto& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        int out[2] = {-1, -1};
        if (readable && pipe2(out, O_CLOEXEC) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
#ifdef __linux__
            prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(readable ? out[1] : null, 1);
            dup2(null, 2);
            execve(args[0], args.data(), envp.data());
            _exit(127);
        }
        if (readable) {
            close(out[1]);
            fd_ = out[0];
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { Kill(SIGKILL); }

    bool Started() const { return pid_ > 0; }
    int Fd() const { return fd_; }
    pid_t Pid() const { return pid_; }
    //! Still running (not exited, not killed).
    bool Running() {
        if (pid_ <= 0) return false;
        if (waitpid(pid_, nullptr, WNOHANG) == 0) return true;
        pid_ = -1;
        return false;
    }
    void Kill(int signal) {
        if (pid_ > 0) {
            kill(pid_, signal);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

  private:
    pid_t pid_ = -1;
    int fd_ = -1;
};

// The private PulseAudio server: a null sink, a socket in a scratch folder. The test's own
// process (its PortAudio, ALSA's pulse plugin, parec) reaches it through PULSE_SERVER, and
// may not spawn a server of its own once it is gone.
class PrivatePulse {
  public:
    static constexpr const char* SINK = "chordlane_restart";

    PrivatePulse() {
        char pattern[] = "/tmp/chordlane-pulse-XXXXXX";
        if (!mkdtemp(pattern)) return;
        dir_ = pattern;
        socket_ = dir_ + "/native";
        std::ofstream(dir_ + "/client.conf") << "autospawn = no\n";
        for (const char* name : {"PULSE_SERVER", "PULSE_CLIENTCONFIG", "PULSE_SINK"}) {
            if (const char* value = std::getenv(name)) saved_[name] = value;
        }
        setenv("PULSE_SERVER", ("unix:" + socket_).c_str(), 1);
        setenv("PULSE_CLIENTCONFIG", (dir_ + "/client.conf").c_str(), 1);
        setenv("PULSE_SINK", SINK, 1);
    }
    ~PrivatePulse() {
        server_.reset();
        for (const char* name : {"PULSE_SERVER", "PULSE_CLIENTCONFIG", "PULSE_SINK"}) {
            if (saved_.count(name))
                setenv(name, saved_[name].c_str(), 1);
            else
                unsetenv(name);
        }
        std::error_code ignored;
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
    }

    //! Starts the server and waits until its socket takes connections; false (the log in
    //! Log()) when it did not within five seconds.
    bool Start(const std::string& program) {
        server_.reset();
        // HOME, XDG_* and the runtime and state paths keep its cookie, pid file and state out
        // of the person's own; without a session bus it cannot clash with a desktop's server
        // over the bus name.
        const std::map<std::string, std::string> env = {
            {"HOME", dir_},
            {"XDG_CONFIG_HOME", dir_},
            {"XDG_RUNTIME_DIR", dir_},
            {"PULSE_RUNTIME_PATH", dir_},
            {"PULSE_STATE_PATH", dir_},
            {"DBUS_SESSION_BUS_ADDRESS", ""},
            {"DISPLAY", ""},
            {"WAYLAND_DISPLAY", ""},
        };
        server_ = std::make_unique<Child>(
            std::vector<std::string>{
                program, "-n", "--daemonize=no", "--use-pid-file=no", "--exit-idle-time=-1",
                "--disallow-exit", "--log-target=file:" + dir_ + "/log",
                "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket_,
                std::string("--load=module-null-sink sink_name=") + SINK + " rate=48000"},
            env, false);
        const auto deadline = Clock::now() + 5s;
        while (Clock::now() < deadline && server_->Running()) {
            if (Answers()) return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
    //! Ends the server with signal: SIGKILL as a crash (no goodbye to its clients), SIGTERM
    //! as "pulseaudio --kill" or a session's end (it closes its connections first).
    void Stop(int signal) {
        if (server_) server_->Kill(signal);
        server_.reset();
    }
    //! Whether the socket takes a connection.
    bool Answers() const {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socket_.c_str());
        const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(fd);
        return ok;
    }
    std::string Log() const {
        std::ifstream in(dir_ + "/log");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool Ready() const { return !dir_.empty(); }

  private:
    std::string dir_;
    std::string socket_;
    std::map<std::string, std::string> saved_;
    std::unique_ptr<Child> server_;
};

// Records the null sink's monitor with parec and notes when sound arrives after Arm.
class MonitorRecorder {
  public:
    MonitorRecorder(const std::string& parec)
        : child_({parec, "--raw", "--format=s16le", "--channels=2", "--rate=48000",
                  "--latency-msec=1", std::string("--device=") + PrivatePulse::SINK + ".monitor"},
                 {}, true) {
        if (child_.Fd() >= 0) thread_ = std::thread([this] { Run(); });
    }
    ~MonitorRecorder() {
        running_ = false;
        if (thread_.joinable()) thread_.join();
    }
    uint64_t Frames() const { return frames_.load(); }
    void Arm() {
        heard_ = false;
        armed_ = true;
    }
    bool Heard() const { return heard_.load(); }

  private:
    void Run() {
        std::vector<int16_t> buffer(2 * 1024);
        while (running_) {
            pollfd p{child_.Fd(), POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            const ssize_t got = read(child_.Fd(), buffer.data(), buffer.size() * 2);
            if (got <= 0) break;
            const size_t samples = static_cast<size_t>(got) / 2;
            frames_ += samples / 2;
            if (!armed_) continue;
            for (size_t i = 0; i < samples; ++i) {
                if (std::abs(buffer[i]) > 1000) {
                    heard_ = true;
                    armed_ = false;
                    break;
                }
            }
        }
    }

    Child child_;
    std::thread thread_;
    std::atomic<bool> running_{true};
    std::atomic<bool> armed_{false};
    std::atomic<bool> heard_{false};
    std::atomic<uint64_t> frames_{0};
};

// Should a step hang (a PortAudio call that waits for a server that is gone), the test ends
// with a message instead of holding the run, and the server it started dies with it.
class Watchdog {
  public:
    explicit Watchdog(Clock::duration limit)
        : thread_([this, limit] {
              std::unique_lock lock(mutex_);
              if (!done_.wait_for(lock, limit, [this] { return stop_; })) {
                  std::fprintf(stderr, "PulseAudio restart test hung at: %s\n", step_.c_str());
                  std::fflush(stderr);
                  _exit(1);  // the server and parec die with the test (their death signal)
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        done_.notify_all();
        thread_.join();
    }
    void Step(std::string step) {
        std::lock_guard lock(mutex_);
        step_ = std::move(step);
    }

  private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool stop_ = false;
    std::string step_ = "start";
    std::thread thread_;
};

// A short loud square wave: the tap.
std::vector<int16_t> Click(uint32_t rate) {
    std::vector<int16_t> click(rate / 10);
    for (size_t i = 0; i < click.size(); ++i) click[i] = (i / 24) % 2 ? 12000 : -12000;
    return click;
}

// The keeper as the program runs it: the chosen output (ALSA's pulse device, which this
// process sends to the private server), the null output while it is away, and a tick about
// once a second from the interface thread, which also delivers the mixer's notices.
class PulseAudioRestart : public ::testing::TestWithParam<int> {};

TEST_P(PulseAudioRestart, TheOutputComesBackAndIsHeardAfterTheServerEndsAndReturns) {
    Watchdog watchdog(40s);
    const auto pulseaudio = FindProgram("pulseaudio");
    const auto parec = FindProgram("parec");
    if (!pulseaudio || !parec) SKIP_OR_FAIL("pulseaudio or parec is not installed");
    PrivatePulse pulse;
    ASSERT_TRUE(pulse.Ready()) << "no scratch folder";
    if (!pulse.Start(*pulseaudio)) SKIP_OR_FAIL("PulseAudio did not start:\n" + pulse.Log());
    bool pulseDevice = false;
    for (const AudioDeviceInfo& d : ListAudioDevices()) pulseDevice |= d.Label() == "ALSA: pulse";
    if (!pulseDevice) SKIP_OR_FAIL("ALSA offers no \"pulse\" device (libasound2-plugins)");

    WaveMapper mapper;
    std::vector<std::pair<std::string, bool>> told;
    SoundOutputKeeper keeper(
        [&mapper](bool fallback) {
            AudioOutputConfig config;
            config.device = "ALSA: pulse";
            config.framesPerBuffer = 256;
            return OpenAudioOutput(mapper, config, fallback);
        },
        [&mapper]() -> std::unique_ptr<AudioOutput> {
            return std::make_unique<NullOutput>(mapper, NullOutputConfig{256});
        },
        [&told](const std::string& text, bool lasting) { told.emplace_back(text, lasting); });
    watchdog.Step("opening the output");
    keeper.Open();
    ASSERT_FALSE(keeper.Silent()) << keeper.Problem();
    ASSERT_TRUE(told.empty()) << told[0].first;
    const std::string chosen = keeper.Output().Describe();
    EXPECT_NE(chosen.find("\"pulse\""), std::string::npos) << chosen;

    const uint32_t rate = mapper.DeviceRate();
    const std::vector<int16_t> click = Click(rate);
    WaveDevice voice = NO_DEVICE;
    int ended = 0;
    ASSERT_EQ(mapper.Open(&voice, {1, 1, rate, rate * 2, 2, 16, 0},
                          [&ended](WaveDevice, WaveHeader*) { ++ended; }),
              WaveResult::Ok);
    WaveHeader header{};
    header.data = reinterpret_cast<const uint8_t*>(click.data());
    header.bufferLength = static_cast<uint32_t>(2 * click.size());
    // A tap: the voice starts now; true once its buffer has played out (its notice came).
    auto tap = [&]() {
        mapper.Reset(voice);
        mapper.DeliverNotices();
        ended = 0;
        mapper.Prepare(voice, &header);
        return mapper.Write(voice, &header) == WaveResult::Ok;
    };
    // The interface thread for a while: notices as they come, a tick every second.
    auto nextTick = Clock::now() + 1s;
    Clock::duration slowestTick{};
    auto run = [&](Clock::duration span, auto until) {
        const auto end = Clock::now() + span;
        while (Clock::now() < end && !until()) {
            mapper.DeliverNotices();
            if (Clock::now() >= nextTick) {
                const auto start = Clock::now();
                keeper.Tick();
                slowestTick = std::max(slowestTick, Clock::now() - start);
                nextTick += 1s;
            }
            std::this_thread::sleep_for(5ms);
        }
        return until();
    };

    // Before the server dies: a tap is heard, which proves the recording would hear one.
    {
        MonitorRecorder before(*parec);
        ASSERT_TRUE(run(3s, [&] { return before.Frames() > 0; })) << "parec records nothing";
        before.Arm();
        ASSERT_TRUE(tap());
        EXPECT_TRUE(run(2s, [&] { return before.Heard(); })) << "no tap heard at all";
        EXPECT_TRUE(run(1s, [&] { return ended == 1; }));
    }

    watchdog.Step("the server died");
    const auto died = Clock::now();
    pulse.Stop(GetParam());
    ASSERT_TRUE(run(4s, [&] { return keeper.Silent(); }))
        << "the lost server went unnoticed for four seconds";
    const double noticedAfter = Seconds(Clock::now() - died);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(told[0].second) << "the loss is told as lasting until the output is back";
    // Which output, and why: PortAudio ends the stream once ALSA's writes fail.
    EXPECT_NE(told[0].first.find("Sound output lost (" + chosen + ": the stream ended"),
              std::string::npos)
        << told[0].first;
    EXPECT_EQ(keeper.Problem(), told[0].first);

    // Meanwhile the null output keeps time: a buffer written now ends, and its notice comes.
    watchdog.Step("playing on the null output");
    ASSERT_TRUE(tap());
    EXPECT_TRUE(run(1500ms, [&] { return ended == 1; })) << "no notice while the server is away";
    // The ticks that try the chosen output against no server neither hang nor say more.
    run(1500ms, [] { return false; });
    EXPECT_TRUE(keeper.Silent());
    EXPECT_EQ(told.size(), 1u);

    watchdog.Step("the server returns");
    ASSERT_TRUE(pulse.Start(*pulseaudio)) << "PulseAudio did not start again:\n" << pulse.Log();
    const auto back = Clock::now();
    EXPECT_TRUE(run(4s, [&] { return !keeper.Silent(); }))
        << "the output did not come back within four seconds of the server";
    const double reopenedAfter = Seconds(Clock::now() - back);
    ASSERT_EQ(told.size(), 2u);
    EXPECT_FALSE(told[1].second);
    EXPECT_EQ(told[1].first.rfind("Sound output is back (", 0), 0u) << told[1].first;
    EXPECT_NE(told[1].first.find("\"pulse\""), std::string::npos) << told[1].first;
    EXPECT_TRUE(keeper.Problem().empty());

    // Three seconds after the server's return a tap reaches it.
    watchdog.Step("a tap after the return");
    MonitorRecorder after(*parec);
    ASSERT_TRUE(run(3s, [&] { return after.Frames() > 0; })) << "parec records nothing";
    // The first tap once the output is back and the recording runs (parec itself takes a
    // second or two to deliver its first frames from a null sink's monitor).
    after.Arm();
    ASSERT_TRUE(tap());
    const auto firstTap = Clock::now();
    EXPECT_TRUE(run(2s, [&] { return after.Heard(); }))
        << "the first tap once the output was back was not heard";
    const double firstHeardAfter = Seconds(Clock::now() - back);
    const double firstDelay = Seconds(Clock::now() - firstTap);
    run(back + 3s - Clock::now(), [] { return false; });
    after.Arm();
    ASSERT_TRUE(tap());
    const bool heard = run(2s, [&] { return after.Heard(); });
    EXPECT_TRUE(heard) << "a tap three seconds after the server's return was not heard";
    EXPECT_TRUE(run(1s, [&] { return ended == 1; }));
    EXPECT_FALSE(keeper.Silent());
    EXPECT_EQ(told.size(), 2u);
    // The interface thread never waits long on a server that is gone or starting.
    EXPECT_LT(slowestTick, 500ms);
    std::printf("%s\n", told[0].first.c_str());
    std::printf(
        "server ended by signal %d: noticed after %.2f s; reopened %.2f s after its "
        "return; first tap then heard %.2f s after the return (%.0f ms after the tap); "
        "a tap 3 s after the return %s; slowest tick %.0f ms\n",
        GetParam(), noticedAfter, reopenedAfter, firstHeardAfter, firstDelay * 1000,
        heard ? "was heard" : "was not heard", Seconds(slowestTick) * 1000);

    watchdog.Step("stopping");
    keeper.Stop();
    mapper.Close(voice);
}

INSTANTIATE_TEST_SUITE_P(Ending, PulseAudioRestart, ::testing::Values(SIGKILL, SIGTERM),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == SIGKILL ? "Crash" : "Quit";
                         });

}  // namespace
}  // namespace chordlane::test
