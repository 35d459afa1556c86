#include "language/Parser.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "language/Include.h"
#include "language/Scanner.h"
#include "language/TextReader.h"
#include "platform/Text.h"
#include "platform/TextInMemory.h"

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

// How a directive line ends for its level.
enum class Flow { Next, CloseLevel, EndOfInput, Abort };

// The fields a kind needs, in the order written; each is checked as it is read, so the
// first one missing names the line's reason (and a file prompt comes before what follows).
enum class Field : uint8_t {
    End,             // no more fields
    Name,            // NAME
    File,            // FILE, a plain token
    Text,            // TEXT
    Rect,            // X Y W H
    Quiet,           // an optional '*'
    FileArgument,    // FILE, or ?FILTER [TITLE] prompting the user
    Frequency,       // FREQ
    Low,             // LOW
    High,            // HIGH
    OptionalValue,   // [VALUE]
    TargetProperty,  // TARGET.PROP
    FlagValue,       // [VALUE], true unless it begins with 'f'
    IntValue,        // VALUE, or +STEP [RESTART [LIMIT]]
    StringValue,     // VALUE, a step when it begins with '+'
};

struct DirectiveForm {
    std::u16string_view keyword;  // its length is where the arguments start
    DirectiveKind kind;
    std::array<Field, 6> fields;
};

using F = Field;
using K = DirectiveKind;

constexpr DirectiveForm kDirectives[] = {
    {u"ge", K::Ellipse, {F::Name, F::Rect}},
    {u"gr", K::Rectangle, {F::Name, F::Rect}},
    {u"gi", K::Image, {F::Name, F::File, F::Rect}},
    {u"gt", K::Text, {F::Name, F::Text, F::Rect}},
    {u"be", K::EllipseButton, {F::Name, F::Rect}},
    {u"br", K::RectButton, {F::Name, F::Rect}},
    {u"bh", K::HiddenButton, {F::Name}},
    {u"v", K::Voice, {F::Name}},
    {u"s", K::Sound, {F::Name, F::Quiet, F::FileArgument, F::Frequency, F::Low, F::High}},
    {u"{", K::Block, {F::Name}},
    {u"}", K::BlockEnd, {}},
    {u"[", K::Panel, {F::Name, F::Rect}},
    {u"]", K::PanelEnd, {}},
    {u"<", K::Stop, {F::Name}},
    {u">", K::Play, {F::Name, F::OptionalValue}},
    {u"=b", K::SetFlag, {F::TargetProperty, F::FlagValue}},
    {u"=i", K::SetInt, {F::TargetProperty, F::IntValue}},
    {u"=r", K::SetRect, {F::TargetProperty, F::Rect}},
    {u"=s", K::SetString, {F::TargetProperty, F::StringValue}},
    {u"d", K::DesignSize, {}},
    {u"i", K::Include, {}},
};

// The line being handled: the level's context, the argument position and the line number.
struct Line {
    ParseContext& ctx;
    int pos;
    int32_t number;
    std::u16string_view directive;
};

LoadState& Load(const Line& l) { return l.ctx.parser->Load(); }

bool Aborted(const Line& l) { return Load(l).status == LOAD_ABORTED; }

void Skip(Line& l, std::string_view reason) {
    String text(l.directive);
    text += u": ";
    text += Ascii(reason);
    Load(l).listeners.SkippedLine(l.ctx.fileName, l.number, text);
}

// How reading a field ended.
enum class Read { Done, Skipped, Aborted };

Read Missing(Line& l, std::string_view what) {
    Skip(l, "missing " + std::string(what));
    return Read::Skipped;
}

Read ReadToken(Line& l, String& into, std::string_view what) {
    const char16_t* token = NextToken(l.ctx.line, l.pos);
    if (!token) return Missing(l, what);
    into = token;
    return Read::Done;
}

Read ReadRect(Line& l, RectFields& rect) {
    static constexpr const char* kNames[] = {"X", "Y", "W", "H"};
    int32_t* v[] = {&rect.x, &rect.y, &rect.w, &rect.h};
    for (size_t i = 0; i < 4; ++i) {
        *v[i] = NextInt(l.ctx.line, l.pos);
        if (*v[i] == NO_VALUE) {
            return Missing(l, std::string(kNames[i]) + " of the rectangle X Y W H");
        }
    }
    return Read::Done;
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

// A file argument that may prompt: a cancelled prompt may abort the whole load.
Read ReadPrompted(Line& l, String& into) {
    const FileArgument file = ReadFileArgument(Load(l), l.ctx.line, l.pos, l.ctx.answers);
    if (file.result != FileArgument::Result::File) {
        SkipNoFile(l, file);
        return Aborted(l) ? Read::Aborted : Read::Skipped;
    }
    into = file.name;
    return Read::Done;
}

// TARGET.PROP of the '=' directives. A missing TARGET is "!": the action then has no target
// and its name is the suffix alone.
Read ReadTargetProperty(Line& l, String& target, String& property) {
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
        return Read::Skipped;
    }
    *dot = 0;
    const char16_t* targetToken = NextToken(line, l.pos);
    target = targetToken ? String(targetToken) : String(u"!");
    l.pos = static_cast<int>(dot - line) + 1;
    const char16_t* propertyToken = NextToken(line, l.pos);
    if (!propertyToken) {
        Skip(l, "missing PROP after '.'");
        return Read::Skipped;
    }
    property = propertyToken;
    return Read::Done;
}

Read ReadIntValue(Line& l, Directive& d) {
    if (PeekChar(l.ctx.line, l.pos) == u'+') {
        ++l.pos;
        d.step = true;
        d.value = NextInt(l.ctx.line, l.pos);
        if (d.value == NO_VALUE) return Missing(l, "STEP after '+'");
        d.restart = NextInt(l.ctx.line, l.pos);
        d.limit = NextInt(l.ctx.line, l.pos);
        return Read::Done;
    }
    d.value = NextInt(l.ctx.line, l.pos);
    if (d.value == NO_VALUE) return Missing(l, "VALUE");
    return Read::Done;
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

Read ReadStringValue(Line& l, Directive& d) {
    d.quoted = PeekChar(l.ctx.line, l.pos) == u'"';
    if (ReadToken(l, d.text, "VALUE") != Read::Done) return Read::Skipped;
    if (!d.text.empty() && d.text[0] == u'+') {
        d.step = true;
        d.value = StepValue(d.text);
    }
    return Read::Done;
}

Read ReadField(Line& l, Field field, Directive& d) {
    switch (field) {
        case F::End:
            return Read::Done;
        case F::Name:
            return ReadToken(l, d.name, "NAME");
        case F::File:
            return ReadToken(l, d.text, "FILE");
        case F::Text:
            return ReadToken(l, d.text, "TEXT");
        case F::Rect:
            return ReadRect(l, d.rect);
        case F::Quiet:
            if (PeekChar(l.ctx.line, l.pos) == u'*') {
                d.quiet = true;
                ++l.pos;
            }
            return Read::Done;
        case F::FileArgument:
            return ReadPrompted(l, d.text);
        case F::Frequency:
            d.frequency = NextReal(l.ctx.line, l.pos);
            return d.frequency == NO_REAL ? Missing(l, "FREQ") : Read::Done;
        case F::Low:
            d.low = NextInt(l.ctx.line, l.pos);
            return d.low == NO_VALUE ? Missing(l, "LOW") : Read::Done;
        case F::High:
            d.high = NextInt(l.ctx.line, l.pos);
            return d.high == NO_VALUE ? Missing(l, "HIGH") : Read::Done;
        case F::OptionalValue:
            d.value = NextInt(l.ctx.line, l.pos);
            return Read::Done;
        case F::TargetProperty:
            return ReadTargetProperty(l, d.name, d.property);
        case F::FlagValue:
            // Only the first character counts, quotes included: '"f"' is true.
            d.flag = PeekChar(l.ctx.line, l.pos) != u'f';
            return Read::Done;
        case F::IntValue:
            return ReadIntValue(l, d);
        case F::StringValue:
            return ReadStringValue(l, d);
    }
    return Read::Done;
}

// The directive with every field its kind needs, or why there is none.
Read ReadDirective(Line& l, const DirectiveForm& form, Directive& d) {
    d.kind = form.kind;
    d.keyword = form.keyword;
    d.file = l.ctx.fileName;
    d.line = l.number;
    d.designWidth = l.ctx.designWidth;
    d.designHeight = l.ctx.designHeight;
    for (const Field field : form.fields) {
        if (field == F::End) break;
        if (const Read read = ReadField(l, field, d); read != Read::Done) return read;
    }
    return Read::Done;
}

Flow ParseLevel(ParseContext& ctx);

// Past the line bound the input ends early, and what is still open was cut off, not left open.
bool ReadToEnd(const ParseContext& ctx) {
    return ctx.parser->State().linesRead <= ctx.parser->Limits().maxLoadLines;
}

Flow ParseBlock(Line& l, const DirectiveForm& form) {
    // "{ chord }" on one line is an empty group; what follows the '}' is not read.
    Directive d;
    for (char16_t* p = l.ctx.line + l.pos; *p; ++p) {
        if (*p == u'}') {
            *p = 0;
            d.closed = true;
            break;
        }
    }
    if (ReadDirective(l, form, d) != Read::Done) return Flow::Next;
    const int32_t maxNesting = l.ctx.parser->Limits().maxNesting;
    if (!d.closed && l.ctx.depth + 1 > maxNesting) {
        Skip(l, "blocks and includes nested deeper than " + std::to_string(maxNesting) + " levels");
        return Flow::Next;
    }
    DirectiveListener& builder = l.ctx.parser->Builder();
    builder.BeginBlock(d);
    if (d.closed) {
        builder.EndBlock();
        return Flow::Next;
    }
    ParseContext inner = l.ctx;
    inner.depth = l.ctx.depth + 1;
    const Flow end = ParseLevel(inner);
    if (end == Flow::EndOfInput && ReadToEnd(l.ctx)) {
        Load(l).listeners.UnclosedBlock(l.ctx.fileName, l.number, false, d.name);
    }
    builder.EndBlock();
    // The reader is shared: once it is exhausted inside the block, the whole file is.
    if (end == Flow::EndOfInput) return Flow::EndOfInput;
    if (end == Flow::Abort || Aborted(l)) return Flow::Abort;
    return Flow::Next;
}

Flow ParseDesignSize(Line& l) {
    const int32_t width = NextInt(l.ctx.line, l.pos);
    const int32_t height = NextInt(l.ctx.line, l.pos);
    // Absent is 0, the screen's size, as 0 itself is: placing a rectangle never divides by 0.
    l.ctx.designWidth = width == NO_VALUE ? 0 : width;
    l.ctx.designHeight = height == NO_VALUE ? 0 : height;
    return Flow::Next;
}

Flow ParseInclude(Line& l) {
    const FileArgument file = ReadFileArgument(Load(l), l.ctx.line, l.pos, l.ctx.answers);
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
    if (!IncludeFile(l.ctx, file.name)) {
        Load(l).listeners.MissingInclude(l.ctx.fileName, l.number, file.name);
    }
    return Aborted(l) ? Flow::Abort : Flow::Next;
}

Flow ParseDirective(Line& l, const DirectiveForm& form) {
    DirectiveListener& builder = l.ctx.parser->Builder();
    switch (form.kind) {
        case K::Block:
            return ParseBlock(l, form);
        case K::BlockEnd:
            return Flow::CloseLevel;
        case K::PanelEnd:
            l.ctx.openPanelLine = 0;
            builder.ClosePanel(l.ctx.fileName, l.number);
            return Flow::Next;
        case K::DesignSize:
            return ParseDesignSize(l);
        case K::Include:
            return ParseInclude(l);
        default:
            break;
    }
    Directive d;
    switch (ReadDirective(l, form, d)) {
        case Read::Done:
            break;
        case Read::Skipped:
            return Flow::Next;
        case Read::Aborted:
            return Flow::Abort;
    }
    if (form.kind == K::Panel) {
        l.ctx.openPanel = d.name;
        l.ctx.openPanelLine = l.number;
        builder.OpenPanel(d);
    } else {
        builder.Build(d);
    }
    return Flow::Next;
}

// Every first character that selects a directive; the others start comments.
bool IsDirectiveChar(char16_t c) {
    return c != 0 && std::u16string_view(u"gb=[]<>disv{}").find(c) != std::u16string_view::npos;
}

// Two-character directives are selected by their first character alone; an unknown second
// character leaves the line without meaning.
const DirectiveForm* FindDirective(const char16_t* line) {
    for (const DirectiveForm& d : kDirectives) {
        if (line[0] != d.keyword[0]) continue;
        if (d.keyword.size() == 1 || line[1] == d.keyword[1]) return &d;
    }
    return nullptr;
}

void ReportIndented(const ParseContext& ctx, int32_t number) {
    const char16_t* p = ctx.line;
    while (*p == u' ' || *p == u'\t') ++p;
    if (!IsDirectiveChar(*p)) return;
    String directive(1, p[0]);
    if ((p[0] == u'g' || p[0] == u'b' || p[0] == u'=') && p[1] != 0) directive += p[1];
    ctx.parser->Load().listeners.IndentedDirective(ctx.fileName, number, directive);
}

// The input of this level's file ended: a panel it still has open was never closed.
Flow EndOfInput(const ParseContext& ctx) {
    if (ctx.openPanelLine != 0 && ReadToEnd(ctx)) {
        ctx.parser->Load().listeners.UnclosedBlock(ctx.fileName, ctx.openPanelLine, true,
                                                   ctx.openPanel);
    }
    return Flow::EndOfInput;
}

Flow ParseLevel(ParseContext& ctx) {
    // A panel of the enclosing level is that level's to close.
    ctx.openPanelLine = 0;
    for (;;) {
        if (!ctx.reader->ReadLine(ctx.line, LINE_BUFFER_SIZE)) return EndOfInput(ctx);
        const int32_t number = ctx.lines ? ctx.lines->Take(ctx.line) : 0;
        // Past the bound every level of every file ends as if its input had ended; what was
        // built so far stays.
        ParseState& state = ctx.parser->State();
        const int64_t maxLines = ctx.parser->Limits().maxLoadLines;
        if (++state.linesRead > maxLines) {
            if (state.linesRead == maxLines + 1) {
                ctx.parser->Load().listeners.SkippedLine(ctx.fileName, number,
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
        const DirectiveForm* directive = FindDirective(ctx.line);
        if (!directive) {
            String text(1, first);
            if (ctx.line[1] != 0) text += ctx.line[1];
            ctx.parser->Load().listeners.SkippedLine(ctx.fileName, number,
                                                     u"unknown directive \"" + text + u"\"");
            continue;
        }
        Line line{ctx, static_cast<int>(directive->keyword.size()), number, directive->keyword};
        switch (ParseDirective(line, *directive)) {
            case Flow::Next:
                break;
            case Flow::CloseLevel:
                return Flow::CloseLevel;
            case Flow::EndOfInput:
                return EndOfInput(ctx);
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

Parser::Parser(LoadState& load, DirectiveListener& builder, ParseLimits limits)
    : load_(load), builder_(builder), limits_(limits) {}

ParseContext Parser::TopLevel() {
    ParseContext top;
    top.parser = this;
    top.fileName = load_.homeFolder;
    return top;
}

bool Parser::ParseFile(const String& path) { return IncludeFile(TopLevel(), path); }

void Parser::ParseString(std::string_view text, const String& fileName) {
    TextReader reader(std::make_unique<TextInMemory>(text));
    std::array<char16_t, LINE_BUFFER_SIZE> line{};
    LineCounter lines(1);
    ParseContext context = TopLevel();
    context.reader = &reader;
    context.fileName = fileName;
    context.line = line.data();
    context.lines = &lines;
    builder_.BeginFile(fileName);
    ParseLines(context);
    builder_.EndFile();
}

}  // namespace chordlane
