#pragma once
// The framing of the language server protocol on a pair of file descriptors: every message
// is a header block ("Content-Length: N", maybe "Content-Type: ...", each line ending in
// CR LF, then an empty line) followed by exactly N bytes of JSON. It knows nothing of what
// the bytes say. Input is read with read(2) into a buffer of its own, so that whether more
// input waits can be told without blocking.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace chordlane::tool {

// A message larger than this is refused unread: an editor sends documents, not gigabytes,
// and a wrong length must not make the server reserve memory it cannot have.
inline constexpr uint64_t MAX_MESSAGE_BYTES = uint64_t{64} << 20;
// A header line longer than this is no header; its bytes are skipped up to its line end.
inline constexpr size_t MAX_HEADER_LINE = 1024;

class MessageTransport {
  public:
    enum class Result {
        Message,   // body holds one whole message
        Refused,   // the header block was unusable or announced too large a body; error
                   // says why, and the next read skips such a body first
        End,       // the input ended (or failed) between messages
        Truncated  // the input ended inside a message
    };

    //! Reads from in and writes to out; neither is closed.
    MessageTransport(int in, int out) : in_(in), out_(out) {}

    //! Reads the next message into body, or says why there is none.
    Result Read(std::string& body, std::string& error);
    //! Writes body as one framed message; answers false when the output is gone.
    bool Write(std::string_view body);
    //! Whether input is waiting already, so reading it now would not block.
    bool InputWaiting();

  private:
    //! One more byte of input, or -1 at its end.
    int NextByte();
    //! Reads one header line without its CR LF; false at the end of input. A line too long
    //! is cut and tooLong set.
    bool ReadHeaderLine(std::string& line, bool& tooLong, bool& sawAny);
    //! Skips count bytes of input; false when it ended first.
    bool Skip(uint64_t count);

    int in_;
    int out_;
    std::string buffer_;
    size_t next_ = 0;
    uint64_t skip_ = 0;  // the bytes of a refused body still to be skipped
};

}  // namespace chordlane::tool
