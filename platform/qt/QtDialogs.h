#pragma once
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

#include "platform/FileDialogs.h"

class QWidget;

namespace chordlane {

// The open-file and save-file dialogs over QFileDialog, modal on the main window.
class QtDialogs : public FileDialogs {
public:
    // The chosen name goes into a buffer of this many characters with its terminator.
    static constexpr qsizetype MAX_NAME = 129;

    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }

    std::optional<String> ChooseFile(const FileDialogRequest& request) override;

    //! Qt's name filters for (description, pattern) pairs: "Description (*.a *.b)".
    static QStringList NameFilters(const std::vector<std::pair<String, String>>& filters);
    //! The chosen name, or nothing when it is empty or too long for the program's buffer
    //! (a name that would be cut short would open the wrong file).
    static std::optional<String> AcceptChosenName(const QString& chosen);

private:
    QWidget* parent_;
};

}  // namespace chordlane
