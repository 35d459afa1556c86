#include "platform/qt/QtFileWatcher.h"

#include <QFileInfo>
#include <QSet>
#include <algorithm>

namespace chordlane {

namespace {

QStringList ToQStrings(const std::vector<std::string>& paths) {
    QStringList list;
    for (const std::string& path : paths) list << QString::fromStdString(path);
    return list;
}

}  // namespace

QtFileWatcher::QtFileWatcher(SettleTimes times) : files_(times) {
    clock_.start();
    settle_.setSingleShot(true);
    QObject::connect(&watcher_, &QFileSystemWatcher::fileChanged, &settle_,
                     [this](const QString&) { OnFileChanged(); });
    QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, &settle_,
                     [this](const QString&) { OnFolderChanged(); });
    QObject::connect(&settle_, &QTimer::timeout, &settle_, [this] { Settle(); });
}

QtFileWatcher::~QtFileWatcher() = default;

void QtFileWatcher::Watch(const std::vector<String>& paths) {
    settle_.stop();
    files_.Set(paths);
    // Only what differs is taken out and put in: a path watched throughout keeps the
    // changes already queued for it, such as a save made while the last reload was reading.
    const QStringList wantedList = ToQStrings(files_.Paths()) + ToQStrings(files_.Folders());
    const QSet<QString> wanted(wantedList.begin(), wantedList.end());
    QStringList dropped;
    for (const QString& path : WatchedNow()) {
        if (!wanted.contains(path)) dropped << path;
    }
    if (!dropped.isEmpty()) watcher_.removePaths(dropped);
    const QStringList watchedList = WatchedNow();
    const QSet<QString> watched(watchedList.begin(), watchedList.end());
    QStringList added;
    for (const QString& path : wantedList) {
        if (!watched.contains(path) && QFileInfo::exists(path)) added << path;
    }
    if (!added.isEmpty()) watcher_.addPaths(added);
}

QStringList QtFileWatcher::WatchedNow() const { return watcher_.files() + watcher_.directories(); }

void QtFileWatcher::RewatchFiles(const std::vector<std::string>& changed) {
    const QStringList stale = ToQStrings(changed);
    if (!stale.isEmpty()) watcher_.removePaths(stale);
    const QStringList watchedList = watcher_.files();
    const QSet<QString> watched(watchedList.begin(), watchedList.end());
    QStringList missing;
    for (const QString& path : ToQStrings(files_.Paths())) {
        if (!watched.contains(path) && QFileInfo::exists(path)) missing << path;
    }
    if (!missing.isEmpty()) watcher_.addPaths(missing);
}

void QtFileWatcher::OnFileChanged() {
    // A write in place may leave size and times as they were within one clock tick, so a
    // signal for a watched file counts whatever the stamps say.
    RewatchFiles(files_.Rescan());
    files_.NoteChange(Now());
    Settle();
}

void QtFileWatcher::OnFolderChanged() {
    // The folders also change for files nobody watches (an editor's swap and backup files):
    // only a watched file that looks different is a change.
    const std::vector<std::string> changed = files_.Rescan();
    RewatchFiles(changed);
    if (changed.empty()) return;
    files_.NoteChange(Now());
    Settle();
}

void QtFileWatcher::Settle() {
    if (files_.TakeSettled(Now())) {
        if (changed_) changed_();
        return;
    }
    if (const std::optional<uint32_t> left = files_.UntilSettled(Now()))
        settle_.start(static_cast<int>(std::max<uint32_t>(*left, 1)));
}

}  // namespace chordlane
