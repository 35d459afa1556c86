#pragma once
// What the parser tells whoever builds from a load's lines, in file order. Levels nest: a
// file (BeginFile ... EndFile) holds blocks (BeginBlock ... EndBlock) and included files, and
// what a level opens (a panel, a design size) is that level's alone: it starts with what its
// enclosing level had open and gives nothing back when it ends. Problems of the text itself
// go to the load's listeners; the directives given here have every field their kind needs.

#include "language/Directive.h"
#include "platform/Types.h"

namespace chordlane {

class DirectiveListener {
  public:
    virtual ~DirectiveListener() = default;
    //! A file was found and its lines follow, up to EndFile: the top-level file or an include.
    virtual void BeginFile(const String& file) = 0;
    //! The lines of the file begun last are over.
    virtual void EndFile() = 0;
    //! A '{' line (kind Block); its lines follow up to EndBlock, none when it is closed.
    virtual void BeginBlock(const Directive& directive) = 0;
    //! The block begun last is over: its '}', the end of the input, or an aborted load.
    virtual void EndBlock() = 0;
    //! A '[' line (kind Panel): a panel opens for the rest of this level.
    virtual void OpenPanel(const Directive& directive) = 0;
    //! A ']' line: this level has no open panel any more.
    virtual void ClosePanel(const String& file, int32_t line) = 0;
    //! Any other directive: an element or an action to build.
    virtual void Build(const Directive& directive) = 0;
};

}  // namespace chordlane
