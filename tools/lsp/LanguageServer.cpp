#include "tools/lsp/LanguageServer.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <set>

#include "platform/Text.h"
#include "tools/lsp/DirectiveHelp.h"
#include "tools/lsp/OverlayFileSystem.h"

namespace chordlane::tool {

using json = nlohmann::json;

struct LanguageServer::Reply {
    json result;  // null unless set
    int code = 0;
    std::string message;

    void Fail(int errorCode, std::string why) {
        code = errorCode;
        message = std::move(why);
    }
};

namespace {

// Protocol constants.
constexpr int TEXT_DOCUMENT_SYNC_FULL = 1;
constexpr int SEVERITY_ERROR = 1;
constexpr int SEVERITY_WARNING = 2;
constexpr int SEVERITY_INFORMATION = 3;
constexpr int COMPLETION_KEYWORD = 14;

// Member access that never throws: nlohmann's own accessors throw on a wrong type, and
// what an editor sends is input like any other.
const json* Member(const json& object, const char* key) {
    if (!object.is_object()) return nullptr;
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

std::optional<std::string> StringMember(const json& object, const char* key) {
    const json* value = Member(object, key);
    if (!value || !value->is_string()) return std::nullopt;
    return value->get<std::string>();
}

std::optional<int64_t> IntegerMember(const json& object, const char* key) {
    const json* value = Member(object, key);
    if (!value || !value->is_number_integer()) return std::nullopt;
    return value->get<int64_t>();
}

// Whether the text nests arrays and objects deeper than the bound (strings skipped).
bool NestsTooDeep(std::string_view text) {
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > MAX_JSON_DEPTH) return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The path a document's URI names, for the loader: a file URI's path, percent-decoded; any
// other URI (an unsaved "untitled:" buffer) as it is, which names no file on the disk.
String PathOfUri(const std::string& uri) {
    constexpr std::string_view scheme = "file://";
    if (uri.rfind(scheme, 0) != 0) return FromUtf8(uri);
    const size_t pathStart = uri.find('/', scheme.size());
    if (pathStart == std::string::npos) return FromUtf8(uri);
    std::string path;
    for (size_t i = pathStart; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && HexValue(uri[i + 1]) >= 0 &&
            HexValue(uri[i + 2]) >= 0) {
            path.push_back(static_cast<char>(HexValue(uri[i + 1]) * 16 + HexValue(uri[i + 2])));
            i += 2;
        } else {
            path.push_back(uri[i]);
        }
    }
    // A path with a zero byte in it would name another file to the C library.
    if (path.find('\0') != std::string::npos) return FromUtf8(uri);
    return FromUtf8(path);
}

std::string UriOfPath(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char c : path) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
            std::string_view("-._~/").find(c) != std::string_view::npos) {
            uri.push_back(c);
        } else {
            uri += {'%', kHex[u >> 4], kHex[u & 15]};
        }
    }
    return uri;
}

// The byte offset in UTF-8 text of a position counted in lines and UTF-16 code units;
// positions past a line's end stand at its end, past the last line at the text's end.
size_t OffsetOf(const std::string& text, int64_t line, int64_t character) {
    size_t offset = 0;
    for (int64_t l = 0; l < line; ++l) {
        const size_t end = text.find('\n', offset);
        if (end == std::string::npos) return text.size();
        offset = end + 1;
    }
    int64_t units = 0;
    while (offset < text.size() && text[offset] != '\n' && units < character) {
        const auto lead = static_cast<unsigned char>(text[offset]);
        size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        length = std::min(length, text.size() - offset);
        units += length == 4 ? 2 : 1;
        offset += length;
    }
    return offset;
}

json Position(int64_t line, int64_t character) {
    return {{"line", line}, {"character", character}};
}

json Range(int64_t line, int64_t start, int64_t end) {
    return {{"start", Position(line, start)}, {"end", Position(line, end)}};
}

// Where an element's file is named: as the loader named it, or the built-in instrument.
std::string WhereDeclared(const Declaration& d) {
    const std::string line = std::to_string(d.line);
    if (d.path.empty()) return "the built-in instrument, line " + line;
    return d.path + ":" + line;
}

std::string Describe(const Declaration& d) { return d.className + " " + JsonString(d.name); }

int SymbolKind(const std::string& className) {
    if (className == "PanelElement") return 3;                     // Namespace
    if (className == "GroupElement") return 18;                    // Array
    if (className.find("Button") != std::string::npos) return 24;  // Event
    if (className == "VoiceElement") return 13;                    // Variable
    if (className == "SoundElement") return 14;                    // Constant
    if (className == "TextElement") return 15;                     // String
    if (className.ends_with("Action")) return 12;                  // Function
    return 19;                                                     // Object
}

int CompletionKind(const std::string& className) {
    if (className == "PanelElement" || className == "GroupElement") return 9;  // Module
    if (className.find("Button") != std::string::npos) return 23;              // Event
    if (className == "VoiceElement") return 6;                                 // Variable
    if (className == "SoundElement") return 21;                                // Constant
    return 5;                                                                  // Field
}

}  // namespace

LanguageServer::LanguageServer(MessageTransport& transport, std::string version)
    : transport_(transport), version_(std::move(version)) {}

LanguageServer::~LanguageServer() = default;

int LanguageServer::Run() {
    std::string body;
    std::string error;
    while (!exit_) {
        // A burst of edits is loaded once, when the editor has stopped sending.
        if (!transport_.InputWaiting()) AnalysePending();
        switch (transport_.Read(body, error)) {
            case MessageTransport::Result::Message:
                Handle(body);
                break;
            case MessageTransport::Result::Refused:
                SendError(nullptr, RPC_PARSE_ERROR, error);
                break;
            case MessageTransport::Result::End:
            case MessageTransport::Result::Truncated:
                return shutdown_ ? 0 : 1;
        }
    }
    return shutdown_ ? 0 : 1;
}

void LanguageServer::Handle(const std::string& body) {
    if (NestsTooDeep(body)) {
        SendError(nullptr, RPC_PARSE_ERROR,
                  "JSON nested deeper than " + std::to_string(MAX_JSON_DEPTH) + " levels");
        return;
    }
    const json message = json::parse(body, nullptr, false);
    if (message.is_discarded()) {
        SendError(nullptr, RPC_PARSE_ERROR, "the message is not JSON");
        return;
    }
    // Every member is read with checks of its type; this catches what slipped through them,
    // so that a message of an unforeseen shape costs an error answer, not the server.
    try {
        Dispatch(message);
    } catch (const json::exception& e) {
        SendError(nullptr, RPC_INTERNAL_ERROR, e.what());
    }
}

void LanguageServer::Dispatch(const json& message) {
    if (!message.is_object()) {
        SendError(nullptr, RPC_INVALID_REQUEST, "a message is a JSON object");
        return;
    }
    const json* id = Member(message, "id");
    if (id && !id->is_string() && !id->is_number_integer() && !id->is_null()) {
        SendError(nullptr, RPC_INVALID_REQUEST, "the id is neither a number nor a string");
        return;
    }
    const json* method = Member(message, "method");
    if (!method) {
        // A response to a request of ours; the server sends none that need one.
        if (id) return;
        SendError(nullptr, RPC_INVALID_REQUEST, "the message has no method");
        return;
    }
    if (!method->is_string()) {
        SendError(id ? *id : json(nullptr), RPC_INVALID_REQUEST, "the method is not a string");
        return;
    }
    const std::string name = method->get<std::string>();
    static const json kNoParams = json::object();
    const json* paramsMember = Member(message, "params");
    const json& params = paramsMember ? *paramsMember : kNoParams;
    if (!id) {
        Notification(name, params);
        return;
    }
    Reply reply;
    Request(name, params, reply);
    if (reply.code != 0) {
        SendError(*id, reply.code, reply.message);
    } else {
        Send({{"jsonrpc", "2.0"}, {"id", *id}, {"result", reply.result}});
    }
}

void LanguageServer::Request(const std::string& method, const json& params, Reply& reply) {
    if (method == "initialize") {
        Initialize(reply);
        return;
    }
    if (!initialized_) {
        reply.Fail(RPC_SERVER_NOT_INITIALIZED, "initialize comes first");
        return;
    }
    if (shutdown_) {
        reply.Fail(RPC_INVALID_REQUEST, "the server is shutting down");
        return;
    }
    if (method == "shutdown") {
        shutdown_ = true;
    } else if (method == "textDocument/hover") {
        Hover(params, reply);
    } else if (method == "textDocument/definition") {
        Definition(params, reply);
    } else if (method == "textDocument/completion") {
        Completion(params, reply);
    } else if (method == "textDocument/documentSymbol") {
        DocumentSymbols(params, reply);
    } else {
        reply.Fail(RPC_METHOD_NOT_FOUND, "no such method: " + method);
    }
}

void LanguageServer::Notification(const std::string& method, const json& params) {
    if (method == "exit") {
        exit_ = true;
        return;
    }
    // Before initialize, and after shutdown, notifications are dropped.
    if (!initialized_ || shutdown_) return;
    if (method == "textDocument/didOpen") {
        DidOpen(params);
    } else if (method == "textDocument/didChange") {
        DidChange(params);
    } else if (method == "textDocument/didClose") {
        DidClose(params);
    }
    // Everything else ("initialized", "$/cancelRequest", didSave) needs nothing done.
}

void LanguageServer::Initialize(Reply& reply) {
    if (initialized_) {
        reply.Fail(RPC_INVALID_REQUEST, "initialize was sent twice");
        return;
    }
    initialized_ = true;
    reply.result = {
        {"capabilities",
         {{"positionEncoding", "utf-16"},
          {"textDocumentSync", {{"openClose", true}, {"change", TEXT_DOCUMENT_SYNC_FULL}}},
          {"hoverProvider", true},
          {"definitionProvider", true},
          {"completionProvider", {{"triggerCharacters", {"."}}}},
          {"documentSymbolProvider", true}}},
        {"serverInfo", {{"name", "chordlane-tool lsp"}, {"version", version_}}}};
}

void LanguageServer::DidOpen(const json& params) {
    const json* item = Member(params, "textDocument");
    if (!item) return;
    const auto uri = StringMember(*item, "uri");
    const auto text = StringMember(*item, "text");
    if (!uri || !text) return;
    Document& document = documents_[*uri];
    document.text = *text;
    document.version = IntegerMember(*item, "version").value_or(0);
    document.path = PathOfUri(*uri);
    document.dirty = true;
}

void LanguageServer::DidChange(const json& params) {
    const json* item = Member(params, "textDocument");
    const json* changes = Member(params, "contentChanges");
    if (!item || !changes || !changes->is_array()) return;
    const auto uri = StringMember(*item, "uri");
    if (!uri) return;
    const auto found = documents_.find(*uri);
    if (found == documents_.end()) return;
    Document& document = found->second;
    // Each change with a range costs a pass over the text: a flood of them on a large text
    // would hold the server for hours. The whole text is what the server asks for anyway.
    constexpr uint64_t MAX_CHANGE_WORK = uint64_t{1} << 30;
    if (changes->size() > 1 &&
        changes->size() * std::max<uint64_t>(document.text.size(), 1) > MAX_CHANGE_WORK) {
        std::fprintf(stderr, "chordlane-tool lsp: %zu changes to %s are too many to apply\n",
                     changes->size(), uri->c_str());
        return;
    }
    for (const json& change : *changes) {
        const auto text = StringMember(change, "text");
        if (!text) continue;
        const json* range = Member(change, "range");
        const json* start = range ? Member(*range, "start") : nullptr;
        const json* end = range ? Member(*range, "end") : nullptr;
        if (!start || !end) {
            document.text = *text;
            continue;
        }
        // The whole text is asked for, but a client may send ranges all the same.
        const size_t from = OffsetOf(document.text, IntegerMember(*start, "line").value_or(0),
                                     IntegerMember(*start, "character").value_or(0));
        const size_t to =
            std::max(from, OffsetOf(document.text, IntegerMember(*end, "line").value_or(0),
                                    IntegerMember(*end, "character").value_or(0)));
        document.text.replace(from, to - from, *text);
    }
    document.version = IntegerMember(*item, "version").value_or(document.version + 1);
    document.dirty = true;
}

void LanguageServer::DidClose(const json& params) {
    const json* item = Member(params, "textDocument");
    const auto uri = item ? StringMember(*item, "uri") : std::nullopt;
    if (!uri || !documents_.erase(*uri)) return;
    // The problems of a file no longer open are no longer shown.
    Send({{"jsonrpc", "2.0"},
          {"method", "textDocument/publishDiagnostics"},
          {"params", {{"uri", *uri}, {"diagnostics", json::array()}}}});
}

void LanguageServer::Analyse(const std::string& uri, Document& document) {
    IndexRequest request;
    request.path = document.path;
    request.text = document.text;
    document.index = std::make_unique<InstrumentIndex>(InstrumentIndex::Load(request));
    document.lines = std::make_unique<DocumentText>(document.text);
    document.dirty = false;
    Publish(uri, document);
}

void LanguageServer::AnalysePending() {
    for (auto& [uri, document] : documents_) {
        if (document.dirty) Analyse(uri, document);
    }
}

void LanguageServer::Publish(const std::string& uri, const Document& document) {
    json diagnostics = json::array();
    std::set<std::pair<int32_t, std::string>> said;
    for (const FileProblem& problem : document.index->Problems()) {
        // Problems of included files belong to those files; they are shown when they are
        // open themselves.
        if (!InstrumentIndex::SameFile(problem.file, document.path)) continue;
        const int32_t line = std::max(problem.line - 1, 0);
        // A file included twice reports its problems twice.
        if (!said.insert({line, problem.reason}).second) continue;
        const int severity = problem.severity == ProblemSeverity::Error     ? SEVERITY_ERROR
                             : problem.severity == ProblemSeverity::Warning ? SEVERITY_WARNING
                                                                            : SEVERITY_INFORMATION;
        const auto length = static_cast<int64_t>(document.lines->Line(line).size());
        diagnostics.push_back({{"range", Range(line, 0, length)},
                               {"severity", severity},
                               {"source", "chordlane"},
                               {"message", problem.reason}});
    }
    Send({{"jsonrpc", "2.0"},
          {"method", "textDocument/publishDiagnostics"},
          {"params", {{"uri", uri}, {"version", document.version}, {"diagnostics", diagnostics}}}});
}

LanguageServer::Document* LanguageServer::Analysed(const json& params, Reply& reply) {
    const json* item = Member(params, "textDocument");
    const auto uri = item ? StringMember(*item, "uri") : std::nullopt;
    if (!uri) {
        reply.Fail(RPC_INVALID_PARAMS, "params.textDocument.uri is missing");
        return nullptr;
    }
    const auto found = documents_.find(*uri);
    if (found == documents_.end()) {
        reply.Fail(RPC_INVALID_PARAMS, "the document is not open: " + *uri);
        return nullptr;
    }
    if (found->second.dirty) Analyse(found->first, found->second);
    return &found->second;
}

std::optional<std::pair<int32_t, int32_t>> LanguageServer::PositionOf(const json& params,
                                                                      Reply& reply) {
    const json* position = Member(params, "position");
    const auto line = position ? IntegerMember(*position, "line") : std::nullopt;
    const auto character = position ? IntegerMember(*position, "character") : std::nullopt;
    if (!line || !character || *line < 0 || *character < 0 || *line >= INT32_MAX ||
        *character >= INT32_MAX) {
        reply.Fail(RPC_INVALID_PARAMS, "params.position is missing");
        return std::nullopt;
    }
    return std::pair{static_cast<int32_t>(*line), static_cast<int32_t>(*character)};
}

void LanguageServer::Hover(const json& params, Reply& reply) {
    Document* document = Analysed(params, reply);
    if (!document) return;
    const auto position = PositionOf(params, reply);
    if (!position) return;
    const auto [line, column] = *position;
    const auto word = document->lines->WordAt(line, column);
    if (!word) return;
    const InstrumentIndex& index = *document->index;
    std::string text;
    if (word->role == DocumentText::Role::Directive || word->role == DocumentText::Role::Declared) {
        // What the line declares.
        if (const DirectiveHelp* help = FindDirectiveHelp(document->lines->Words(line)[0].text)) {
            text = std::string(help->synopsis) + ": " + std::string(help->meaning);
        }
        for (const Declaration* d : index.DeclaredAt(document->path, line + 1)) {
            text += "\nbuilds " + Describe(*d);
            if (d->panel > 0) text += " in panel " + std::to_string(d->panel);
            break;
        }
        if (index.DeclaredAt(document->path, line + 1).empty() &&
            word->role == DocumentText::Role::Declared) {
            text += "\nbuilds nothing: the line is skipped";
        }
    } else {
        const auto found = index.Resolve(word->text, document->path, line + 1);
        if (found.empty()) return;
        const Declaration& d = *found.front();
        text = Describe(d) + ", declared at " + WhereDeclared(d);
    }
    if (text.empty()) return;
    reply.result = {{"contents", {{"kind", "plaintext"}, {"value", text}}},
                    {"range", Range(line, word->start, word->end)}};
}

void LanguageServer::Definition(const json& params, Reply& reply) {
    Document* document = Analysed(params, reply);
    if (!document) return;
    const auto position = PositionOf(params, reply);
    if (!position) return;
    const auto [line, column] = *position;
    const auto word = document->lines->WordAt(line, column);
    if (!word || word->role == DocumentText::Role::Directive) return;
    json locations = json::array();
    for (const Declaration* d : document->index->Resolve(word->text, document->path, line + 1)) {
        // The built-in instrument is no file an editor can open.
        if (d->path.empty()) continue;
        const int32_t target = std::max(d->line - 1, 0);
        // The open document's lines are known; another file's line is taken whole.
        const int64_t length = InstrumentIndex::SameFile(d->file, document->path)
                                   ? static_cast<int64_t>(document->lines->Line(target).size())
                                   : 0;
        locations.push_back({{"uri", UriOfPath(d->path)}, {"range", Range(target, 0, length)}});
    }
    if (!locations.empty()) reply.result = std::move(locations);
}

void LanguageServer::Completion(const json& params, Reply& reply) {
    Document* document = Analysed(params, reply);
    if (!document) return;
    const auto position = PositionOf(params, reply);
    if (!position) return;
    const auto [line, column] = *position;
    const DocumentText::Completion at = document->lines->CompletionAt(line, column);
    const auto end = std::min<int64_t>(column, document->lines->Line(line).size());
    json items = json::array();
    const auto add = [&](const std::string& label, int kind, const std::string& detail) {
        items.push_back(
            {{"label", label},
             {"kind", kind},
             {"detail", detail},
             {"textEdit", {{"range", Range(line, at.start, end)}, {"newText", label}}}});
    };
    std::set<String> offered;
    switch (at.expected) {
        case DocumentText::Expected::Nothing:
            break;
        case DocumentText::Expected::Directive:
            for (const DirectiveHelp& help : DirectiveHelps()) {
                add(std::string(help.keyword), COMPLETION_KEYWORD,
                    std::string(help.synopsis) + ": " + std::string(help.meaning));
            }
            break;
        case DocumentText::Expected::Name:
            for (const Declaration& d : document->index->Declarations()) {
                if (d.action || d.writtenName.empty() || !offered.insert(d.writtenName).second) {
                    continue;
                }
                add(ToUtf8(d.writtenName), CompletionKind(d.className),
                    d.className + ", " + WhereDeclared(d));
            }
            break;
        case DocumentText::Expected::SoundName:
            for (const Declaration& d : document->index->Declarations()) {
                if (d.className != "SoundElement" || d.writtenName.empty()) continue;
                if (offered.insert(d.writtenName).second) {
                    add(ToUtf8(d.writtenName), CompletionKind(d.className),
                        d.className + ", " + WhereDeclared(d));
                }
                // The sound's set, which a note name completes ("ep" of "ep-lo": "ep-C4").
                const String set = d.writtenName.substr(0, d.writtenName.find(u'-'));
                if (set != d.writtenName && offered.insert(set).second) {
                    add(ToUtf8(set), CompletionKind(d.className),
                        "sound set: " + ToUtf8(set) + "-NOTE plays its notes");
                }
            }
            break;
    }
    reply.result = {{"isIncomplete", false}, {"items", std::move(items)}};
}

void LanguageServer::DocumentSymbols(const json& params, Reply& reply) {
    Document* document = Analysed(params, reply);
    if (!document) return;
    const InstrumentIndex& index = *document->index;
    const DocumentText& lines = *document->lines;
    const std::vector<Declaration>& all = index.Declarations();
    const std::string path = NormalPath(document->path);
    const auto inDocument = [&](const Declaration& d) {
        return d.file == document->path || (!d.path.empty() && d.path == path);
    };
    // The symbols of one element: itself when it stands in this document, else those of
    // its members that do. lastLine grows to the last line a symbol covers.
    const auto symbols = [&](const auto& self, size_t at, int32_t& lastLine) -> json {
        const Declaration& d = all[at];
        json children = json::array();
        const bool here = inDocument(d);
        const int32_t line = std::max(d.line - 1, 0);
        int32_t childLast = line;
        for (const size_t child : d.children) {
            for (json& symbol : self(self, child, childLast)) children.push_back(std::move(symbol));
        }
        if (!here) {
            lastLine = std::max(lastLine, childLast);
            return children;
        }
        lastLine = std::max(lastLine, childLast);
        std::string name = ToUtf8(d.writtenName.empty() ? d.name : d.writtenName);
        if (name.empty()) name = d.className;
        json selection = Range(line, 0, static_cast<int64_t>(lines.Line(line).size()));
        for (const DocumentText::Word& word : lines.Words(line)) {
            if (word.role == DocumentText::Role::Declared ||
                word.role == DocumentText::Role::Reference) {
                selection = Range(line, word.start, word.end);
                break;
            }
        }
        json range = {
            {"start", Position(line, 0)},
            {"end", Position(childLast, static_cast<int64_t>(lines.Line(childLast).size()))}};
        return json::array({{{"name", name},
                             {"detail", d.className},
                             {"kind", SymbolKind(d.className)},
                             {"range", std::move(range)},
                             {"selectionRange", std::move(selection)},
                             {"children", std::move(children)}}});
    };
    json result = json::array();
    int32_t ignored = 0;
    for (const size_t at : index.TopLevel()) {
        for (json& symbol : symbols(symbols, at, ignored)) result.push_back(std::move(symbol));
    }
    reply.result = std::move(result);
}

void LanguageServer::Send(const json& message) {
    // Names from a file may hold text that is no valid UTF-8; it is replaced, not refused.
    transport_.Write(message.dump(-1, ' ', false, json::error_handler_t::replace));
}

void LanguageServer::SendError(const json& id, int code, const std::string& message) {
    Send({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

}  // namespace chordlane::tool
