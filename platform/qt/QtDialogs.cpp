#include "platform/qt/QtDialogs.h"

#include <QAbstractItemView>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>
#include <algorithm>

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

QtDialogs::OpenChoice QtDialogs::ClassifyOpenChoice(const QString& chosen) {
    const QFileInfo info(chosen);
    if (info.isFile()) return OpenChoice::Existing;
    if (info.fileName() == QStringLiteral("!")) return OpenChoice::Builtin;
    return OpenChoice::Missing;
}

bool QtDialogs::AsksForInstruments(const FileDialogRequest& request) {
    for (const auto& filter : request.filters)
        if (filter.second.find(u"*.clx") != String::npos) return true;
    return false;
}

void QtDialogs::ShowPlaces(QFileDialog& dialog) const {
    if (places_.empty()) return;
    QList<QUrl> urls;
    for (const auto& place : places_) urls << QUrl::fromLocalFile(place.second);
    dialog.setSidebarUrls(urls);
    // The sidebar names a place by its folder's name; the program folder's name says nothing
    // to a person, so each place gets its label. The sidebar puts the folder's name back
    // whenever the folder's model reports a change, so the labels go back on after each.
    auto* sidebar = dialog.findChild<QAbstractItemView*>(QStringLiteral("sidebar"));
    QAbstractItemModel* model = sidebar ? sidebar->model() : nullptr;
    if (!model) return;
    auto relabel = [model, places = places_] {
        const int rows = std::min(model->rowCount(), static_cast<int>(places.size()));
        for (int row = 0; row < rows; ++row) {
            const QModelIndex index = model->index(row, 0);
            const QString& label = places[static_cast<size_t>(row)].first;
            // Setting the same text again changes nothing and reports nothing.
            if (index.data(Qt::DisplayRole).toString() != label)
                model->setData(index, label, Qt::DisplayRole);
        }
    };
    relabel();
    QObject::connect(model, &QAbstractItemModel::dataChanged, &dialog, relabel);
    QObject::connect(model, &QAbstractItemModel::rowsInserted, &dialog, relabel);
    QObject::connect(model, &QAbstractItemModel::layoutChanged, &dialog, relabel);
    QObject::connect(model, &QAbstractItemModel::modelReset, &dialog, relabel);
}

std::optional<String> QtDialogs::ChooseFile(const FileDialogRequest& request) {
    QFileDialog dialog(parent_, ToQString(request.title), ToQString(request.initialFolder));
    // Qt's own dialog on every desktop: the sidebar's places and "!" depend on it.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    // An existing file is checked below, so that "!" can name the built-in instrument.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (!request.filters.empty()) dialog.setNameFilters(NameFilters(request.filters));
    ShowPlaces(dialog);
    for (;;) {
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        const QStringList files = dialog.selectedFiles();
        if (files.isEmpty()) return std::nullopt;
        if (!request.open || !request.mustExist) return AcceptChosenName(files.first());
        switch (ClassifyOpenChoice(files.first())) {
            case OpenChoice::Existing:
                return AcceptChosenName(files.first());
            case OpenChoice::Builtin:
                // Only where an instrument is asked for: "!" is no wave file or picture.
                if (AsksForInstruments(request)) return String(u"!");
                [[fallthrough]];
            case OpenChoice::Missing:
                QMessageBox::warning(&dialog, dialog.windowTitle(),
                                     QStringLiteral("%1\nFile not found.\nCheck the file name "
                                                    "and try again.")
                                         .arg(files.first()));
                break;
        }
    }
}

}  // namespace chordlane
