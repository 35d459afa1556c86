#pragma once
// A preset of a sound library opened in the window: imported into a temporary folder the
// program owns, played from there as any instrument file, and kept by Save As.

#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "import/LibraryImport.h"
#include "platform/Types.h"

namespace chordlane {

class FileSystem;

class ImportedLibrary {
  public:
    //! Renders the preset of the library (at libraryPath) with the layout into a new
    //! temporary folder through files; null with the reason when the preset sounds no note
    //! or the folder cannot be written.
    static std::unique_ptr<ImportedLibrary> Import(SoundLibrary& library,
                                                   const std::string& libraryPath,
                                                   const LibraryPreset& preset, ImportLayout layout,
                                                   FileSystem& files, std::string& reason);

    //! The instrument file in the temporary folder.
    const String& InstrumentPath() const { return instrumentPath_; }
    //! "LIBRARY#BANK:PROGRAM": what opens the same preset again.
    std::string Reference() const;
    const LibraryPreset& Preset() const { return preset_; }
    const std::string& LibraryPath() const { return libraryPath_; }
    ImportLayout Layout() const { return layout_; }

    //! Writes the instrument to chosen (".clx" added to a name without a '.') and its
    //! wave files to a folder beside it named after it, which the instrument file names.
    //! Answers empty when written, else why not; saved is the instrument file's path.
    std::string SaveAs(const String& chosen, FileSystem& files, String& saved) const;

  private:
    ImportedLibrary() = default;

    QTemporaryDir folder_;
    String instrumentPath_;
    std::string libraryPath_;
    LibraryPreset preset_;
    ImportLayout layout_ = ImportLayout::Keyboard;
    std::vector<int> notes_;
    // The wave files as the importer names them ("NAME/k60.wav"), in the temporary folder.
    std::vector<std::string> waves_;
};

}  // namespace chordlane
