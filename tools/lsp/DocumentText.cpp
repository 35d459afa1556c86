#include "tools/lsp/DocumentText.h"

#include "language/Parser.h"
#include "language/Scanner.h"
#include "platform/Text.h"

namespace chordlane::tool {

namespace {

// The first characters that select a directive, as the parser knows them; a line beginning
// with any other character is a comment.
bool IsDirectiveChar(char16_t c) { return String(u"gb=[]<>disv{}").find(c) != String::npos; }

// The directives whose NAME is the name of the element they build.
bool Declares(std::u16string_view keyword) {
    static constexpr std::u16string_view kDeclaring[] = {u"ge", u"gr", u"gi", u"gt", u"be", u"br",
                                                         u"bh", u"v",  u"s",  u"{",  u"["};
    for (const std::u16string_view k : kDeclaring) {
        if (k == keyword) return true;
    }
    return false;
}

bool IsNameProperty(const String& property) {
    return property == u"na" || property == u"nb" || property == u"ng";
}

// The words of one directive line, read with the parser's own scanner.
std::vector<DocumentText::Word> WordsOf(const String& text) {
    using Role = DocumentText::Role;
    std::vector<DocumentText::Word> words;
    if (text.empty() || !IsDirectiveChar(text[0])) return words;
    const char16_t first = text[0];
    const bool twoLetters = (first == u'g' || first == u'b' || first == u'=') && text.size() > 1 &&
                            !IsTokenSeparator(text[1]);
    const int keywordLength = twoLetters ? 2 : 1;
    const String keyword = text.substr(0, static_cast<size_t>(keywordLength));
    words.push_back({keyword, 0, keywordLength, Role::Directive, {}});

    // The scanner cuts tokens in place and reads past the end up to a terminator.
    String buffer = text;
    buffer.append(2, u'\0');
    int pos = keywordLength;
    const auto next = [&](Role role) -> bool {
        const char16_t* token = NextToken(buffer.data(), pos);
        if (!token) return false;
        const auto start = static_cast<int32_t>(token - buffer.data());
        String word(token);
        words.push_back({word, start, start + static_cast<int32_t>(word.size()), role, {}});
        return true;
    };

    if (first == u'=') {
        const size_t dot = buffer.find(u'.', static_cast<size_t>(keywordLength));
        if (dot == String::npos || dot >= text.size()) {
            next(Role::Reference);
            while (next(Role::Other)) {
            }
            return words;
        }
        // TARGET ends at the first '.', as the parser reads it.
        buffer[dot] = u'\0';
        next(Role::Reference);
        pos = static_cast<int>(dot) + 1;
        if (next(Role::Property)) {
            const String property = words.back().text;
            if (next(Role::Value)) words.back().property = property;
        }
    } else if (first == u'<' || first == u'>') {
        next(Role::Reference);
    } else if (Declares(keyword)) {
        next(Role::Declared);
    }
    while (next(Role::Other)) {
    }
    return words;
}

}  // namespace

DocumentText::DocumentText(std::string_view utf8) {
    // Past the loader's bound nothing is declared and nothing is found wrong, and a text of
    // nothing but line feeds must not cost a string object per byte.
    constexpr size_t MAX_KEPT_LINES = MAX_LOAD_LINES + 1;
    size_t start = 0;
    while (lines_.size() < MAX_KEPT_LINES) {
        const size_t end = utf8.find('\n', start);
        std::string_view line =
            utf8.substr(start, end == std::string_view::npos ? end : end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines_.push_back(FromUtf8(line));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
}

const String& DocumentText::Line(int32_t line) const {
    static const String kNone;
    if (line < 0 || line >= LineCount()) return kNone;
    return lines_[static_cast<size_t>(line)];
}

std::vector<DocumentText::Word> DocumentText::Words(int32_t line) const {
    // The header line is never read as a directive.
    if (line <= 0) return {};
    return WordsOf(Line(line));
}

std::optional<DocumentText::Word> DocumentText::WordAt(int32_t line, int32_t column) const {
    for (const Word& word : Words(line)) {
        if (word.start <= column && column <= word.end) return word;
    }
    return std::nullopt;
}

DocumentText::Completion DocumentText::CompletionAt(int32_t line, int32_t column) const {
    const String& text = Line(line);
    if (line <= 0 || column < 0) return {};
    const String prefix = text.substr(0, std::min(static_cast<size_t>(column), text.size()));
    bool separated = false;
    for (const char16_t c : prefix) separated = separated || IsTokenSeparator(c);
    if (!separated) return {Expected::Directive, 0};

    const std::vector<Word> words = WordsOf(prefix);
    if (words.empty()) return {};
    const auto cursor = static_cast<int32_t>(prefix.size());
    const char16_t first = prefix[0];
    const auto expectedFor = [](const Word& slot) {
        if (slot.role == Role::Reference) return Expected::Name;
        if (slot.role == Role::Value && IsNameProperty(slot.property)) return Expected::Name;
        if (slot.role == Role::Value && slot.property == u"ns") return Expected::SoundName;
        return Expected::Nothing;
    };
    // Inside (or at the end of) a word: that word's slot.
    const Word& last = words.back();
    if (last.end == cursor && words.size() > 1) return {expectedFor(last), last.start};
    // Between words: the slot of the word that comes next.
    if (first == u'<' || first == u'>') {
        return {words.size() == 1 ? Expected::Name : Expected::Nothing, cursor};
    }
    if (first != u'=') return {Expected::Nothing, cursor};
    if (prefix.find(u'.') == String::npos) {
        return {words.size() == 1 ? Expected::Name : Expected::Nothing, cursor};
    }
    if (last.role == Role::Property) {
        Word value;
        value.role = Role::Value;
        value.property = last.text;
        return {expectedFor(value), cursor};
    }
    return {Expected::Nothing, cursor};
}

}  // namespace chordlane::tool
