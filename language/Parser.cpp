#include "language/Parser.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "elements/EllipseButtonElement.h"
#include "elements/EllipseElement.h"
#include "elements/GroupElement.h"
#include "elements/HiddenButtonElement.h"
#include "elements/ImageElement.h"
#include "elements/Instrument.h"
#include "elements/PanelElement.h"
#include "elements/PlayAction.h"
#include "elements/RectButtonElement.h"
#include "elements/RectElement.h"
#include "elements/SetFlagAction.h"
#include "elements/SetIntAction.h"
#include "elements/SetRectAction.h"
#include "elements/SetStringAction.h"
#include "elements/SoundElement.h"
#include "elements/StopAction.h"
#include "elements/TextElement.h"
#include "elements/VoiceElement.h"
#include "language/Include.h"
#include "language/NameRegistry.h"
#include "language/Scanner.h"
#include "language/TextReader.h"
#include "platform/Text.h"

namespace chordlane {

int32_t LineCounter::Take(const char16_t* chunk) {
    const int32_t number = next_;
    const size_t length = std::char_traits<char16_t>::length(chunk);
    // A chunk that stops short of its line feed was cut at the buffer size; the rest of the
    // physical line follows as the next chunk.
    if (length > 0 && chunk[length - 1] == u'\n' && next_ < std::numeric_limits<int32_t>::max()) {
        ++next_;
    }
    return number;
}

namespace {

// Coordinates are 32-bit values that wrap as the machine words of the file format did; the
// arithmetic is done unsigned so that wild input has no undefined behaviour.
int32_t WrapAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

int32_t Scale(int32_t value, int32_t screen, int32_t design) {
    const auto product =
        static_cast<int32_t>(static_cast<uint32_t>(value) * static_cast<uint32_t>(screen));
    // INT32_MIN / -1 does not fit; the wrapped quotient is INT32_MIN again.
    if (design == -1) return static_cast<int32_t>(0u - static_cast<uint32_t>(product));
    return product / design;
}

// How a directive line ends for its level.
enum class Flow { Next, CloseLevel, EndOfInput, Abort };

// The line being handled: the level's context, the argument position and the line number.
struct Line {
    ParseContext& ctx;
    int pos;
    int32_t number;
    std::u16string_view directive;
};

Instrument& Target(const Line& l) { return l.ctx.parser->Target(); }

bool Aborted(const Line& l) { return Target(l).loadStatus == LOAD_ABORTED; }

void Skip(Line& l, std::string_view reason) {
    if (!l.ctx.listener) return;
    String text(l.directive);
    text += u": ";
    text += Ascii(reason);
    l.ctx.listener->SkippedLine(l.ctx.fileName, l.number, text);
}

// Adds the element by the adding rule; answers it, or null when there is nowhere to put it
// (no root panel) and it was destroyed.
Element* AddElement(Line& l, std::unique_ptr<Element> element) {
    Element* added = element.get();
    if (l.ctx.container) {
        l.ctx.container->Add(std::move(element));
    } else if (l.ctx.panel) {
        l.ctx.panel->Add(std::move(element));
    } else if (Target(l).root) {
        Target(l).root->Add(std::move(element));
    } else {
        return nullptr;
    }
    if (added->GetKind() & (KIND_SOUND | KIND_IMAGE)) added->SetOrigin(l.ctx.fileName, l.number);
    if (l.ctx.listener) l.ctx.listener->ElementBuilt(*added, l.ctx.panel, l.ctx.fileName, l.number);
    return added;
}

// NAME tokens: a missing one skips the line.
bool ReadName(Line& l, String& name, std::string_view what = "NAME") {
    const char16_t* token = NextToken(l.ctx.line, l.pos);
    if (!token) {
        Skip(l, "missing " + std::string(what));
        return false;
    }
    name = token;
    return true;
}

// X Y W H, placed on the screen; null (the line reported) when one of them is missing.
std::unique_ptr<Rect> ReadRect(Line& l, const PanelElement* panel) {
    static constexpr const char* kNames[] = {"X", "Y", "W", "H"};
    std::array<int32_t, 4> v{};
    for (size_t i = 0; i < v.size(); ++i) {
        v[i] = NextInt(l.ctx.line, l.pos);
        if (v[i] == NO_VALUE) {
            Skip(l, std::string("missing ") + kNames[i] + " of the rectangle X Y W H");
            return nullptr;
        }
    }
    auto rect = std::make_unique<Rect>(Rect{v[0], v[1], WrapAdd(v[0], v[2]), WrapAdd(v[1], v[3])});
    l.ctx.parser->PlaceRect(*rect, panel, l.ctx.designWidth, l.ctx.designHeight);
    return rect;
}

Flow ParseShape(Line& l, bool ellipse) {
    String name;
    if (!ReadName(l, name)) return Flow::Next;
    auto bounds = ReadRect(l, l.ctx.panel);
    if (!bounds) return Flow::Next;
    if (ellipse) {
        AddElement(l, std::make_unique<EllipseElement>(Target(l), l.ctx.parser->QualifyName(name),
                                                       std::move(bounds)));
    } else {
        AddElement(l, std::make_unique<RectElement>(Target(l), l.ctx.parser->QualifyName(name),
                                                    std::move(bounds)));
    }
    return Flow::Next;
}

Flow ParseEllipse(Line& l) { return ParseShape(l, true); }
Flow ParseRectangle(Line& l) { return ParseShape(l, false); }

Flow ParseImage(Line& l) {
    String name;
    String file;
    if (!ReadName(l, name) || !ReadName(l, file, "FILE")) return Flow::Next;
    auto bounds = ReadRect(l, l.ctx.panel);
    if (!bounds) return Flow::Next;
    AddElement(l, std::make_unique<ImageElement>(Target(l), l.ctx.parser->QualifyName(name), file,
                                                 std::move(bounds)));
    return Flow::Next;
}

Flow ParseText(Line& l) {
    String name;
    String text;
    if (!ReadName(l, name) || !ReadName(l, text, "TEXT")) return Flow::Next;
    auto bounds = ReadRect(l, l.ctx.panel);
    if (!bounds) return Flow::Next;
    AddElement(l, std::make_unique<TextElement>(Target(l), l.ctx.parser->QualifyName(name), text,
                                                std::move(bounds)));
    return Flow::Next;
}

template <typename Button>
Flow ParseButton(Line& l) {
    String name;
    if (!ReadName(l, name)) return Flow::Next;
    auto bounds = ReadRect(l, l.ctx.panel);
    if (!bounds) return Flow::Next;
    auto button = std::make_unique<Button>(Target(l), l.ctx.parser->QualifyName(name));
    button->SetBounds(std::move(bounds));
    AddElement(l, std::move(button));
    return Flow::Next;
}

Flow ParseHiddenButton(Line& l) {
    String name;
    if (!ReadName(l, name)) return Flow::Next;
    // Event names carry no panel prefix: a hidden button keeps its name as written.
    if (!name.empty() && name[0] == u'!') name.erase(0, 1);
    AddElement(l, std::make_unique<HiddenButtonElement>(Target(l), name));
    return Flow::Next;
}

Flow ParseVoice(Line& l) {
    String name;
    if (!ReadName(l, name)) return Flow::Next;
    AddElement(l, std::make_unique<VoiceElement>(Target(l), l.ctx.parser->QualifyName(name)));
    return Flow::Next;
}

// The reason a file argument gave no file, for the listener.
void SkipNoFile(Line& l, const FileArgument& file) {
    switch (file.result) {
        case FileArgument::Result::Missing:
            Skip(l, "missing FILE");
            break;
        case FileArgument::Result::MissingFilter:
            Skip(l, "missing FILTER after '?'");
            break;
        case FileArgument::Result::Cancelled:
            Skip(l, "no FILE: the prompt was cancelled");
            break;
        case FileArgument::Result::Skipped:
            Skip(l, "no FILE: prompts are skipped after a cancelled one");
            break;
        case FileArgument::Result::File:
            break;
    }
}

Flow ParseSound(Line& l) {
    String name;
    if (!ReadName(l, name)) return Flow::Next;
    bool quiet = false;
    if (PeekChar(l.ctx.line, l.pos) == u'*') {
        quiet = true;
        ++l.pos;
    }
    const FileArgument file = ReadFileArgument(Target(l), l.ctx.line, l.pos, l.ctx.answers);
    if (file.result != FileArgument::Result::File) {
        SkipNoFile(l, file);
        return Aborted(l) ? Flow::Abort : Flow::Next;
    }
    const float frequency = NextReal(l.ctx.line, l.pos);
    if (frequency == NO_REAL) {
        Skip(l, "missing FREQ");
        return Flow::Next;
    }
    const int32_t low = NextInt(l.ctx.line, l.pos);
    if (low == NO_VALUE) {
        Skip(l, "missing LOW");
        return Flow::Next;
    }
    const int32_t high = NextInt(l.ctx.line, l.pos);
    if (high == NO_VALUE) {
        Skip(l, "missing HIGH");
        return Flow::Next;
    }
    AddElement(l, std::make_unique<SoundElement>(Target(l), l.ctx.parser->QualifyName(name),
                                                 l.ctx.fileName, file.name, frequency,
                                                 low < 0 ? -low : low, high, quiet));
    return Flow::Next;
}

Flow ParseLevel(ParseContext& ctx);

Flow ParseBlock(Line& l) {
    // "{ chord }" on one line is an empty group; what follows the '}' is not read.
    bool closed = false;
    for (char16_t* p = l.ctx.line + l.pos; *p; ++p) {
        if (*p == u'}') {
            *p = 0;
            closed = true;
            break;
        }
    }
    String name;
    if (!ReadName(l, name)) return Flow::Next;
    const int32_t maxNesting = l.ctx.parser->Limits().maxNesting;
    if (!closed && l.ctx.depth + 1 > maxNesting) {
        Skip(l, "blocks and includes nested deeper than " + std::to_string(maxNesting) + " levels");
        return Flow::Next;
    }
    auto group = std::make_unique<GroupElement>(Target(l), l.ctx.parser->QualifyName(name));
    auto* added = static_cast<GroupElement*>(AddElement(l, std::move(group)));
    if (closed) return Flow::Next;

    ParseContext inner = l.ctx;
    inner.container = added;
    inner.depth = l.ctx.depth + 1;
    const Flow end = ParseLevel(inner);
    // The reader is shared: once it is exhausted inside the block, the whole file is.
    if (end == Flow::EndOfInput) return Flow::EndOfInput;
    if (end == Flow::Abort || Aborted(l)) return Flow::Abort;
    return Flow::Next;
}

Flow ParseBlockEnd(Line&) { return Flow::CloseLevel; }

Flow ParsePanel(Line& l) {
    String name;
    if (!ReadName(l, name)) return Flow::Next;
    // Panel bounds are always relative to the screen, never to the open panel.
    auto bounds = ReadRect(l, nullptr);
    if (!bounds) return Flow::Next;
    if (!Target(l).root) {
        Skip(l, "no instrument is being loaded");
        return Flow::Next;
    }
    ParseState& state = l.ctx.parser->State();
    if (state.panelCounter < std::numeric_limits<int32_t>::max()) ++state.panelCounter;
    state.currentPanelNumber = state.panelCounter;
    auto panel =
        std::make_unique<PanelElement>(Target(l), name, std::move(bounds), state.panelCounter);
    PanelElement* added = panel.get();
    Target(l).root->Add(std::move(panel));
    Target(l).names.Register(name, added);
    if (l.ctx.listener) l.ctx.listener->ElementBuilt(*added, nullptr, l.ctx.fileName, l.number);
    l.ctx.panel = added;
    return Flow::Next;
}

Flow ParsePanelEnd(Line& l) {
    l.ctx.panel = nullptr;
    l.ctx.parser->State().currentPanelNumber = 0;
    return Flow::Next;
}

Flow ParseStop(Line& l) {
    String name;
    if (!ReadName(l, name)) return Flow::Next;
    AddElement(l, std::make_unique<StopAction>(Target(l), l.ctx.parser->QualifyName(name, u"<")));
    return Flow::Next;
}

Flow ParsePlay(Line& l) {
    String name;
    if (!ReadName(l, name)) return Flow::Next;
    const int32_t value = NextInt(l.ctx.line, l.pos);
    AddElement(
        l, std::make_unique<PlayAction>(Target(l), l.ctx.parser->QualifyName(name, u">"), value));
    return Flow::Next;
}

// TARGET.PROP of the '=' directives. A missing TARGET is "!": the action then has no target
// and its name is the suffix alone.
bool ReadTargetProperty(Line& l, String& target, String& property) {
    char16_t* line = l.ctx.line;
    char16_t* dot = nullptr;
    for (char16_t* p = line + l.pos; *p; ++p) {
        if (*p == u'.') {
            dot = p;
            break;
        }
    }
    if (!dot) {
        Skip(l, "no '.' between TARGET and PROP");
        return false;
    }
    *dot = 0;
    const char16_t* targetToken = NextToken(line, l.pos);
    target = targetToken ? String(targetToken) : String(u"!");
    l.pos = static_cast<int>(dot - line) + 1;
    const char16_t* propertyToken = NextToken(line, l.pos);
    if (!propertyToken) {
        Skip(l, "missing PROP after '.'");
        return false;
    }
    property = propertyToken;
    return true;
}

Flow ParseSetFlag(Line& l) {
    String target;
    String property;
    if (!ReadTargetProperty(l, target, property)) return Flow::Next;
    // Only the first character counts, quotes included: '"f"' is true.
    const bool value = PeekChar(l.ctx.line, l.pos) != u'f';
    AddElement(l, std::make_unique<SetFlagAction>(
                      Target(l), l.ctx.parser->QualifyName(target, u"=b"), property, value));
    return Flow::Next;
}

Flow ParseSetInt(Line& l) {
    String target;
    String property;
    if (!ReadTargetProperty(l, target, property)) return Flow::Next;
    if (PeekChar(l.ctx.line, l.pos) == u'+') {
        ++l.pos;
        const int32_t step = NextInt(l.ctx.line, l.pos);
        if (step == NO_VALUE) {
            Skip(l, "missing STEP after '+'");
            return Flow::Next;
        }
        const int32_t restart = NextInt(l.ctx.line, l.pos);
        const int32_t limit = NextInt(l.ctx.line, l.pos);
        AddElement(
            l, std::make_unique<SetIntAction>(Target(l), l.ctx.parser->QualifyName(target, u"=i"),
                                              property, step, limit, restart));
        return Flow::Next;
    }
    const int32_t value = NextInt(l.ctx.line, l.pos);
    if (value == NO_VALUE) {
        Skip(l, "missing VALUE");
        return Flow::Next;
    }
    AddElement(l, std::make_unique<SetIntAction>(
                      Target(l), l.ctx.parser->QualifyName(target, u"=i"), property, value));
    return Flow::Next;
}

Flow ParseSetRect(Line& l) {
    String target;
    String property;
    if (!ReadTargetProperty(l, target, property)) return Flow::Next;
    auto rect = ReadRect(l, l.ctx.panel);
    if (!rect) return Flow::Next;
    AddElement(l,
               std::make_unique<SetRectAction>(Target(l), l.ctx.parser->QualifyName(target, u"=r"),
                                               property, std::move(rect)));
    return Flow::Next;
}

// The decimal value after a leading '+', as a C library conversion reads it: optional sign,
// digits, saturating; 0 when there are no digits.
int32_t StepValue(std::u16string_view text) {
    size_t i = 1;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > int64_t{1} << 31) value = int64_t{1} << 31;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

Flow ParseSetString(Line& l) {
    String target;
    String property;
    if (!ReadTargetProperty(l, target, property)) return Flow::Next;
    const bool doubleQuoted = PeekChar(l.ctx.line, l.pos) == u'"';
    const char16_t* token = NextToken(l.ctx.line, l.pos);
    if (!token) {
        Skip(l, "missing VALUE");
        return Flow::Next;
    }
    const std::u16string_view value(token);
    if (!value.empty() && value[0] == u'+') {
        const int32_t step = StepValue(value);
        if (step != 0) {
            // A step written as a string value becomes an integer action, named as one.
            AddElement(l, std::make_unique<SetIntAction>(Target(l),
                                                         l.ctx.parser->QualifyName(target, u"=i"),
                                                         property, step, NO_VALUE, NO_VALUE));
        } else {
            AddElement(
                l, std::make_unique<SetStringAction>(
                       Target(l), l.ctx.parser->QualifyName(target, u"=s"), property, String()));
        }
        return Flow::Next;
    }
    // String values are mostly element names, so they get the panel prefix unless written
    // in double quotes.
    String text = doubleQuoted ? String(value) : l.ctx.parser->QualifyName(value);
    AddElement(
        l, std::make_unique<SetStringAction>(Target(l), l.ctx.parser->QualifyName(target, u"=s"),
                                             property, std::move(text)));
    return Flow::Next;
}

Flow ParseDesignSize(Line& l) {
    const int32_t width = NextInt(l.ctx.line, l.pos);
    const int32_t height = NextInt(l.ctx.line, l.pos);
    // 0 counts as absent, so that placing a rectangle never divides by zero.
    l.ctx.designWidth = (width == NO_VALUE || width == 0) ? Target(l).screen.width : width;
    l.ctx.designHeight = (height == NO_VALUE || height == 0) ? Target(l).screen.height : height;
    return Flow::Next;
}

Flow ParseInclude(Line& l) {
    const FileArgument file = ReadFileArgument(Target(l), l.ctx.line, l.pos, l.ctx.answers);
    if (file.result != FileArgument::Result::File) {
        SkipNoFile(l, file);
        return Aborted(l) ? Flow::Abort : Flow::Next;
    }
    const ParseLimits& limits = l.ctx.parser->Limits();
    if (l.ctx.parser->State().filesIncluded >= limits.maxIncludedFiles) {
        Skip(l, "more than " + std::to_string(limits.maxIncludedFiles) +
                    " includes in one instrument: " + ToUtf8(file.name));
        return Flow::Next;
    }
    ++l.ctx.parser->State().filesIncluded;
    if (l.ctx.includeDepth + 1 > limits.maxIncludeDepth) {
        Skip(l, "includes nested deeper than " + std::to_string(limits.maxIncludeDepth) +
                    " files: " + ToUtf8(file.name));
        return Flow::Next;
    }
    if (l.ctx.depth + 1 > limits.maxNesting) {
        Skip(l, "blocks and includes nested deeper than " + std::to_string(limits.maxNesting) +
                    " levels");
        return Flow::Next;
    }
    if (!IncludeFile(l.ctx, file.name) && l.ctx.listener) {
        l.ctx.listener->MissingInclude(l.ctx.fileName, l.number, file.name);
    }
    return Aborted(l) ? Flow::Abort : Flow::Next;
}

using Handler = Flow (*)(Line&);

struct Directive {
    std::u16string_view name;  // its length is where the arguments start
    Handler handler;
};

constexpr Directive kDirectives[] = {
    {u"ge", ParseEllipse},
    {u"gr", ParseRectangle},
    {u"gi", ParseImage},
    {u"gt", ParseText},
    {u"be", ParseButton<EllipseButtonElement>},
    {u"br", ParseButton<RectButtonElement>},
    {u"bh", ParseHiddenButton},
    {u"v", ParseVoice},
    {u"s", ParseSound},
    {u"{", ParseBlock},
    {u"}", ParseBlockEnd},
    {u"[", ParsePanel},
    {u"]", ParsePanelEnd},
    {u"<", ParseStop},
    {u">", ParsePlay},
    {u"=b", ParseSetFlag},
    {u"=i", ParseSetInt},
    {u"=r", ParseSetRect},
    {u"=s", ParseSetString},
    {u"d", ParseDesignSize},
    {u"i", ParseInclude},
};

// Every first character that selects a directive; the others start comments.
bool IsDirectiveChar(char16_t c) {
    return c != 0 && std::u16string_view(u"gb=[]<>disv{}").find(c) != std::u16string_view::npos;
}

// Two-character directives are selected by their first character alone; an unknown second
// character leaves the line without meaning.
const Directive* FindDirective(const char16_t* line) {
    for (const Directive& d : kDirectives) {
        if (line[0] != d.name[0]) continue;
        if (d.name.size() == 1 || line[1] == d.name[1]) return &d;
    }
    return nullptr;
}

void ReportIndented(const ParseContext& ctx, int32_t number) {
    if (!ctx.listener) return;
    const char16_t* p = ctx.line;
    while (*p == u' ' || *p == u'\t') ++p;
    if (!IsDirectiveChar(*p)) return;
    String directive(1, p[0]);
    if ((p[0] == u'g' || p[0] == u'b' || p[0] == u'=') && p[1] != 0) directive += p[1];
    ctx.listener->IndentedDirective(ctx.fileName, number, directive);
}

Flow ParseLevel(ParseContext& ctx) {
    for (;;) {
        if (!ctx.reader->ReadLine(ctx.line, LINE_BUFFER_SIZE)) return Flow::EndOfInput;
        const int32_t number = ctx.lines ? ctx.lines->Take(ctx.line) : 0;
        // Past the bound every level of every file ends as if its input had ended; what was
        // built so far stays.
        ParseState& state = ctx.parser->State();
        const int64_t maxLines = ctx.parser->Limits().maxLoadLines;
        if (++state.linesRead > maxLines) {
            if (state.linesRead == maxLines + 1 && ctx.listener) {
                ctx.listener->SkippedLine(ctx.fileName, number,
                                          u"the instrument is longer than " +
                                              Ascii(std::to_string(maxLines)) +
                                              u" lines: the rest is not read");
            }
            return Flow::EndOfInput;
        }
        StripLineEnd(ctx.line);
        const char16_t first = ctx.line[0];
        if (first == u' ' || first == u'\t') {
            ReportIndented(ctx, number);
            continue;
        }
        if (!IsDirectiveChar(first)) continue;
        const Directive* directive = FindDirective(ctx.line);
        if (!directive) {
            if (ctx.listener) {
                String text(1, first);
                if (ctx.line[1] != 0) text += ctx.line[1];
                ctx.listener->SkippedLine(ctx.fileName, number,
                                          u"unknown directive \"" + text + u"\"");
            }
            continue;
        }
        Line line{ctx, static_cast<int>(directive->name.size()), number, directive->name};
        switch (directive->handler(line)) {
            case Flow::Next:
                break;
            case Flow::CloseLevel:
                return Flow::CloseLevel;
            case Flow::EndOfInput:
                return Flow::EndOfInput;
            case Flow::Abort:
                return Flow::Abort;
        }
    }
}

}  // namespace

void ParseLines(ParseContext context) {
    if (!context.reader || !context.line || !context.parser) return;
    ParseLevel(context);
}

Parser::Parser(Instrument& instrument, ParseListener* listener, ParseLimits limits)
    : instrument_(instrument), listener_(instrument.listeners, listener), limits_(limits) {}

ParseContext Parser::TopLevel() {
    ParseContext top;
    top.parser = this;
    top.fileName = instrument_.homeFolder;
    top.designWidth = instrument_.screen.width;
    top.designHeight = instrument_.screen.height;
    top.listener = &instrument_.listeners;
    return top;
}

bool Parser::ParseFile(const String& path) { return IncludeFile(TopLevel(), path); }

namespace {

// Text held in memory, read like a file on disk (the memory reader reads packed text only).
class TextInMemory : public File {
  public:
    explicit TextInMemory(std::string_view text) : text_(text) {}
    size_t Read(void* buffer, size_t size) override {
        const size_t count = std::min(size, text_.size() - next_);
        std::memcpy(buffer, text_.data() + next_, count);
        next_ += count;
        return count;
    }
    size_t Write(const void*, size_t) override { return 0; }
    bool Seek(int64_t position) override {
        if (position < 0 || static_cast<uint64_t>(position) > text_.size()) return false;
        next_ = static_cast<size_t>(position);
        return true;
    }
    int64_t Size() override { return static_cast<int64_t>(text_.size()); }

  private:
    std::string_view text_;
    size_t next_ = 0;
};

}  // namespace

void Parser::ParseString(std::string_view text, const String& fileName) {
    TextReader reader(std::make_unique<TextInMemory>(text));
    std::array<char16_t, LINE_BUFFER_SIZE> line{};
    LineCounter lines(1);
    ParseContext context = TopLevel();
    context.reader = &reader;
    context.fileName = fileName;
    context.line = line.data();
    context.lines = &lines;
    ParseLines(context);
}

String Parser::QualifyName(std::u16string_view name, std::u16string_view suffix) const {
    String result;
    if (!name.empty() && name[0] == u'!') {
        result = name.substr(1);
    } else {
        const int32_t number = state_.currentPanelNumber;
        // Past the 26th panel the prefixes run on beyond 'Z' as 16-bit characters.
        if (number != 0) {
            result.push_back(static_cast<char16_t>(64u + static_cast<uint32_t>(number)));
        }
        result += name;
    }
    result += suffix;
    if (result.size() > MAX_QUALIFIED_NAME) result.resize(MAX_QUALIFIED_NAME);
    return result;
}

void Parser::PlaceRect(Rect& rect, const PanelElement* panel, int32_t designWidth,
                       int32_t designHeight) const {
    const int32_t screenWidth = instrument_.screen.width;
    const int32_t screenHeight = instrument_.screen.height;
    const int32_t dw = designWidth != 0 ? designWidth : screenWidth;
    const int32_t dh = designHeight != 0 ? designHeight : screenHeight;
    // With no screen measured yet there is nothing to scale to; coordinates stay as written.
    if (dw != 0) {
        rect.left = Scale(rect.left, screenWidth, dw);
        rect.right = Scale(rect.right, screenWidth, dw);
    }
    if (dh != 0) {
        rect.top = Scale(rect.top, screenHeight, dh);
        rect.bottom = Scale(rect.bottom, screenHeight, dh);
    }
    if (!panel || !panel->Bounds()) return;
    const Rect& p = *panel->Bounds();
    rect.left = std::max(WrapAdd(rect.left, p.left), p.left);
    rect.top = std::max(WrapAdd(rect.top, p.top), p.top);
    rect.right = std::min(WrapAdd(rect.right, p.left), p.right);
    rect.bottom = std::min(WrapAdd(rect.bottom, p.top), p.bottom);
}

}  // namespace chordlane
