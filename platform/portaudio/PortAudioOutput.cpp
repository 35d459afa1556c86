#include "platform/portaudio/PortAudioOutput.h"

#include <dlfcn.h>
#include <jack/jack.h>
#include <portaudio.h>

#include <cstdio>
#include <cstdlib>
#include <span>

#include "mixer/FlushDenormals.h"
#include "mixer/WaveMapper.h"
#include "platform/std/NullOutput.h"
#include "platform/std/RenderThread.h"

namespace chordlane {

namespace {

void SilentAlsa(const char*, int, const char*, int, const char*, ...) {}
void SilentJack(const char*) {}

// PortAudio probes ALSA and JACK when it starts, and both print pages of complaints on a
// machine without sound cards or a JACK server. Their own hooks silence them; they are
// looked up at run time, so nothing here links against either library.
void QuietAudioLibraries() {
    setenv("JACK_NO_START_SERVER", "1", 0);
    using AlsaHandler = void (*)(const char*, int, const char*, int, const char*, ...);
    if (auto set = reinterpret_cast<int (*)(AlsaHandler)>(
            dlsym(RTLD_DEFAULT, "snd_lib_error_set_handler"))) {
        set(&SilentAlsa);
    }
    for (const char* name : {"jack_set_error_function", "jack_set_info_function"}) {
        if (auto set =
                reinterpret_cast<void (*)(void (*)(const char*))>(dlsym(RTLD_DEFAULT, name))) {
            set(&SilentJack);
        }
    }
}

// JACK reports every cycle the graph missed through an xrun callback. PortAudio listens to it
// too, but only raises a flag that its next cycle turns into paOutputUnderflow: several xruns
// between two cycles show as one. So a JACK output registers a client of its own that only
// counts them. Its functions are looked up at run time, as the hooks above are: PortAudio
// brings the library in wherever it has a JACK host API at all.
struct JackFunctions {
    decltype(&jack_client_open) open = nullptr;
    decltype(&jack_set_xrun_callback) setXrunCallback = nullptr;
    decltype(&jack_activate) activate = nullptr;
    decltype(&jack_client_close) close = nullptr;

    static const JackFunctions& Get() {
        static const JackFunctions functions = [] {
            JackFunctions f;
            f.open = reinterpret_cast<decltype(f.open)>(dlsym(RTLD_DEFAULT, "jack_client_open"));
            f.setXrunCallback = reinterpret_cast<decltype(f.setXrunCallback)>(
                dlsym(RTLD_DEFAULT, "jack_set_xrun_callback"));
            f.activate =
                reinterpret_cast<decltype(f.activate)>(dlsym(RTLD_DEFAULT, "jack_activate"));
            f.close = reinterpret_cast<decltype(f.close)>(dlsym(RTLD_DEFAULT, "jack_client_close"));
            return f;
        }();
        return functions;
    }
    bool Complete() const { return open && setXrunCallback && activate && close; }
};

// On JACK's notification thread, not the process thread; an atomic add, nothing else.
int CountJackXrun(void* count) {
    static_cast<std::atomic<uint64_t>*>(count)->fetch_add(1, std::memory_order_relaxed);
    return 0;
}

// A client of the server PortAudio plays on (the same JACK_DEFAULT_SERVER) that counts its
// xruns into count; null when it cannot be made. It has no ports and no process callback, so
// the graph never waits for it.
jack_client_t* OpenXrunCounter(std::atomic<uint64_t>* count) {
    const JackFunctions& jack = JackFunctions::Get();
    if (!jack.Complete()) return nullptr;
    jack_status_t status{};
    jack_client_t* client = jack.open("Chordlane xruns", JackNoStartServer, &status);
    if (!client) return nullptr;
    if (jack.setXrunCallback(client, &CountJackXrun, count) != 0 || jack.activate(client) != 0) {
        jack.close(client);
        return nullptr;
    }
    return client;
}

void Log(const AudioOutputConfig& config, const std::string& line) {
    if (config.log) config.log(line);
}

std::string HostName(const PaDeviceInfo* info) {
    const PaHostApiInfo* host = Pa_GetHostApiInfo(info->hostApi);
    return host && host->name ? host->name : "?";
}

// Between Pa_Initialize and Pa_Terminate: the output device named "API: NAME" or "NAME".
PaDeviceIndex FindDevice(const std::string& wanted) {
    const PaDeviceIndex count = Pa_GetDeviceCount();
    PaDeviceIndex byName = paNoDevice;
    for (PaDeviceIndex d = 0; d < count; ++d) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(d);
        if (!info || !info->name || info->maxOutputChannels < 1) continue;
        if (HostName(info) + ": " + info->name == wanted) return d;
        if (byName == paNoDevice && wanted == info->name) byName = d;
    }
    return byName;
}

}  // namespace

struct PortAudioCallback {
    static int Render(const void*, void* output, unsigned long frames,
                      const PaStreamCallbackTimeInfo*, PaStreamCallbackFlags flags, void* user) {
        auto* self = static_cast<PortAudioOutput*>(user);
        // The host tells us in the next callback that the previous block came too late.
        if (flags & paOutputUnderflow)
            self->flaggedUnderruns_.fetch_add(1, std::memory_order_relaxed);
        self->callbacks_.fetch_add(1, std::memory_order_relaxed);
        FlushDenormalsOnThisThread();
        if (!self->priorityAsked_) {
            // Once, from the thread itself: PortAudio makes it, and a host API that already
            // gave it real-time priority (JACK's) keeps what it gave.
            self->priorityAsked_ = true;
            self->priority_ = RequestRealtimePriority();
            self->priorityKnown_.store(true, std::memory_order_release);
        }
        self->mapper_.Render(std::span(static_cast<float*>(output), 2 * frames), frames);
        return paContinue;
    }
};

PortAudioOutput::PortAudioOutput(WaveMapper& mapper, void* stream, uint32_t rate,
                                 std::string description)
    : mapper_(mapper), stream_(stream), rate_(rate), description_(std::move(description)) {}

std::unique_ptr<PortAudioOutput> PortAudioOutput::Open(WaveMapper& mapper,
                                                       const AudioOutputConfig& config,
                                                       std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return nullptr;
    };
    QuietAudioLibraries();
    if (PaError e = Pa_Initialize(); e != paNoError) return fail(Pa_GetErrorText(e));
    auto give_up = [&](const std::string& why) {
        Pa_Terminate();
        return fail(why);
    };
    PaDeviceIndex device = paNoDevice;
    if (config.device.empty()) {
        device = Pa_GetDefaultOutputDevice();
    } else {
        device = FindDevice(config.device);
        if (device == paNoDevice) return give_up("\"" + config.device + "\" is not there");
    }
    const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
    if (!info) return give_up("no default output device");
    if (info->maxOutputChannels < 1) return give_up("\"" + config.device + "\" has no outputs");
    PaStreamParameters out{};
    out.device = device;
    out.channelCount = 2;
    out.sampleFormat = paFloat32;
    out.suggestedLatency = info->defaultLowOutputLatency;
    double rate = config.preferredRate;
    if (Pa_IsFormatSupported(nullptr, &out, rate) != paFormatIsSupported) {
        rate = info->defaultSampleRate;
    }
    if (!(rate >= 1.0) || !mapper.SetDeviceRate(static_cast<uint32_t>(rate))) {
        return give_up("the mixer cannot take the device's rate");
    }
    std::unique_ptr<PortAudioOutput> output(
        new PortAudioOutput(mapper, nullptr, static_cast<uint32_t>(rate), std::string()));
    PaStream* stream = nullptr;
    const unsigned long frames = config.framesPerBuffer ? config.framesPerBuffer : 256;
    if (PaError e = Pa_OpenStream(&stream, nullptr, &out, rate, frames, paNoFlag,
                                  &PortAudioCallback::Render, output.get());
        e != paNoError) {
        return give_up(Pa_GetErrorText(e));
    }
    output->stream_ = stream;
    if (PaError e = Pa_StartStream(stream); e != paNoError) {
        Pa_CloseStream(stream);
        output->stream_ = nullptr;
        return give_up(Pa_GetErrorText(e));
    }
    output->stopped_ = false;
    const PaHostApiInfo* host = Pa_GetHostApiInfo(info->hostApi);
    if (host && host->type == paJACK) {
        output->jackXrunCounter_ = OpenXrunCounter(&output->jackXruns_);
        output->countsJackXruns_ = output->jackXrunCounter_ != nullptr;
        if (!output->countsJackXruns_) {
            Log(config, "audio: no JACK client for counting xruns; PortAudio's flags count them");
        }
    }
    const PaStreamInfo* streamInfo = Pa_GetStreamInfo(stream);
    char line[768];
    std::snprintf(line, sizeof line, "audio: \"%s\" (%s), %u Hz, %lu frames, latency %.1f ms",
                  info->name ? info->name : "?", host && host->name ? host->name : "?",
                  output->rate_, frames, streamInfo ? streamInfo->outputLatency * 1000.0 : 0.0);
    output->description_ = line;
    return output;
}

PortAudioOutput::~PortAudioOutput() { Stop(); }

uint64_t PortAudioOutput::Underruns() const {
    // On JACK PortAudio's flags come from the same xruns, fewer of them: the counter replaces
    // them rather than adding to them.
    if (countsJackXruns_) return jackXruns_.load(std::memory_order_relaxed);
    return flaggedUnderruns_.load(std::memory_order_relaxed);
}

bool PortAudioOutput::Failed() {
    if (stopped_ || !stream_) return false;
    // A host API that loses its server either ends the stream or simply stops calling back;
    // a second without a callback is far beyond any buffer a person can choose.
    const uint64_t callbacks = callbacks_.load(std::memory_order_relaxed);
    const bool stalled = callbacks == callbacksSeen_;
    callbacksSeen_ = callbacks;
    // PortAudio's host thread ends the stream when a write or wait fails, as ALSA's do once
    // the sound server has gone; its own reason stays on that thread.
    const PaError active = Pa_IsStreamActive(static_cast<PaStream*>(stream_));
    if (active < 0)
        failure_ = Pa_GetErrorText(active);
    else if (active == 0)
        failure_ =
            "the stream ended by itself, as when the sound server quits or the device "
            "is unplugged";
    else if (stalled)
        failure_ = "no sound was asked for in over a second";
    return stalled || active != 1;
}

std::string PortAudioOutput::RenderPriority() const {
    return priorityKnown_.load(std::memory_order_acquire) ? priority_ : std::string();
}

void PortAudioOutput::Stop() {
    if (stopped_) return;
    stopped_ = true;
    // Once closed, the counter's callback no longer runs; what it counted stays readable.
    if (jackXrunCounter_) {
        JackFunctions::Get().close(static_cast<jack_client_t*>(jackXrunCounter_));
        jackXrunCounter_ = nullptr;
    }
    if (stream_) {
        // Waits for a callback under way, so no render runs afterwards; unlike stopping, it
        // does not wait for queued blocks to play, which a lost server would never do.
        Pa_AbortStream(static_cast<PaStream*>(stream_));
        Pa_CloseStream(static_cast<PaStream*>(stream_));
        stream_ = nullptr;
    }
    Pa_Terminate();
}

std::vector<AudioDeviceInfo> ListAudioDevices(std::string* error) {
    std::vector<AudioDeviceInfo> devices;
    QuietAudioLibraries();
    if (PaError e = Pa_Initialize(); e != paNoError) {
        if (error) *error = Pa_GetErrorText(e);
        return devices;
    }
    const PaDeviceIndex defaultDevice = Pa_GetDefaultOutputDevice();
    const PaDeviceIndex count = Pa_GetDeviceCount();
    for (PaDeviceIndex d = 0; d < count; ++d) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(d);
        if (!info || !info->name || info->maxOutputChannels < 1) continue;
        devices.push_back({HostName(info), info->name, d == defaultDevice});
    }
    Pa_Terminate();
    return devices;
}

AudioOpenResult OpenAudioOutput(WaveMapper& mapper, const AudioOutputConfig& config,
                                bool withFallback) {
    AudioOpenResult result;
    std::string why;
    if (auto device = PortAudioOutput::Open(mapper, config, &why)) {
        Log(config, device->Describe());
        result.output = std::move(device);
        return result;
    }
    if (!withFallback) {
        result.problem = why;
        return result;
    }
    std::string chosen;
    if (!config.device.empty()) {
        // The chosen device is gone or busy: the default one plays instead, and says so.
        chosen = why.rfind('"', 0) == 0 ? why : "\"" + config.device + "\" (" + why + ")";
        AudioOutputConfig fallback = config;
        fallback.device.clear();
        if (auto device = PortAudioOutput::Open(mapper, fallback, &why)) {
            Log(config, device->Describe());
            result.output = std::move(device);
            result.problem = "Sound output " + chosen + "; playing on the default device instead.";
            return result;
        }
    }
    auto null = std::make_unique<NullOutput>(mapper, NullOutputConfig{config.framesPerBuffer});
    Log(config, "audio: no output device (" + why + "); " + null->Describe());
    result.problem = "No sound output: " + (chosen.empty() ? why : chosen + ", and " + why) + ".";
    result.output = std::move(null);
    result.silent = true;
    return result;
}

}  // namespace chordlane
