#include "platform/qt/QtDialogs.h"

#include <QAbstractItemView>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <algorithm>

#include "platform/qt/QtStringConversion.h"
#include "platform/qt/QtWindow.h"

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

void QtDialogs::ShowNotFound(QFileDialog& dialog, const QString& name) {
    QMessageBox box(
        QMessageBox::Warning, dialog.windowTitle(),
        QStringLiteral("%1\nFile not found.\nCheck the file name and try again.").arg(name),
        QMessageBox::Ok, &dialog);
    CentreOverWindow(box, &dialog);
    box.exec();
}

bool QtDialogs::OfferBuiltin(QFileDialog& dialog, bool& chosen) {
    // Qt's own dialog lays itself out on a grid: the button goes in a row of its own below.
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (!grid) return false;
    auto* builtin = new QPushButton(QString::fromUtf16(BUILTIN_BUTTON_TEXT), &dialog);
    builtin->setObjectName(QStringLiteral("builtinButton"));
    builtin->setToolTip(QStringLiteral("The guitar built into the program (the name \"!\")"));
    builtin->setAutoDefault(false);
    grid->addWidget(builtin, grid->rowCount(), 0, 1, grid->columnCount(), Qt::AlignLeft);
    QObject::connect(builtin, &QPushButton::clicked, &dialog, [&dialog, &chosen] {
        chosen = true;
        // Through QDialog: QFileDialog's own accept would look at the name typed instead.
        static_cast<QDialog&>(dialog).done(QDialog::Accepted);
    });
    return true;
}

std::optional<String> QtDialogs::ChooseFile(const FileDialogRequest& request) {
    QWidget* window = parent_ ? parent_->window() : nullptr;
    QFileDialog dialog(window, ToQString(request.title), ToQString(request.initialFolder));
    // Qt's own dialog on every desktop: the sidebar's places and "!" depend on it.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    // An existing file is checked below, so that "!" can name the built-in instrument.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (!request.filters.empty()) dialog.setNameFilters(NameFilters(request.filters));
    ShowPlaces(dialog);
    // Where an instrument is asked for, the built-in one is a button away, not only "!".
    bool builtinChosen = false;
    if (request.open && AsksForInstruments(request)) OfferBuiltin(dialog, builtinChosen);
    CentreOverWindow(dialog, window);
    for (;;) {
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        if (builtinChosen) return String(u"!");
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
                ShowNotFound(dialog, files.first());
                break;
        }
    }
}

}  // namespace chordlane
