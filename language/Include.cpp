#include "language/Include.h"

#include <array>
#include <memory>

#include "language/BuiltinInstrument.h"
#include "language/MemoryTextReader.h"
#include "language/Scanner.h"
#include "language/TextReader.h"
#include "platform/Platform.h"

namespace chordlane {

namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// Everything up to and including the last folder separator; empty when there is none.
std::u16string_view FolderOf(std::u16string_view path) {
    const size_t last = path.find_last_of(u"\\/");
    return last == std::u16string_view::npos ? std::u16string_view() : path.substr(0, last + 1);
}

// The lines of a file on disk count from its header, line 1; the built-in instrument has no
// header.
constexpr int32_t FIRST_LINE_AFTER_HEADER = 2;

std::unique_ptr<TextReader> OpenReader(LoadState& load, const String& name,
                                       const String& includingName) {
    auto reader = std::make_unique<TextReader>(load, name, includingName);
    if (!reader->IsOpen()) return nullptr;
    return reader;
}

// "description|pattern|description|pattern||": the pairs up to the empty description. A
// description without a pattern is its own pattern, so a filter written as "*.wav" works.
std::vector<std::pair<String, String>> FilterPairs(std::u16string_view filter) {
    std::vector<std::u16string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t bar = filter.find(u'|', start);
        parts.push_back(filter.substr(start, bar == std::u16string_view::npos ? bar : bar - start));
        if (bar == std::u16string_view::npos) break;
        start = bar + 1;
    }
    std::vector<std::pair<String, String>> pairs;
    for (size_t i = 0; i < parts.size() && !parts[i].empty(); i += 2) {
        const std::u16string_view pattern =
            i + 1 < parts.size() && !parts[i + 1].empty() ? parts[i + 1] : parts[i];
        pairs.emplace_back(String(parts[i]), String(pattern));
    }
    return pairs;
}

}  // namespace

bool IncludeFile(const ParseContext& including, std::u16string_view fileName) {
    if (!including.parser) return false;
    LoadState& load = including.parser->Load();
    std::unique_ptr<AnswerLink> link;
    if (including.reader) {
        link = std::make_unique<AnswerLink>(including.reader, including.answers, including.lines);
    }

    String name(fileName);
    std::unique_ptr<TextReader> reader;
    int32_t firstLine = FIRST_LINE_AFTER_HEADER;
    if (name == u"!") {
        reader = std::make_unique<MemoryTextReader>(BuiltinInstrument());
        firstLine = 1;
    } else {
        reader = OpenReader(load, name, including.fileName);
        if (!reader) {
            if (name.empty() || IsSeparator(name[0])) return false;
            const std::u16string_view folder = FolderOf(including.fileName);
            if (folder.empty()) return false;
            name = String(folder) + name;
            reader = OpenReader(load, name, including.fileName);
            if (!reader) return false;
        }
        // Where the search found the file, so that its own includes and wave files are
        // looked for beside it rather than beside the file that included it.
        if (!reader->OpenedPath().empty()) name = reader->OpenedPath();
    }

    auto line = std::make_unique<std::array<char16_t, LINE_BUFFER_SIZE>>();
    (*line)[0] = 0;
    LineCounter lines(firstLine);
    ParseContext context = including;
    context.reader = reader.get();
    context.fileName = name;
    context.line = line->data();
    context.lines = &lines;
    context.answers = link ? link.get() : including.answers;
    if (including.reader) {
        context.depth = including.depth + 1;
        context.includeDepth = including.includeDepth + 1;
    }
    DirectiveListener& builder = including.parser->Builder();
    builder.BeginFile(name);
    ParseLines(context);
    builder.EndFile();
    return true;
}

FileArgument ReadFileArgument(LoadState& load, char16_t* line, int& pos, AnswerLink* answers) {
    FileArgument argument;
    int32_t cancelStatus = LOAD_SKIP_PROMPTS;
    if (PeekChar(line, pos) == u'-') {
        const char16_t* option = NextToken(line, pos);
        if (option[1] == u'c') {
            cancelStatus = LOAD_LOADING;
        } else if (option[1] == u'a') {
            cancelStatus = LOAD_ABORTED;
        }
    }
    if (PeekChar(line, pos) != u'?') {
        const char16_t* token = NextToken(line, pos);
        if (!token) return argument;
        argument.result = FileArgument::Result::File;
        argument.name = token;
        return argument;
    }

    ++pos;
    argument.prompted = true;
    const char16_t* filterToken = NextToken(line, pos);
    if (!filterToken) {
        argument.result = FileArgument::Result::MissingFilter;
        return argument;
    }
    const String filter(filterToken);
    const char16_t* titleToken = NextToken(line, pos);
    const String title = titleToken ? String(titleToken) : String();

    // Answers read from a saved instrument are not logged again: saving anew includes that
    // file, which still carries them.
    if (answers) {
        if (std::optional<String> answer = FindAnswer(answers)) {
            argument.result = FileArgument::Result::File;
            argument.name = std::move(*answer);
            return argument;
        }
    }
    if (load.status == LOAD_SKIP_PROMPTS) {
        argument.result = FileArgument::Result::Skipped;
        return argument;
    }
    if (std::optional<String> chosen = ChooseFile(load, title, filter, true)) {
        load.answersLog += u"? \"" + *chosen + u"\"\n";
        argument.result = FileArgument::Result::File;
        argument.name = std::move(*chosen);
        return argument;
    }
    load.status = cancelStatus;
    argument.result = FileArgument::Result::Cancelled;
    return argument;
}

std::optional<String> FindAnswer(AnswerLink* answers) {
    std::array<char16_t, LINE_BUFFER_SIZE> buffer{};
    for (AnswerLink* link = answers; link; link = link->Enclosing()) {
        TextReader* reader = link->Reader();
        if (!reader) continue;
        const char16_t c = reader->ReadChar();
        if (c != u'?') {
            reader->UnreadChar(c);
            continue;
        }
        buffer[0] = 0;
        if (!reader->ReadLine(buffer.data(), LINE_BUFFER_SIZE)) buffer[0] = 0;
        if (LineCounter* lines = link->Lines()) lines->Take(buffer.data());
        const int length = StripLineEnd(buffer.data());
        // A '?' line with at most one character after it is used up without an answer.
        if (length <= 1) continue;
        std::u16string_view rest(buffer.data(), static_cast<size_t>(length));
        while (!rest.empty() && (rest.front() == u' ' || rest.front() == u'\t')) {
            rest.remove_prefix(1);
        }
        if (!rest.empty() && rest.front() == u'"') {
            rest.remove_prefix(1);
            if (!rest.empty()) rest.remove_suffix(1);
        }
        return String(rest.substr(0, MAX_FILE_ARGUMENT));
    }
    return std::nullopt;
}

std::optional<String> ChooseFile(const LoadState& load, std::u16string_view title,
                                 std::u16string_view filter, bool open, const String& startFolder) {
    FileDialogs* dialogs = load.platform.dialogs;
    if (!dialogs) return std::nullopt;
    FileDialogRequest request;
    request.open = open;
    request.title = String(title.substr(0, title.find(u'|')));
    request.filters = FilterPairs(filter);
    request.initialFolder = open ? startFolder : load.homeFolder;
    request.mustExist = open;
    request.confirmOverwrite = !open;
    std::optional<String> chosen = dialogs->ChooseFile(request);
    // A name that does not fit the dialog's buffer makes the dialog fail, and a failed
    // dialog counts as cancelled.
    if (!chosen || chosen->empty() || chosen->size() > MAX_CHOSEN_NAME) return std::nullopt;
    return chosen;
}

}  // namespace chordlane
