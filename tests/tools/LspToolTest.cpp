// chordlane-tool lsp as an editor drives it: the real program on pipes, spoken to in framed
// JSON-RPC messages.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <deque>
#include <nlohmann/json.hpp>

#include "tests/tools/ToolRunner.h"

namespace chordlane::test {
namespace {

using json = nlohmann::json;

// A guard against a server that stops answering, so that such a fault fails the test
// instead of hanging it; no answer is expected to come anywhere near it.
constexpr int GIVE_UP_MS = 120'000;

// The editor's side: spawns the server with pipes, frames what it sends, unframes what it
// reads, and keeps the notifications that arrive while it waits for a response.
class LspClient {
  public:
    explicit LspClient(const std::filesystem::path& folder) {
        // Nothing of the user's home is searched. Made before the fork: the child may only
        // make async-signal-safe calls until it runs the server.
        std::vector<std::string> environment{"HOME=" + folder.string()};
        for (char** e = environ; *e; ++e) {
            if (std::string_view(*e).rfind("HOME=", 0) != 0) environment.emplace_back(*e);
        }
        std::vector<char*> envp;
        for (std::string& e : environment) envp.push_back(e.data());
        envp.push_back(nullptr);
        const std::string self = CHORDLANE_TOOL_PATH;
        const std::string command = "lsp";
        char* argv[] = {const_cast<char*>(self.c_str()), const_cast<char*>(command.c_str()),
                        nullptr};
        int toServer[2];
        int fromServer[2];
        // Not inherited by a server started later, which would keep this one's input open.
        if (pipe2(toServer, O_CLOEXEC) != 0 || pipe2(fromServer, O_CLOEXEC) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(toServer[0], STDIN_FILENO);
            dup2(fromServer[1], STDOUT_FILENO);
            close(toServer[1]);
            close(fromServer[0]);
            if (chdir(folder.c_str()) != 0) _exit(127);
            execve(argv[0], argv, envp.data());
            _exit(127);
        }
        close(toServer[0]);
        close(fromServer[1]);
        in_ = toServer[1];
        out_ = fromServer[0];
        signal(SIGPIPE, SIG_IGN);
    }
    ~LspClient() {
        if (in_ >= 0) close(in_);
        if (out_ >= 0) close(out_);
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    void SendRaw(const std::string& bytes) {
        size_t written = 0;
        while (written < bytes.size()) {
            const ssize_t n = write(in_, bytes.data() + written, bytes.size() - written);
            if (n <= 0) return;
            written += static_cast<size_t>(n);
        }
    }
    void SendBody(const std::string& body) {
        SendRaw("Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
    }
    void Notify(const std::string& method, const json& params) {
        SendBody(json{{"jsonrpc", "2.0"}, {"method", method}, {"params", params}}.dump());
    }
    //! Sends a request and answers its response.
    json Call(const std::string& method, const json& params = json::object()) {
        const int id = nextId_++;
        SendBody(
            json{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}}.dump());
        return ResponseTo(id);
    }
    //! The response with this id; null when the server stopped first.
    json ResponseTo(const json& id) {
        for (;;) {
            json message = Next();
            if (message.is_null()) return nullptr;
            if (message.contains("id") && !message.contains("method") && message["id"] == id) {
                return message;
            }
            pending_.push_back(std::move(message));
        }
    }
    //! The next message that is not a response to a request with an id.
    json NextUnasked() {
        for (;;) {
            json message = Next();
            if (message.is_null() || !message.contains("id") || message["id"].is_null()) {
                return message;
            }
        }
    }
    //! The diagnostics of the next publication for uri.
    json Diagnostics(const std::string& uri) {
        for (;;) {
            json message = Next();
            if (message.is_null()) return nullptr;
            if (message.value("method", "") == "textDocument/publishDiagnostics" &&
                message["params"]["uri"] == uri) {
                return message["params"]["diagnostics"];
            }
        }
    }
    void Initialize() {
        const json reply = Call("initialize", {{"processId", nullptr}, {"capabilities", {}}});
        ASSERT_TRUE(reply.contains("result")) << reply;
        Notify("initialized", json::object());
    }
    void Open(const std::string& uri, const std::string& text) {
        Notify("textDocument/didOpen",
               {{"textDocument",
                 {{"uri", uri}, {"languageId", "chordlane"}, {"version", 1}, {"text", text}}}});
    }
    void Change(const std::string& uri, int version, const std::string& text) {
        Notify("textDocument/didChange", {{"textDocument", {{"uri", uri}, {"version", version}}},
                                          {"contentChanges", {{{"text", text}}}}});
    }
    //! Closes the server's input and answers its exit code (-1 when it did not exit).
    int Finish() {
        close(in_);
        in_ = -1;
        int status = 0;
        waitpid(pid_, &status, 0);
        reaped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    //! Shuts the server down as an editor does and answers its exit code.
    int ShutDown() {
        const json reply = Call("shutdown");
        EXPECT_TRUE(reply.contains("result")) << reply;
        Notify("exit", json::object());
        return Finish();
    }

  private:
    // The next message, from those put aside first; null at the end of the output.
    json Next() {
        if (!pending_.empty()) {
            json message = std::move(pending_.front());
            pending_.pop_front();
            return message;
        }
        std::string header;
        size_t length = 0;
        for (;;) {
            std::string line;
            for (;;) {
                const int c = Byte();
                if (c < 0) return nullptr;
                if (c == '\n') break;
                if (c != '\r') line.push_back(static_cast<char>(c));
            }
            if (line.empty()) break;
            if (line.rfind("Content-Length: ", 0) == 0) length = std::stoul(line.substr(16));
        }
        std::string body;
        for (size_t i = 0; i < length; ++i) {
            const int c = Byte();
            if (c < 0) return nullptr;
            body.push_back(static_cast<char>(c));
        }
        return json::parse(body);
    }
    int Byte() {
        pollfd fd{out_, POLLIN, 0};
        if (poll(&fd, 1, GIVE_UP_MS) <= 0) {
            ADD_FAILURE() << "the server sent nothing for " << GIVE_UP_MS << " ms";
            return -1;
        }
        unsigned char c = 0;
        return read(out_, &c, 1) == 1 ? c : -1;
    }

    pid_t pid_ = -1;
    bool reaped_ = false;
    int in_ = -1;
    int out_ = -1;
    int nextId_ = 1;
    std::deque<json> pending_;
};

class LspToolTest : public ToolTest {
  protected:
    std::string Uri(const std::string& name) { return "file://" + Path(name); }
    // The position of a request on the open file "main.clx".
    json At(int line, int character) {
        return {{"textDocument", {{"uri", Uri("main.clx")}}},
                {"position", {{"line", line}, {"character", character}}}};
    }
    // Starts the server on "main.clx" with this text open (the disk holding the same) and
    // answers the first diagnostics.
    json OpenMain(const std::string& text) {
        WriteFile("main.clx", text);
        client_->Initialize();
        client_->Open(Uri("main.clx"), text);
        return client_->Diagnostics(Uri("main.clx"));
    }
    static std::vector<std::string> Messages(const json& diagnostics) {
        std::vector<std::string> messages;
        for (const json& d : diagnostics) {
            messages.push_back(std::to_string(d["range"]["start"]["line"].get<int>()) + " " +
                               std::to_string(d["severity"].get<int>()) + " " +
                               d["message"].get<std::string>());
        }
        return messages;
    }

    void SetUp() override {
        ToolTest::SetUp();
        client_ = std::make_unique<LspClient>(temp_);
    }

    std::unique_ptr<LspClient> client_;
};

TEST_F(LspToolTest, TheLifecycleEndsWithExitCodeZeroAfterShutdown) {
    const json early = client_->Call("textDocument/hover", At(0, 0));
    EXPECT_EQ(early["error"]["code"], -32002);
    const json reply = client_->Call("initialize", {{"capabilities", json::object()}});
    const json& capabilities = reply["result"]["capabilities"];
    EXPECT_EQ(capabilities["textDocumentSync"]["change"], 1);
    EXPECT_EQ(capabilities["hoverProvider"], true);
    EXPECT_EQ(capabilities["definitionProvider"], true);
    EXPECT_EQ(capabilities["documentSymbolProvider"], true);
    EXPECT_TRUE(capabilities.contains("completionProvider"));
    client_->Notify("initialized", json::object());
    EXPECT_EQ(client_->Call("workspace/noSuchThing")["error"]["code"], -32601);
    EXPECT_EQ(client_->ShutDown(), 0);
}

TEST_F(LspToolTest, HelpNamesTheCommandAndArgumentsAreRefused) {
    EXPECT_THAT(RunTool({"--help"}, temp_).out, testing::HasSubstr("  chordlane-tool lsp\n"));
    const ToolRun extra = RunTool({"lsp", "main.clx"}, temp_);
    EXPECT_EQ(extra.exitCode, 2);
    EXPECT_EQ(extra.err, "chordlane-tool: lsp takes no arguments\n");
}

TEST_F(LspToolTest, ExitWithoutShutdownOrTheEndOfInputExitsWithOne) {
    client_->Initialize();
    client_->Notify("exit", json::object());
    EXPECT_EQ(client_->Finish(), 1);
    LspClient second(temp_);
    second.Initialize();
    EXPECT_EQ(second.Finish(), 1);
}

TEST_F(LspToolTest, DiagnosticsAreChecksProblemsOneLineUp) {
    const json diagnostics = OpenMain(R"(cl1.0
v kick
br pad 0 0 50 50
{ init
=s pad.na kik
}
gr far 300 10 20 20
ge
   v indented
)");
    EXPECT_THAT(Messages(diagnostics),
                testing::ElementsAre(
                    "7 1 ge: missing NAME", "8 2 indented line beginning with 'v' is ignored",
                    "4 2 name \"kik\" resolves to nothing (did you mean \"kick\"?)",
                    "6 2 rectangle of \"far\" lies wholly outside the 240x320 "
                    "screen"));
    EXPECT_EQ(diagnostics[0]["range"]["end"]["character"], 2) << "the whole line";
}

TEST_F(LspToolTest, AnEditIsCheckedAsTypedWhateverTheDiskHolds) {
    EXPECT_EQ(OpenMain("cl1.0\nv kick\n> kik\n").size(), 1u);
    // The disk keeps the typo; the editor's text is what counts.
    client_->Change(Uri("main.clx"), 2, "cl1.0\nv kick\n> kick\n");
    EXPECT_EQ(client_->Diagnostics(Uri("main.clx")), json::array());
    client_->Change(Uri("main.clx"), 3, "cl1.0\nv kick\n> kick\n{ open\n");
    EXPECT_THAT(
        Messages(client_->Diagnostics(Uri("main.clx"))),
        testing::ElementsAre("3 2 group \"open\" is not closed before the end of the file"));
    // A file that exists only in the editor is checked all the same.
    client_->Open(Uri("unsaved.clx"), "cl1.0\ngr\n");
    EXPECT_THAT(Messages(client_->Diagnostics(Uri("unsaved.clx"))),
                testing::ElementsAre("1 1 gr: missing NAME"));
    client_->Notify("textDocument/didClose", {{"textDocument", {{"uri", Uri("unsaved.clx")}}}});
    EXPECT_EQ(client_->Diagnostics(Uri("unsaved.clx")), json::array());
    EXPECT_EQ(client_->ShutDown(), 0);
}

TEST_F(LspToolTest, IncludedFilesComeFromTheDiskAndKeepTheirProblems) {
    Instrument("part.clx", "v snare\ngr\n");
    const json diagnostics = OpenMain("cl1.0\ni part.clx\n> snare\n> kick\n");
    // part.clx's own skipped line is its own; the name it declares resolves here.
    EXPECT_THAT(Messages(diagnostics),
                testing::ElementsAre("3 2 name \"kick\" resolves to nothing"));
    const json definition = client_->Call("textDocument/definition", At(2, 3));
    ASSERT_EQ(definition["result"].size(), 1u) << definition;
    EXPECT_EQ(definition["result"][0]["uri"], Uri("part.clx"));
    EXPECT_EQ(definition["result"][0]["range"]["start"]["line"], 1);
    const json hover = client_->Call("textDocument/hover", At(2, 3));
    EXPECT_EQ(hover["result"]["contents"]["value"],
              "VoiceElement \"snare\", declared at " + Path("part.clx") + ":2");
}

TEST_F(LspToolTest, HoverTellsWhatALineDeclaresAndWhereANameIsDeclared) {
    OpenMain("cl1.0\nv kick\n[ page 0 0 240 320\nbr pad 0 0 50 50\n=s pad.na kick\n]\n");
    EXPECT_EQ(client_->Call("textDocument/hover", At(1, 0))["result"]["contents"]["value"],
              "v NAME: a voice that plays notes\nbuilds VoiceElement \"kick\"");
    // Inside the panel names carry its prefix.
    EXPECT_EQ(client_->Call("textDocument/hover", At(3, 4))["result"]["contents"]["value"],
              "br NAME X Y W H: a rectangular button\nbuilds RectButtonElement \"Apad\" in panel "
              "1");
    const json onTarget = client_->Call("textDocument/hover", At(4, 4));
    EXPECT_EQ(onTarget["result"]["contents"]["value"],
              "RectButtonElement \"Apad\", declared at " + Path("main.clx") + ":4");
    EXPECT_EQ(onTarget["result"]["range"]["start"]["character"], 3);
    EXPECT_EQ(onTarget["result"]["range"]["end"]["character"], 6);
    // "kick" is looked up as "Akick" first, then found as written.
    EXPECT_EQ(client_->Call("textDocument/hover", At(4, 11))["result"]["contents"]["value"],
              "VoiceElement \"kick\", declared at " + Path("main.clx") + ":2");
    EXPECT_TRUE(client_->Call("textDocument/hover", At(2, 12))["result"].is_null()) << "a number";
    EXPECT_TRUE(client_->Call("textDocument/hover", At(0, 1))["result"].is_null()) << "the header";
}

TEST_F(LspToolTest, DefinitionGoesToTheDeclaringLineOfANameOrANote) {
    OpenMain("cl1.0\ns ep-lo lo.wav 130.8 12 11\nv key\n=s key.ns ep-C3\n> key\n");
    const json ofVoice = client_->Call("textDocument/definition", At(4, 2));
    ASSERT_EQ(ofVoice["result"].size(), 1u) << ofVoice;
    EXPECT_EQ(ofVoice["result"][0]["uri"], Uri("main.clx"));
    EXPECT_EQ(ofVoice["result"][0]["range"]["start"]["line"], 2);
    // A note name goes to the sound of its set.
    const json ofNote = client_->Call("textDocument/definition", At(3, 11));
    ASSERT_EQ(ofNote["result"].size(), 1u) << ofNote;
    EXPECT_EQ(ofNote["result"][0]["range"]["start"]["line"], 1);
    EXPECT_TRUE(client_->Call("textDocument/definition", At(4, 0))["result"].is_null());
}

TEST_F(LspToolTest, CompletionOffersDirectivesAtTheStartAndNamesWhereANameGoes) {
    OpenMain("cl1.0\ns ep-lo lo.wav 130.8 12 11\nv kick\n{ chords\n}\n> \n=s kick.ns \n=i ch\n");
    const auto labels = [&](int line, int character) {
        std::vector<std::string> found;
        const json reply = client_->Call("textDocument/completion", At(line, character));
        for (const json& item : reply["result"]["items"]) found.push_back(item["label"]);
        return found;
    };
    const std::vector<std::string> directives = labels(5, 0);
    EXPECT_THAT(directives, testing::IsSupersetOf({"ge", "br", "v", "s", "{", "=s", "i"}));
    EXPECT_THAT(labels(5, 2), testing::UnorderedElementsAre("ep-lo", "kick", "chords"));
    EXPECT_THAT(labels(6, 11), testing::UnorderedElementsAre("ep-lo", "ep"));
    // The word being typed is replaced.
    const json item = client_->Call("textDocument/completion", At(7, 5))["result"]["items"][0];
    EXPECT_EQ(item["textEdit"]["range"]["start"]["character"], 3);
    EXPECT_EQ(item["textEdit"]["range"]["end"]["character"], 5);
    EXPECT_TRUE(labels(2, 4).empty()) << "a name being declared";
}

TEST_F(LspToolTest, DocumentSymbolsAreTheElementTree) {
    Instrument("part.clx", "v outside\n");
    OpenMain(R"(cl1.0
i part.clx
{ chords
v c
{ inner
> c
}
}
[ page 0 0 240 320
gt label "C major" 0 0 50 20
]
)");
    const json symbols = client_->Call("textDocument/documentSymbol",
                                       {{"textDocument", {{"uri", Uri("main.clx")}}}})["result"];
    // What part.clx declares is no symbol of this file.
    ASSERT_EQ(symbols.size(), 2u) << symbols;
    EXPECT_EQ(symbols[0]["name"], "chords");
    EXPECT_EQ(symbols[0]["detail"], "GroupElement");
    EXPECT_EQ(symbols[0]["range"]["start"]["line"], 2);
    EXPECT_EQ(symbols[0]["range"]["end"]["line"], 5) << "to its last member";
    ASSERT_EQ(symbols[0]["children"].size(), 2u);
    EXPECT_EQ(symbols[0]["children"][1]["name"], "inner");
    EXPECT_EQ(symbols[0]["children"][1]["children"][0]["detail"], "PlayAction");
    EXPECT_EQ(symbols[1]["name"], "page");
    ASSERT_EQ(symbols[1]["children"].size(), 1u);
    EXPECT_EQ(symbols[1]["children"][0]["name"], "label") << "without the panel's prefix";
    EXPECT_EQ(symbols[1]["children"][0]["selectionRange"]["start"]["character"], 3);
}

TEST_F(LspToolTest, MalformedMessagesAreAnsweredAndTheServerGoesOn) {
    client_->Initialize();
    client_->SendBody("{\"jsonrpc\": \"2.0\", \"id\": 5, \"method\"");
    EXPECT_EQ(client_->NextUnasked()["error"]["code"], -32700);
    client_->SendBody("[1, 2, 3]");
    EXPECT_EQ(client_->NextUnasked()["error"]["code"], -32600);
    client_->SendBody(std::string(100000, '[') + std::string(100000, ']'));
    EXPECT_EQ(client_->NextUnasked()["error"]["code"], -32700);
    client_->SendBody(R"({"jsonrpc": "2.0", "id": {"a": 1}, "method": "shutdown"})");
    EXPECT_EQ(client_->NextUnasked()["error"]["code"], -32600);
    // A header block without a length: the body that follows is read as more headers.
    client_->SendRaw("Content-Type: application/json\r\n\r\n");
    EXPECT_EQ(client_->NextUnasked()["error"]["code"], -32700);
    // Parameters of the wrong shape.
    const json hover = client_->Call("textDocument/hover", {{"textDocument", 7}});
    EXPECT_EQ(hover["error"]["code"], -32602);
    const json unopened = client_->Call("textDocument/hover", At(1, 1));
    EXPECT_EQ(unopened["error"]["code"], -32602);
    client_->Notify("textDocument/didOpen", {{"textDocument", {{"uri", 3}, {"text", false}}}});
    client_->Notify("textDocument/didChange", json::array());
    EXPECT_EQ(client_->ShutDown(), 0);
}

TEST_F(LspToolTest, ATextLongerThanTheLoaderReadsIsCheckedUpToItsBound) {
    std::string text = "cl1.0\n";
    for (int i = 0; i < 50010; ++i) text += "v x" + std::to_string(i) + "\n";
    const json diagnostics = OpenMain(text);
    EXPECT_THAT(Messages(diagnostics),
                testing::ElementsAre("50001 1 the instrument is longer than 50000 lines: the "
                                     "rest is not read"));
    EXPECT_TRUE(client_->Call("textDocument/hover", At(50005, 3))["result"].is_null());
    EXPECT_EQ(client_->Call("textDocument/hover", At(100, 0))["result"]["contents"]["value"],
              "v NAME: a voice that plays notes\nbuilds VoiceElement \"x99\"");
}

TEST_F(LspToolTest, AnAbsurdLengthIsRefusedUnreadAndATruncatedMessageEndsTheServer) {
    client_->Initialize();
    client_->SendRaw("Content-Length: 99999999999999999999999\r\n\r\n{}");
    const json refused = client_->NextUnasked();
    EXPECT_EQ(refused["error"]["code"], -32700);
    EXPECT_THAT(refused["error"]["message"].get<std::string>(), testing::HasSubstr("64 MiB"));
    EXPECT_EQ(client_->Finish(), 1);

    LspClient second(temp_);
    second.Initialize();
    second.SendRaw("Content-Length: 100\r\n\r\n{\"jsonrpc\"");
    EXPECT_EQ(second.Finish(), 1);
}

}  // namespace
}  // namespace chordlane::test
