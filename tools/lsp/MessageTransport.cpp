#include "tools/lsp/MessageTransport.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace chordlane::tool {

namespace {

constexpr size_t READ_CHUNK = 64 * 1024;
constexpr std::string_view LENGTH_HEADER = "content-length:";

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

// The decimal value of a Content-Length header, saturated just above the largest message
// taken; nothing when it is no plain number.
bool ParseLength(std::string_view text, uint64_t& length) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (text.empty()) return false;
    length = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        length = std::min(length * 10 + static_cast<uint64_t>(c - '0'), MAX_MESSAGE_BYTES + 1);
    }
    return true;
}

}  // namespace

int MessageTransport::NextByte() {
    if (next_ >= buffer_.size()) {
        buffer_.resize(READ_CHUNK);
        ssize_t got = 0;
        do {
            got = ::read(in_, buffer_.data(), buffer_.size());
        } while (got < 0 && errno == EINTR);
        if (got <= 0) {
            buffer_.clear();
            next_ = 0;
            return -1;
        }
        buffer_.resize(static_cast<size_t>(got));
        next_ = 0;
    }
    return static_cast<unsigned char>(buffer_[next_++]);
}

bool MessageTransport::ReadHeaderLine(std::string& line, bool& tooLong, bool& sawAny) {
    line.clear();
    tooLong = false;
    for (;;) {
        const int c = NextByte();
        if (c < 0) return false;
        sawAny = true;
        if (c == '\n') break;
        if (line.size() < MAX_HEADER_LINE) {
            line.push_back(static_cast<char>(c));
        } else {
            tooLong = true;
        }
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

bool MessageTransport::Skip(uint64_t count) {
    while (count > 0) {
        if (next_ >= buffer_.size() && NextByte() >= 0) --next_;
        if (next_ >= buffer_.size()) return false;
        const uint64_t take = std::min<uint64_t>(count, buffer_.size() - next_);
        next_ += static_cast<size_t>(take);
        count -= take;
    }
    return true;
}

MessageTransport::Result MessageTransport::Read(std::string& body, std::string& error) {
    body.clear();
    error.clear();
    if (skip_ > 0) {
        const uint64_t count = skip_;
        skip_ = 0;
        if (!Skip(count)) return Result::End;
    }
    bool started = false;  // a header line of this message was read
    bool haveLength = false;
    bool badHeader = false;
    uint64_t length = 0;
    std::string line;
    for (;;) {
        bool tooLong = false;
        bool sawAny = false;
        if (!ReadHeaderLine(line, tooLong, sawAny)) {
            return started || sawAny ? Result::Truncated : Result::End;
        }
        if (line.empty() && !tooLong) {
            // Blank lines between messages are tolerated; the first one after a header ends
            // the block.
            if (started) break;
            continue;
        }
        started = true;
        if (tooLong) {
            badHeader = true;
        } else if (StartsWithIgnoringCase(line, LENGTH_HEADER)) {
            haveLength = ParseLength(std::string_view(line).substr(LENGTH_HEADER.size()), length);
            if (!haveLength) badHeader = true;
        }
        // Other headers (Content-Type) change nothing: the body is UTF-8 JSON either way.
    }
    if (!haveLength) {
        error = badHeader ? "the message header has a malformed or overlong line"
                          : "the message header has no Content-Length";
        return Result::Refused;
    }
    if (length > MAX_MESSAGE_BYTES) {
        error = "the message is larger than the " + std::to_string(MAX_MESSAGE_BYTES >> 20) +
                " MiB the server takes; it is skipped";
        // Skipped at the next read, so that the refusal is answered before the sender has
        // sent it all.
        skip_ = length;
        return Result::Refused;
    }
    // The length is bounded above, so reserving it is safe; a sender that stops short
    // leaves the message truncated rather than the server waiting on a half-filled buffer
    // forever (the end of input ends the wait).
    body.reserve(static_cast<size_t>(length));
    while (body.size() < length) {
        if (next_ >= buffer_.size() && NextByte() >= 0) --next_;
        if (next_ >= buffer_.size()) return Result::Truncated;
        const size_t take =
            std::min(static_cast<size_t>(length - body.size()), buffer_.size() - next_);
        body.append(buffer_, next_, take);
        next_ += take;
    }
    return Result::Message;
}

bool MessageTransport::Write(std::string_view body) {
    const std::string framed =
        "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + std::string(body);
    size_t written = 0;
    while (written < framed.size()) {
        const ssize_t n = ::write(out_, framed.data() + written, framed.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        written += static_cast<size_t>(n);
    }
    return true;
}

bool MessageTransport::InputWaiting() {
    if (next_ < buffer_.size()) return true;
    pollfd fd{in_, POLLIN, 0};
    // The end of input counts as waiting too: reading it will not block.
    return ::poll(&fd, 1, 0) > 0;
}

}  // namespace chordlane::tool
