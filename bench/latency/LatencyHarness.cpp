// chordlane_latency: how long a tap takes to be heard through the real output. Plays short
// clicks through the program's own mixer and PortAudio output (the default device, which a
// PulseAudio server should route to a null sink), records that sink's monitor with parec,
// and prints the delay from each tap to the first frame that is not silent: median and worst.
// Run by scripts/latency.sh, which sets up the sink; not a unit test.
//
// Usage: chordlane_latency --monitor SOURCE [--buffer FRAMES] [--taps N]

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "mixer/WaveMapper.h"
#include "platform/portaudio/PortAudioOutput.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t RATE = 48000;
// A value further from zero than this is sound; the click is far above it, silence is 0.
constexpr int SOUND_THRESHOLD = 200;

// Reads the monitor and notes when sound first arrives after the harness arms it.
class MonitorReader {
  public:
    explicit MonitorReader(const std::string& source) {
        const std::string command =
            "exec parec --raw --format=s16le --channels=2 --rate=48000 --latency-msec=1 -d '" +
            source + "' 2>/dev/null";
        pipe_ = popen(command.c_str(), "r");
        if (pipe_) thread_ = std::thread([this] { Run(); });
    }
    ~MonitorReader() {
        running_ = false;
        if (thread_.joinable()) thread_.join();
        if (pipe_) pclose(pipe_);
    }
    bool Ok() const { return pipe_ != nullptr; }
    uint64_t FramesRead() const { return frames_.load(); }
    void Arm() {
        onset_.store(Clock::time_point::min().time_since_epoch().count());
        armed_.store(true);
    }
    //! The time sound arrived after Arm, if it has.
    bool Onset(Clock::time_point& when) const {
        const auto ticks = onset_.load();
        if (armed_.load() || ticks == Clock::time_point::min().time_since_epoch().count())
            return false;
        when = Clock::time_point(Clock::duration(ticks));
        return true;
    }

  private:
    void Run() {
        const int fd = fileno(pipe_);
        std::vector<int16_t> buffer(2 * 256);
        while (running_) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0) continue;
            const ssize_t got = read(fd, buffer.data(), buffer.size() * 2);
            const auto now = Clock::now();
            if (got <= 0) break;
            const size_t frames = static_cast<size_t>(got) / 4;
            frames_ += frames;
            if (!armed_.load()) continue;
            for (size_t f = 0; f < frames; ++f) {
                if (std::abs(buffer[2 * f]) <= SOUND_THRESHOLD) continue;
                // The frame's own time: the read's, less the frames after it in this read.
                const auto back = std::chrono::nanoseconds((frames - f) * 1000000000ull / RATE);
                onset_.store((now - back).time_since_epoch().count());
                armed_.store(false);
                break;
            }
        }
    }

    std::FILE* pipe_ = nullptr;
    std::thread thread_;
    std::atomic<bool> running_{true};
    std::atomic<bool> armed_{false};
    std::atomic<Clock::rep> onset_{0};
    std::atomic<uint64_t> frames_{0};
};

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
    using namespace chordlane;
    std::string monitor;
    uint32_t buffer = DEFAULT_AUDIO_BUFFER;
    int taps = 20;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--monitor")
            monitor = argv[i + 1];
        else if (name == "--buffer")
            buffer = static_cast<uint32_t>(std::atoi(argv[i + 1]));
        else if (name == "--taps")
            taps = std::atoi(argv[i + 1]);
    }
    if (monitor.empty() || buffer < MIN_AUDIO_BUFFER || buffer > MAX_AUDIO_BUFFER || taps < 1) {
        std::fprintf(stderr,
                     "usage: chordlane_latency --monitor SOURCE [--buffer 64..1024] "
                     "[--taps N]\n");
        return 2;
    }

    WaveMapper mapper;
    AudioOutputConfig config;
    config.framesPerBuffer = buffer;
    std::string chosen;
    config.log = [&chosen](const std::string& line) { chosen = line; };
    AudioOpenResult opened = OpenAudioOutput(mapper, config);
    if (opened.silent) {
        std::fprintf(stderr, "chordlane_latency: %s\n", opened.problem.c_str());
        return 1;
    }
    MonitorReader reader(monitor);
    if (!reader.Ok()) {
        std::fprintf(stderr, "chordlane_latency: cannot run parec\n");
        return 1;
    }
    // A click: 5 ms of a loud square wave.
    const uint32_t rate = mapper.DeviceRate();
    std::vector<int16_t> click(rate / 200);
    for (size_t i = 0; i < click.size(); ++i) click[i] = (i / 12) % 2 ? 12000 : -12000;
    WaveDevice device = NO_DEVICE;
    if (mapper.Open(&device, {1, 1, rate, rate * 2, 2, 16, 0}, nullptr) != WaveResult::Ok) {
        std::fprintf(stderr, "chordlane_latency: the mixer refused the click\n");
        return 1;
    }
    // The recording has started once frames come in.
    for (int i = 0; i < 200 && reader.FramesRead() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));

    std::vector<double> delays;
    WaveHeader header{};
    header.data = reinterpret_cast<const uint8_t*>(click.data());
    header.bufferLength = static_cast<uint32_t>(2 * click.size());
    int missed = 0;
    // The first tap only wakes the sink up; it is not counted.
    for (int t = -1; t < taps; ++t) {
        // Silence between taps, at an uneven spacing so taps fall anywhere in a buffer.
        std::this_thread::sleep_for(std::chrono::milliseconds(150 + 7 * (t % 5)));
        mapper.Reset(device);
        mapper.DeliverNotices();
        reader.Arm();
        const auto tap = Clock::now();
        mapper.Prepare(device, &header);
        mapper.Write(device, &header);
        Clock::time_point heard;
        while (!reader.Onset(heard) && Clock::now() - tap < std::chrono::seconds(1))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        if (t < 0) continue;
        if (!reader.Onset(heard)) {
            ++missed;
            continue;
        }
        delays.push_back(Ms(heard - tap));
    }
    opened.output->Stop();
    mapper.Close(device);
    if (delays.empty()) {
        std::fprintf(stderr, "chordlane_latency: no tap was heard on %s\n", monitor.c_str());
        return 1;
    }
    std::sort(delays.begin(), delays.end());
    const double median = delays.size() % 2
                              ? delays[delays.size() / 2]
                              : (delays[delays.size() / 2 - 1] + delays[delays.size() / 2]) / 2;
    std::printf("latency buffer=%u taps=%zu median_ms=%.1f worst_ms=%.1f missed=%d (%s)\n", buffer,
                delays.size(), median, delays.back(), missed, chosen.c_str());
    return missed == 0 ? 0 : 1;
}
