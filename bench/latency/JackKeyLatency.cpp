// chordlane_jack_latency: how long a key press or a tap in the real program's window takes to
// be in the JACK graph. Starts the program (its window on the X display in DISPLAY, its
// sound through PortAudio's JACK host API on the server JACK_DEFAULT_SERVER names) with a
// small instrument whose pad and A key play a 5 ms click, sends presses through the X server
// with XTest, and reads the program's output with a JACK client of its own that stamps the
// first cycle in which the click is there. Prints the median and worst delay from the moment
// each press is sent. Run by scripts/jack-latency.sh, which starts Xvfb and the JACK server.
//
// Usage: chordlane_jack_latency --program PATH [--presses N] [--busy N] [--limit-ms MS]
//                               [--strict] [--verbose]
//   --busy N   N compiler processes run all the while (each compiles one of our sources over
//              and over), so the figures are those of a machine that is busy
//   --verbose  print each press's delay as it comes
//   --strict   fail when any press is later than the limit (default: only when the median
//              is, or a press is never heard)

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <jack/jack.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "mixer/WavWriter.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr uint32_t CLICK_RATE = 48000;
// A sample further from zero than this is the click; the program is silent otherwise.
constexpr float SOUND_THRESHOLD = 0.01f;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The instrument the program plays: a pad over the whole screen and the A key, both playing
// a click short enough that the output is silent again long before the next press.
fs::path WriteInstrument(const fs::path& dir) {
    // 5 ms of a loud square wave.
    std::vector<float> click(2 * CLICK_RATE / 200);
    for (size_t i = 0; i < click.size(); ++i) click[i] = (i / 2 / 12) % 2 ? 0.37f : -0.37f;
    if (auto wav = chordlane::WavWriter::Create((dir / "click.wav").string(), {.rate = CLICK_RATE},
                                                nullptr))
        wav->Append(click.data(), click.size() / 2);
    std::ofstream clx(dir / "latency.clx");
    clx << "cl1.0 latency harness: the pad and the A key play a 5 ms click\n"
           "d 240 320\n"
           "s clk click.wav 440 0 0\n"
           "v click\n"
           "br pad 0 0 240 320\n"
           "bh bka\n"
           "{ init\n"
           "=s click.ns \"clk\"\n"
           "=s pad.na click\n"
           "=s bka.na click\n"
           "}\n";
    return dir / "latency.clx";
}

// The second JACK client: its inputs take the program's outputs, and its process callback
// notes the time of the first cycle with sound after the harness arms it.
class Stamper {
  public:
    Stamper() {
        client_ = jack_client_open("chordlane-stamp", JackNoStartServer, nullptr);
        if (!client_) return;
        for (size_t i = 0; i < inputs_.size(); ++i) {
            const std::string name = "in_" + std::to_string(i + 1);
            inputs_[i] = jack_port_register(client_, name.c_str(), JACK_DEFAULT_AUDIO_TYPE,
                                            JackPortIsInput, 0);
        }
        if (!inputs_[0] || !inputs_[1] ||
            jack_set_process_callback(client_, &Stamper::Process, this) != 0 ||
            jack_activate(client_) != 0) {
            jack_client_close(client_);
            client_ = nullptr;
        }
    }
    ~Stamper() {
        if (client_) jack_client_close(client_);
    }
    Stamper(const Stamper&) = delete;
    Stamper& operator=(const Stamper&) = delete;

    bool Ok() const { return client_ != nullptr; }
    uint32_t Period() const { return jack_get_buffer_size(client_); }
    uint32_t Rate() const { return jack_get_sample_rate(client_); }

    //! Connects the first two audio outputs of a client other than the server's and ours;
    //! false until such a client has its ports.
    bool ConnectProgram() {
        const char** ports =
            jack_get_ports(client_, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
        if (!ports) return false;
        std::vector<std::string> found;
        for (size_t i = 0; ports[i]; ++i) {
            const std::string name = ports[i];
            if (name.rfind("system:", 0) == 0 || name.rfind("chordlane-stamp:", 0) == 0) continue;
            found.push_back(name);
        }
        jack_free(ports);
        if (found.empty()) return false;
        for (size_t i = 0; i < found.size() && i < inputs_.size(); ++i)
            jack_connect(client_, found[i].c_str(), jack_port_name(inputs_[i]));
        program_ = found.front().substr(0, found.front().find(':'));
        return true;
    }
    const std::string& Program() const { return program_; }

    //! Cycles in a row without sound, up to now.
    uint64_t QuietCycles() const { return cycles_.load() - lastSound_.load(); }
    void Arm() { armed_.store(true); }
    void Disarm() { armed_.store(false); }
    //! When sound came after Arm, once it has.
    bool Onset(Clock::time_point& when) const {
        if (armed_.load()) return false;
        when = Clock::time_point(Clock::duration(onset_.load()));
        return true;
    }

  private:
    static int Process(jack_nframes_t frames, void* arg) {
        auto* self = static_cast<Stamper*>(arg);
        const auto now = Clock::now();
        bool sound = false;
        for (jack_port_t* port : self->inputs_) {
            const auto* samples = static_cast<const float*>(jack_port_get_buffer(port, frames));
            for (jack_nframes_t i = 0; i < frames && !sound; ++i)
                sound = std::fabs(samples[i]) > SOUND_THRESHOLD;
        }
        const uint64_t cycle = self->cycles_.fetch_add(1) + 1;
        if (sound) {
            self->lastSound_.store(cycle);
            if (self->armed_.load()) {
                self->onset_.store(now.time_since_epoch().count());
                self->armed_.store(false);
            }
        }
        return 0;
    }

    jack_client_t* client_ = nullptr;
    std::array<jack_port_t*, 2> inputs_{};
    std::string program_;
    std::atomic<bool> armed_{false};
    std::atomic<Clock::rep> onset_{0};
    std::atomic<uint64_t> cycles_{0};
    std::atomic<uint64_t> lastSound_{0};
};

// What the machine itself allows: a thread that asks to wake every millisecond, at real-time
// priority where it may, notes how late it wakes. On a virtual machine whose host holds its
// processors now and then, no program can be on time by less than that.
class WakeProbe {
  public:
    WakeProbe() {
        thread_ = std::thread([this] { Run(); });
    }
    ~WakeProbe() {
        running_ = false;
        thread_.join();
    }
    WakeProbe(const WakeProbe&) = delete;
    WakeProbe& operator=(const WakeProbe&) = delete;

    double WorstMs() const { return worstNs_.load() / 1e6; }
    uint64_t OverMs() const { return overMs_.load(); }

  private:
    void Run() {
        sched_param param{};
        param.sched_priority = sched_get_priority_min(SCHED_FIFO);
        sched_setscheduler(0, SCHED_FIFO, &param);
        timespec due{};
        clock_gettime(CLOCK_MONOTONIC, &due);
        while (running_) {
            due.tv_nsec += 1000000;
            if (due.tv_nsec >= 1000000000) {
                due.tv_nsec -= 1000000000;
                ++due.tv_sec;
            }
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr);
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            const int64_t late =
                (now.tv_sec - due.tv_sec) * int64_t{1000000000} + (now.tv_nsec - due.tv_nsec);
            if (late > worstNs_.load()) worstNs_.store(late);
            if (late > 1000000) {
                ++overMs_;
                due = now;  // a long stall is one late wake, not a burst of catching up
            }
        }
    }

    std::thread thread_;
    std::atomic<bool> running_{true};
    std::atomic<int64_t> worstNs_{0};
    std::atomic<uint64_t> overMs_{0};
};

// A child process in a process group of its own, so that what it starts ends with it.
class Child {
  public:
    Child(const std::vector<std::string>& argv, const fs::path& log) {
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                         0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
        if (posix_spawnp(&pid_, args[0], &actions, &attributes, args.data(), environ) != 0)
            pid_ = -1;
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child() {
        if (pid_ <= 0) return;
        kill(-pid_, SIGTERM);
        for (int i = 0; i < 50; ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
            Sleep(20);
        }
        kill(-pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t Pid() const { return pid_; }
    bool Running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

  private:
    pid_t pid_ = -1;
};

// The program's top-level window: the largest one on show whose _NET_WM_PID is the program's.
Window FindWindow(Display* display, pid_t pid) {
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", True);
    if (pidAtom == None) return None;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return None;
    Window best = None;
    long bestArea = 0;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, children[i], &attributes) ||
            attributes.map_state != IsViewable)
            continue;
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type,
                               &format, &items, &after, &data) == Success &&
            data && items == 1 && format == 32) {
            const long area = long{attributes.width} * attributes.height;
            if (*reinterpret_cast<const unsigned long*>(data) == static_cast<unsigned long>(pid) &&
                area > bestArea) {
                best = children[i];
                bestArea = area;
            }
        }
        if (data) XFree(data);
    }
    if (children) XFree(children);
    return best;
}

// The device that plays through JACK, as the program names it in --list-audio-devices.
std::string JackDevice(const std::string& program, const fs::path& dir) {
    const fs::path listing = dir / "devices.txt";
    {
        Child list({program, "--list-audio-devices"}, listing);
        for (int i = 0; i < 500 && list.Running(); ++i) Sleep(20);
    }
    std::ifstream in(listing);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("JACK Audio Connection Kit: ", 0) == 0)
            return line.substr(0, line.find('\t'));
    }
    return {};
}

struct Figures {
    std::vector<double> delays;
    int missed = 0;
    double Median() const {
        std::vector<double> d = delays;
        std::sort(d.begin(), d.end());
        if (d.empty()) return 0;
        return d.size() % 2 ? d[d.size() / 2] : (d[d.size() / 2 - 1] + d[d.size() / 2]) / 2;
    }
    double Worst() const {
        return delays.empty() ? 0 : *std::max_element(delays.begin(), delays.end());
    }
};

}  // namespace

int main(int argc, char** argv) {
    std::string program;
    int presses = 20;
    int busy = 0;
    double limitMs = 0;
    bool strict = false;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (name == "--strict") {
            strict = true;
        } else if (name == "--verbose") {
            verbose = true;
        } else if (value && name == "--program") {
            program = value, ++i;
        } else if (value && name == "--presses") {
            presses = std::atoi(value), ++i;
        } else if (value && name == "--busy") {
            busy = std::atoi(value), ++i;
        } else if (value && name == "--limit-ms") {
            limitMs = std::atof(value), ++i;
        } else {
            program.clear();
            break;
        }
    }
    if (program.empty() || presses < 1 || busy < 0) {
        std::fprintf(stderr,
                     "usage: chordlane_jack_latency --program PATH [--presses N] [--busy N] "
                     "[--limit-ms MS] [--strict] [--verbose]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    int event = 0, error = 0, major = 0, minor = 0;
    if (!display || !XTestQueryExtension(display, &event, &error, &major, &minor)) {
        std::fprintf(stderr, "chordlane_jack_latency: no X display with XTest (DISPLAY)\n");
        return 1;
    }
    // The harness stands in for the keyboard and the mouse: where the system allows, its
    // thread is not kept waiting between the time it notes and the press it sends, which
    // would count against the program. Nothing it starts inherits this.
    sched_param sending{};
    sending.sched_priority = sched_get_priority_min(SCHED_FIFO) + 1;
    const bool harnessRealtime =
        sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &sending) == 0;
    Stamper stamper;
    if (!stamper.Ok()) {
        std::fprintf(stderr, "chordlane_jack_latency: no JACK server (JACK_DEFAULT_SERVER)\n");
        return 1;
    }
    const double periodMs = 1000.0 * stamper.Period() / stamper.Rate();
    // Two periods (the press lands just after a cycle began, so it waits for the next, which
    // the program then renders) and half a millisecond for the X server and the program.
    if (limitMs <= 0) limitMs = 2 * periodMs + 0.5;

    char pattern[] = "/tmp/chordlane-jack-latency-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const fs::path dir = pattern;
    const fs::path instrument = WriteInstrument(dir);
    // The program's settings stay in the scratch folder: nothing of a person's is read or
    // changed, and no remembered window or output gets in the way.
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    unsetenv("QT_QPA_PLATFORM");
    const std::string device = JackDevice(program, dir);
    if (device.empty()) {
        std::fprintf(stderr, "chordlane_jack_latency: the program lists no JACK output\n");
        fs::remove_all(dir);
        return 1;
    }

    std::vector<std::unique_ptr<Child>> compilers;
    for (int i = 0; i < busy; ++i) {
        const std::string source = CHORDLANE_SOURCE_DIR;
        const std::string loop = "while :; do c++ -std=c++20 -O2 -I'" + source + "' -c '" + source +
                                 "/language/Parser.cpp' -o /dev/null; done";
        compilers.push_back(std::make_unique<Child>(std::vector<std::string>{"sh", "-c", loop},
                                                    dir / "compilers.log"));
    }
    const fs::path log = dir / "program.log";
    int status = 1;
    {
        Child chordlane({program, "--verbose", "--audio-device", device, "--audio-buffer",
                         std::to_string(stamper.Period()), instrument.string()},
                        log);
        Window window = None;
        bool connected = false;
        for (int i = 0; i < 1000 && chordlane.Running() && (!window || !connected); ++i) {
            Sleep(10);
            if (!window) window = FindWindow(display, chordlane.Pid());
            if (!connected) connected = stamper.ConnectProgram();
        }
        if (!window || !connected) {
            std::fprintf(stderr, "chordlane_jack_latency: the program %s; its log:\n",
                         !chordlane.Running() ? "ended"
                         : !window            ? "showed no window"
                                              : "made no JACK ports");
            std::ifstream in(log);
            for (std::string line; std::getline(in, line);)
                std::fprintf(stderr, "  %s\n", line.c_str());
            fs::remove_all(dir);
            return 1;
        }
        XWindowAttributes attributes;
        XGetWindowAttributes(display, window, &attributes);
        int x = 0, y = 0;
        Window child = None;
        XTranslateCoordinates(display, window, DefaultRootWindow(display), attributes.width / 2,
                              attributes.height / 2, &x, &y, &child);
        XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
        XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
        XSync(display, False);
        Sleep(500);

        const KeyCode keyA = XKeysymToKeycode(display, XK_a);
        WakeProbe probe;
        Figures keys, taps;
        // The first press of each kind wakes what sleeps and is not counted.
        for (int press = -2; press < 2 * presses; ++press) {
            const bool isKey = (press + 2) % 2 == 0;
            Figures& figures = isKey ? keys : taps;
            // An uneven spacing, so that presses fall anywhere in a period; and silence
            // before each, so that its own click is what is stamped.
            Sleep(60 + 7 * ((press + 2) % 5));
            for (int i = 0; i < 200 && stamper.QuietCycles() < 8; ++i) Sleep(5);
            stamper.Arm();
            const auto sent = Clock::now();
            if (isKey)
                XTestFakeKeyEvent(display, keyA, True, CurrentTime);
            else
                XTestFakeButtonEvent(display, 1, True, CurrentTime);
            XFlush(display);
            Clock::time_point heard;
            // The stamp is the JACK client's, so a slow look costs the figure nothing; a quick
            // one would take the processor from the program while it works on the press.
            while (!stamper.Onset(heard) && Clock::now() - sent < std::chrono::seconds(1)) Sleep(2);
            if (isKey)
                XTestFakeKeyEvent(display, keyA, False, CurrentTime);
            else
                XTestFakeButtonEvent(display, 1, False, CurrentTime);
            XFlush(display);
            if (press < 0) {
                stamper.Disarm();
                continue;
            }
            if (!stamper.Onset(heard)) {
                stamper.Disarm();
                ++figures.missed;
                continue;
            }
            figures.delays.push_back(Ms(heard - sent));
            if (verbose)
                std::printf("  %s %2d %.2f ms\n", isKey ? "key" : "tap", press / 2,
                            figures.delays.back());
        }
        int over = 0;
        for (const Figures* f : {&keys, &taps})
            over += static_cast<int>(std::count_if(f->delays.begin(), f->delays.end(),
                                                   [&](double d) { return d > limitMs; }));
        const int missed = keys.missed + taps.missed;
        std::printf(
            "jack latency: period %u frames (%.2f ms) at %u Hz, %d compiler%s busy: keys median "
            "%.2f ms worst %.2f ms, taps median %.2f ms worst %.2f ms; %d of %zu over %.2f ms, "
            "%d missed (%s through %s; presses sent at %s priority)\n",
            stamper.Period(), periodMs, stamper.Rate(), busy, busy == 1 ? "" : "s", keys.Median(),
            keys.Worst(), taps.Median(), taps.Worst(), over,
            keys.delays.size() + taps.delays.size(), limitMs, missed, stamper.Program().c_str(),
            device.c_str(), harnessRealtime ? "real-time" : "ordinary");
        std::printf(
            "the machine meanwhile: a real-time thread waking each millisecond was up to "
            "%.2f ms late, %llu times over 1 ms\n",
            probe.WorstMs(), static_cast<unsigned long long>(probe.OverMs()));
        const bool medianOver = keys.Median() > limitMs || taps.Median() > limitMs;
        status = missed == 0 && !medianOver && (!strict || over == 0) ? 0 : 1;
        if (missed) {
            std::ifstream in(log);
            for (std::string line; std::getline(in, line);)
                std::fprintf(stderr, "  %s\n", line.c_str());
        }
    }
    compilers.clear();
    XCloseDisplay(display);
    fs::remove_all(dir);
    return status;
}
