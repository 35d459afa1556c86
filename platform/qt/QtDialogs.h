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

// The open-file and save-file dialogs over QFileDialog, modal on the main window and centred
// over it. Where an instrument file is asked for, a button chooses the built-in one.
class QtDialogs : public FileDialogs {
  public:
    static constexpr char16_t BUILTIN_BUTTON_TEXT[] = u"Built-in &Guitar";

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
    //! Adds the built-in instrument's button; chosen turns true when it is pressed.
    static bool OfferBuiltin(QFileDialog& dialog, bool& chosen);
    //! Says, over the dialog, that the name typed in it names no file.
    static void ShowNotFound(QFileDialog& dialog, const QString& name);

    QWidget* parent_;
    std::vector<std::pair<QString, QString>> places_;
};

}  // namespace chordlane
