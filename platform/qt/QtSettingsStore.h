#pragma once
#include <QString>
#include <memory>

#include "platform/SettingsStore.h"

class QSettings;

namespace chordlane {

// The settings store as an INI file through QSettings. Each root is a top-level group
// ("LocalMachine", "CurrentUser", "ClassesRoot"); each key name of a backslash path is one
// group below it. Numbers are kept as decimal text, so the file can be edited by hand.
class QtSettingsStore : public SettingsStore {
  public:
    //! The store in the user's configuration folder ($XDG_CONFIG_HOME, else ~/.config):
    //! Chordlane/Chordlane.ini.
    QtSettingsStore();
    //! The store in the given INI file.
    explicit QtSettingsStore(const QString& fileName);
    ~QtSettingsStore() override;

    std::unique_ptr<SettingsKey> CreateKey(SettingsRoot root, const String& path) override;

    //! The INI file's path.
    QString FileName() const;
    //! Where the default store lives, as the default constructor chooses it.
    static QString DefaultFileName();

  private:
    std::shared_ptr<QSettings> settings_;
};

}  // namespace chordlane
