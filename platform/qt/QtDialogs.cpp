#include "platform/qt/QtDialogs.h"

#include <QFileDialog>

#include "platform/qt/QtStringConversion.h"

namespace chordlane {

QStringList QtDialogs::NameFilters(const std::vector<std::pair<String, String>>& filters) {
    QStringList list;
    for (const auto& [description, pattern] : filters) {
        QString globs = ToQString(pattern);
        globs.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the globs from the last parentheses; with HideNameFilterDetails the user
        // sees the description as it was written.
        list << ToQString(description) + QStringLiteral(" (") + globs.simplified() +
                    QLatin1Char(')');
    }
    return list;
}

std::optional<String> QtDialogs::AcceptChosenName(const QString& chosen) {
    if (chosen.isEmpty()) return std::nullopt;
    return FromQString(chosen);
}

std::optional<String> QtDialogs::ChooseFile(const FileDialogRequest& request) {
    QFileDialog dialog(parent_, ToQString(request.title), ToQString(request.initialFolder));
    dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(request.open && request.mustExist ? QFileDialog::ExistingFile
                                                         : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (!request.filters.empty()) dialog.setNameFilters(NameFilters(request.filters));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return AcceptChosenName(files.first());
}

}  // namespace chordlane
