#pragma once
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

#include "platform/FileDialogs.h"

class QFileDialog;
class QWidget;

namespace chordlane {

// The open-file and save-file dialogs over QFileDialog, modal on the main window.
class QtDialogs : public FileDialogs {
  public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    //! The places the sidebar offers, each a label and a folder, in order.
    void SetPlaces(std::vector<std::pair<QString, QString>> places) { places_ = std::move(places); }

    std::optional<String> ChooseFile(const FileDialogRequest& request) override;

    //! Qt's name filters for (description, pattern) pairs: "Description (*.a *.b)".
    static QStringList NameFilters(const std::vector<std::pair<String, String>>& filters);
    //! The chosen name, or nothing when it is empty (the dialog's way of saying no file).
    static std::optional<String> AcceptChosenName(const QString& chosen);

    enum class OpenChoice { Builtin, Existing, Missing };
    //! What an Open dialog's answer names: "!" typed as a name is the built-in instrument.
    static OpenChoice ClassifyOpenChoice(const QString& chosen);
    //! Whether the dialog offers instrument files (and so takes "!" for the built-in one).
    static bool AsksForInstruments(const FileDialogRequest& request);

  private:
    void ShowPlaces(QFileDialog& dialog) const;

    QWidget* parent_;
    std::vector<std::pair<QString, QString>> places_;
};

}  // namespace chordlane
