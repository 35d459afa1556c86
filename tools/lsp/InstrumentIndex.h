#pragma once
// What an instrument file declares and what is wrong with it, as the program's own loader
// finds it: the file is loaded exactly as chordlane-tool check loads it (its text as given,
// whatever the disk holds; the files it includes from the disk), and every element built
// is kept with the file and line it was built from and its place in the element tree. The
// language server answers its questions from this; it knows nothing of the protocol.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Types.h"

namespace chordlane::tool {

enum class ProblemSeverity {
    Error,        // a line skipped, a file not found or not loadable
    Warning,      // what the lint finds, and indented directives
    Information,  // a line left out because its file prompt has nobody to answer it
};

struct FileProblem {
    String file;       // the file's name as the loader used it
    int32_t line = 0;  // the physical line; the header is line 1
    std::string reason;
    ProblemSeverity severity = ProblemSeverity::Error;
};

struct Declaration {
    String name;         // as the instrument knows it: panel prefix and action suffix included
    String writtenName;  // as an author writes it inside the element's panel
    std::string className;
    String file;        // the file's name as the loader used it; "!" for the built-in instrument
    std::string path;   // the file's absolute path (NormalPath); empty for the built-in one
    int32_t line = 0;   // the physical line; the header is line 1
    int32_t panel = 0;  // the number of the panel it stands in; 0 for none
    int32_t panelNumber = 0;  // a panel's own number
    bool action = false;
    std::vector<size_t> children;  // indexes into Declarations(), in member order
};

struct IndexRequest {
    String path;            // where the file stands (its folder is searched for its includes)
    std::string_view text;  // what it holds, saved or not; read during Load only
    int32_t screenWidth = 240;
    int32_t screenHeight = 320;
    std::optional<std::string> home;  // the home folder; else the program's default
};

class InstrumentIndex {
  public:
    //! Loads the instrument as the program does, with request.text standing for the file.
    static InstrumentIndex Load(const IndexRequest& request);

    //! Everything check would say, in the order found.
    const std::vector<FileProblem>& Problems() const { return problems_; }
    //! Every element built, in the order built.
    const std::vector<Declaration>& Declarations() const { return declarations_; }
    //! The members of the root panel, as indexes into Declarations().
    const std::vector<size_t>& TopLevel() const { return topLevel_; }

    //! The elements built from this line of file (more than one when the file is included
    //! more than once).
    std::vector<const Declaration*> DeclaredAt(const String& file, int32_t line) const;
    //! The elements a name written on that line finds, as the loaded instrument looks names
    //! up: with the prefix of the line's panel, as written, without a leading capital; a
    //! note name finds the sounds that play it. The latest declaration first, as the
    //! registry keeps the latest.
    std::vector<const Declaration*> Resolve(std::u16string_view name, const String& file,
                                            int32_t line) const;

    //! Whether two of the loader's file names name the same file.
    static bool SameFile(const String& a, const String& b);

  private:
    friend class IndexRecorder;

    std::vector<const Declaration*> Named(const String& name) const;
    int32_t PanelOfLine(const String& file, int32_t line) const;

    std::vector<FileProblem> problems_;
    std::vector<Declaration> declarations_;
    std::vector<size_t> topLevel_;
};

}  // namespace chordlane::tool
