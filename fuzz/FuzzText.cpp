// The readers and the token scanner on any bytes. Two things must hold besides safety: a plain
// file reads exactly as its whole text decoded at once (streaming changes nothing), and its
// packed form (what "chordlane-tool pack" writes) reads exactly as the plain file.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz/FuzzEnvironment.h"
#include "language/MemoryTextReader.h"
#include "language/Packer.h"
#include "language/Parser.h"
#include "language/Scanner.h"
#include "language/TextReader.h"
#include "platform/Text.h"

using namespace chordlane;
using namespace chordlane::fuzz;

namespace {

// Takes every line of the reader apart the ways the parser does; answers the text delivered.
// A character U+FFFF cannot be pushed back (it reads as the end of the input), so the
// push-back is left out for texts that hold one.
String ReadAll(TextReader& reader, bool scan, bool peek) {
    String text;
    char16_t line[LINE_BUFFER_SIZE];
    for (int round = 0;; ++round) {
        // Now and then a character is read and pushed back, as the answer search does.
        if (peek && round % 3 == 1) {
            const char16_t c = reader.ReadChar();
            if (c == END_OF_TEXT) break;
            reader.UnreadChar(c);
        }
        const int length = reader.ReadLineLength(line, LINE_BUFFER_SIZE);
        if (length < 0) break;
        text.append(line, static_cast<size_t>(length));
        if (!scan) continue;
        StripLineEnd(line);
        char16_t copy[LINE_BUFFER_SIZE];
        for (int way = 0; way < 5; ++way) {
            std::copy(line, line + LINE_BUFFER_SIZE, copy);
            int pos = way == 0 ? 0 : 1;
            for (int step = 0; step < LINE_BUFFER_SIZE && copy[pos]; ++step) {
                const int before = pos;
                switch ((way + step) % 5) {
                    case 0:
                        NextToken(copy, pos);
                        break;
                    case 1:
                        NextInt(copy, pos);
                        break;
                    case 2:
                        NextReal(copy, pos);
                        break;
                    case 3:
                        NextRect(copy, pos);
                        break;
                    case 4:
                        PeekChar(copy, pos);
                        if (copy[pos]) ++pos;
                        break;
                }
                if (pos < before || pos >= LINE_BUFFER_SIZE) std::abort();
                if (pos == before) break;
            }
        }
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzEnvironment env;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const PlainBody body = SplitPlainFile(FromUtf8(bytes));
    const bool peek = body.text.find(END_OF_TEXT) == String::npos;

    env.files->Add(u"/t.clx", bytes);
    TextReader plain(env.instrument.load, u"/t.clx", String());
    const String delivered = ReadAll(plain, true, peek && !body.packed);

    MemoryTextReader memory({data, size});
    ReadAll(memory, true, false);
    if (body.packed != plain.IsPacked()) std::abort();
    if (!body.packed) {
        if (delivered != body.text) std::abort();
        const std::vector<uint8_t> packed = PackFile(body.text);
        env.files->Add(u"/p.clx", packed);
        TextReader again(env.instrument.load, u"/p.clx", String());
        if (!again.IsPacked() || ReadAll(again, false, peek) != body.text) std::abort();
    }
    return 0;
}
