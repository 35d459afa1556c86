#pragma once
// A second JACK client for the tests and the benchmark of the live MIDI port: it connects
// its input to a port and keeps every message that arrives, with the time it was taken in.
// Plain libjack, so that what is read back does not depend on the library the port is
// written with.

#include <jack/jack.h>
#include <jack/midiport.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace chordlane::test {

class JackMidiReader {
  public:
    using Message = std::vector<uint8_t>;
    using Clock = std::chrono::steady_clock;

    //! Connects to the server JACK_DEFAULT_SERVER names (without starting one) and, when
    //! from is not empty, connects that output port to this client's input.
    explicit JackMidiReader(const std::string& from) {
        client_ = jack_client_open("chordlane-test-reader", JackNoStartServer, nullptr);
        if (!client_) {
            error_ = "no JACK server";
            return;
        }
        input_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        if (!input_ || jack_set_process_callback(client_, &JackMidiReader::Process, this) != 0 ||
            jack_activate(client_) != 0) {
            error_ = "cannot make the reader's port";
            return;
        }
        if (!from.empty() && jack_connect(client_, from.c_str(), jack_port_name(input_)) != 0) {
            error_ = "cannot connect " + from;
        }
    }
    ~JackMidiReader() {
        if (client_) jack_client_close(client_);
    }
    JackMidiReader(const JackMidiReader&) = delete;
    JackMidiReader& operator=(const JackMidiReader&) = delete;

    //! Empty when connected; otherwise why not.
    const std::string& Error() const { return error_; }

    //! Waits up to timeout for count messages in all; answers all that came.
    std::vector<Message> Wait(size_t count, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        arrived_.wait_for(lock, timeout, [&] { return received_.size() >= count; });
        return received_;
    }
    //! The first note-on from message number from (counting from 0) on: its number and when
    //! it was taken in. Waits up to timeout for it.
    std::optional<std::pair<size_t, Clock::time_point>> NextNoteOn(
        size_t from, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        size_t found = 0;
        auto arrived = [&] {
            for (size_t i = from; i < received_.size(); ++i) {
                if (!received_[i].empty() && (received_[i][0] & 0xF0) == 0x90) {
                    found = i;
                    return true;
                }
            }
            return false;
        };
        if (!arrived_.wait_for(lock, timeout, arrived)) return std::nullopt;
        return std::pair{found, arrivals_[found]};
    }

  private:
    // Runs on JACK's thread once a period. A test client may lock: nothing here has to keep
    // an audio deadline.
    static int Process(jack_nframes_t frames, void* self) {
        auto* reader = static_cast<JackMidiReader*>(self);
        void* buffer = jack_port_get_buffer(reader->input_, frames);
        const uint32_t count = jack_midi_get_event_count(buffer);
        if (count == 0) return 0;
        const Clock::time_point now = Clock::now();
        std::lock_guard lock(reader->mutex_);
        for (uint32_t i = 0; i < count; ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, buffer, i) != 0) continue;
            reader->received_.emplace_back(event.buffer, event.buffer + event.size);
            reader->arrivals_.push_back(now);
        }
        reader->arrived_.notify_all();
        return 0;
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* input_ = nullptr;
    std::string error_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<Message> received_;
    std::vector<Clock::time_point> arrivals_;
};

}  // namespace chordlane::test
