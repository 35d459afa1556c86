#pragma once
// chordlane-tool lsp: the Language Server Protocol (3.17) over a message transport. It keeps
// the documents the editor has open, loads each with the program's own loader when it
// changes (InstrumentIndex), publishes what check would say as diagnostics, and answers
// hover, go to definition, completion and document symbols from what the load found.

#include <cstdint>
#include <map>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <utility>

#include "tools/lsp/DocumentText.h"
#include "tools/lsp/InstrumentIndex.h"
#include "tools/lsp/MessageTransport.h"

namespace chordlane::tool {

// JSON-RPC and protocol error codes.
inline constexpr int RPC_PARSE_ERROR = -32700;
inline constexpr int RPC_INVALID_REQUEST = -32600;
inline constexpr int RPC_METHOD_NOT_FOUND = -32601;
inline constexpr int RPC_INVALID_PARAMS = -32602;
inline constexpr int RPC_INTERNAL_ERROR = -32603;
inline constexpr int RPC_SERVER_NOT_INITIALIZED = -32002;

// JSON nested deeper than this is refused before it is parsed: no editor sends it, and
// every level costs the parser and the answer a little more.
inline constexpr int MAX_JSON_DEPTH = 128;

class LanguageServer {
  public:
    //! transport must outlive the server.
    explicit LanguageServer(MessageTransport& transport, std::string version);
    ~LanguageServer();
    LanguageServer(const LanguageServer&) = delete;
    LanguageServer& operator=(const LanguageServer&) = delete;

    //! Serves until the exit notification or the end of input; answers the exit code: 0
    //! when shutdown was asked for first, else 1, as the protocol has it.
    int Run();

  private:
    struct Document {
        std::string text;
        int64_t version = 0;
        String path;  // what the loader is given for it
        bool dirty = true;
        std::unique_ptr<DocumentText> lines;
        std::unique_ptr<InstrumentIndex> index;
    };
    // What a request answers: a result, or an error.
    struct Reply;

    void Handle(const std::string& body);
    void Dispatch(const nlohmann::json& message);
    void Request(const std::string& method, const nlohmann::json& params, Reply& reply);
    void Notification(const std::string& method, const nlohmann::json& params);

    void Initialize(Reply& reply);
    void DidOpen(const nlohmann::json& params);
    void DidChange(const nlohmann::json& params);
    void DidClose(const nlohmann::json& params);
    void Hover(const nlohmann::json& params, Reply& reply);
    void Definition(const nlohmann::json& params, Reply& reply);
    void Completion(const nlohmann::json& params, Reply& reply);
    void DocumentSymbols(const nlohmann::json& params, Reply& reply);

    //! The open document a request's params name, loaded and up to date; null when the
    //! params name none (reply then holds the error).
    Document* Analysed(const nlohmann::json& params, Reply& reply);
    //! The line and column of a request's position; nothing when it has none (reply then
    //! holds the error).
    std::optional<std::pair<int32_t, int32_t>> PositionOf(const nlohmann::json& params,
                                                          Reply& reply);
    void Analyse(const std::string& uri, Document& document);
    void AnalysePending();
    void Publish(const std::string& uri, const Document& document);

    void Send(const nlohmann::json& message);
    void SendError(const nlohmann::json& id, int code, const std::string& message);

    MessageTransport& transport_;
    std::string version_;
    std::map<std::string, Document> documents_;
    bool initialized_ = false;
    bool shutdown_ = false;
    bool exit_ = false;
};

}  // namespace chordlane::tool
