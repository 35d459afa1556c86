#include "tools/ToolSession.h"

#include <QStandardPaths>
#include <filesystem>

#include "app/Folders.h"
#include "app/Settings.h"
#include "platform/Text.h"

namespace chordlane::tool {

String ExecutableFolder() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return u"/";
    return ProgramFolderFromPath(FromUtf8(self.string()));
}

String ToolProgramFolder() {
    const String executable = ExecutableFolder();
    std::error_code ec;
    const String installed = executable + FromUtf8(CHORDLANE_INSTALLED_FOLDER);
    if (std::filesystem::is_directory(ToUtf8(installed), ec)) return installed;
    if (std::filesystem::is_directory(CHORDLANE_BUILD_FOLDER, ec)) {
        return FromUtf8(CHORDLANE_BUILD_FOLDER);
    }
    return executable;
}

String DocumentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return WithTrailingSeparator(FromUtf8(documents.toStdString()));
}

ToolSession::ToolSession(const CommonOptions& options) {
    Instrument& app = instrument_;
    app.SetScreen(options.screenWidth, options.screenHeight);
    app.load.programFolder = ToolProgramFolder();
    app.load.homeFolder = options.home ? WithTrailingSeparator(FromUtf8(*options.home))
                                       : DeriveHomeFolder(&platform_.settings, DocumentsFolder());
    app.variables.vM = 50;
    app.options.pitch = options.pitch;
    // The program's first start stores a system volume; an activation reads it into "vM".
    ProvideSystemVolume(&platform_.settings);
    for (const std::string& answer : options.answers) platform_.dialogs.Answer(FromUtf8(answer));
}

ToolSession::~ToolSession() = default;

void ToolSession::UseFiles(std::unique_ptr<FileSystem> files) {
    files_ = std::move(files);
    platform_.services.files = files_.get();
}

}  // namespace chordlane::tool
