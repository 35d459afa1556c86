#include "desktop/ImportedLibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "platform/qt/QtStringConversion.h"

namespace chordlane {

namespace {

// Empty when written, else the path and why not.
std::string WriteAll(FileSystem& files, const QString& path, std::string_view bytes) {
    const std::string reason = files.ReplaceWhole(FromQString(path), bytes);
    return reason.empty() ? reason : path.toStdString() + ": " + reason;
}

}  // namespace

std::unique_ptr<ImportedLibrary> ImportedLibrary::Import(SoundLibrary& library,
                                                         const std::string& libraryPath,
                                                         const LibraryPreset& preset,
                                                         ImportLayout layout, FileSystem& files,
                                                         std::string& reason) {
    std::unique_ptr<ImportedLibrary> imported(new ImportedLibrary);
    if (!imported->folder_.isValid()) {
        reason = "no temporary folder: " + imported->folder_.errorString().toStdString();
        return nullptr;
    }
    const ImportedInstrument result = ImportPreset(library, preset, layout);
    if (result.notes.empty()) {
        reason = "its preset '" + preset.name + "' sounds no note";
        return nullptr;
    }
    const QDir folder(imported->folder_.path());
    if (!folder.mkpath(QString::fromStdString(result.name))) {
        reason = "cannot make a folder in " + folder.path().toStdString();
        return nullptr;
    }
    for (const ImportedFile& wave : result.waves) {
        reason = WriteAll(files, folder.filePath(QString::fromStdString(wave.name)), wave.bytes);
        if (!reason.empty()) return nullptr;
        imported->waves_.push_back(wave.name);
    }
    const QString instrument = folder.filePath(QString::fromStdString(result.fileName));
    reason = WriteAll(files, instrument, result.text);
    if (!reason.empty()) return nullptr;
    imported->instrumentPath_ = FromQString(instrument);
    imported->libraryPath_ = libraryPath;
    imported->preset_ = preset;
    imported->layout_ = result.layout;
    imported->notes_ = result.notes;
    return imported;
}

std::string ImportedLibrary::Reference() const {
    return libraryPath_ + "#" + std::to_string(preset_.bank) + ":" +
           std::to_string(preset_.program);
}

std::string ImportedLibrary::SaveAs(const String& chosen, FileSystem& files, String& saved) const {
    QString path = ToQString(chosen);
    if (!path.contains(QLatin1Char('.'))) path += QStringLiteral(".clx");
    const QFileInfo target(path);
    // The waves go in a folder of the saved file's own name, so that instruments saved side
    // by side keep theirs apart; a name that is safe to write unquoted in the file.
    const std::string waveFolder = SafeFileName(target.completeBaseName().toStdString());
    const QDir destination = target.absoluteDir();
    if (!destination.mkpath(QString::fromStdString(waveFolder)))
        return "cannot make the folder " +
               destination.filePath(QString::fromStdString(waveFolder)).toStdString();
    const QDir source(folder_.path());
    for (const std::string& wave : waves_) {
        QFile in(source.filePath(QString::fromStdString(wave)));
        if (!in.open(QIODevice::ReadOnly))
            return in.fileName().toStdString() + ": " + in.errorString().toStdString();
        const QByteArray bytes = in.readAll();
        const std::string name = wave.substr(wave.find('/') + 1);
        const std::string reason =
            WriteAll(files, destination.filePath(QString::fromStdString(waveFolder + "/" + name)),
                     std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
        if (!reason.empty()) return reason;
    }
    // Written last: an instrument file that is there has its waves.
    const std::string text = WriteLayout(layout_, preset_.name, notes_, waveFolder + "/");
    const std::string reason = WriteAll(files, target.absoluteFilePath(), text);
    if (reason.empty()) saved = FromQString(target.absoluteFilePath());
    return reason;
}

}  // namespace chordlane
