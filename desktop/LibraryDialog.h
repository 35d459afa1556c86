#pragma once
#include <QDialog>
#include <functional>
#include <vector>

#include "import/InstrumentLayout.h"
#include "import/SoundLibrary.h"

class QComboBox;
class QListWidget;

namespace chordlane {

// Opening a sound library: which of its presets to play, and on which layout. The layout
// follows the preset (pads for a percussion preset, else the keyboard) until the person
// picks one.
class LibraryDialog : public QDialog {
  public:
    //! presets as the library lists them; selected is the index chosen at first.
    LibraryDialog(const QString& libraryName, std::vector<LibraryPreset> presets,
                  std::function<bool(const LibraryPreset&)> isPercussion, size_t selected,
                  QWidget* parent = nullptr);

    const LibraryPreset& Preset() const;
    ImportLayout Layout() const;
    QListWidget* PresetList() const { return list_; }
    QComboBox* LayoutBox() const { return layout_; }

    //! How a preset is listed: "BANK:PROGRAM NAME".
    static QString PresetLabel(const LibraryPreset& preset);

  private:
    void FollowPreset();

    std::vector<LibraryPreset> presets_;
    std::function<bool(const LibraryPreset&)> isPercussion_;
    QListWidget* list_;
    QComboBox* layout_;
    bool layoutPicked_ = false;
};

}  // namespace chordlane
