#include "platform/qt/QtSettingsStore.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

#include "app/Settings.h"
#include "platform/Platform.h"

namespace chordlane {
namespace {

class QtSettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        const char* old = std::getenv("XDG_CONFIG_HOME");
        if (old) oldConfig_ = old;
        hadConfig_ = old != nullptr;
        setenv("XDG_CONFIG_HOME", dir_.path().toUtf8().constData(), 1);
    }
    void TearDown() override {
        if (hadConfig_) setenv("XDG_CONFIG_HOME", oldConfig_.c_str(), 1);
        else unsetenv("XDG_CONFIG_HOME");
    }

    QTemporaryDir dir_;
    std::string oldConfig_;
    bool hadConfig_ = false;
};

TEST_F(QtSettingsStoreTest, LivesInTheUsersConfigurationFolder) {
    QtSettingsStore store;
    EXPECT_EQ(store.FileName(), dir_.path() + "/Chordlane/Chordlane.ini");
    store.CreateKey(SettingsRoot::CurrentUser, u"ControlPanel\\Volume")->WriteNumber(u"Volume", 7);
    EXPECT_TRUE(QFile::exists(store.FileName()));
}

TEST_F(QtSettingsStoreTest, ValuesSurviveIntoTheNextRun) {
    const String key = u"SOFTWARE\\Larkspur Labs\\Chordlane\\Install";
    {
        QtSettingsStore store;
        auto install = store.CreateKey(SettingsRoot::LocalMachine, key);
        EXPECT_TRUE(install->WriteString(u"Home", u"/mnt/card/Instruments, and more"));
        EXPECT_TRUE(install->WriteNumber(u"Count", 0xFFFFFFF0u));
        store.CreateKey(SettingsRoot::ClassesRoot, u"Chordlane\\Shell\\Open\\Command")
            ->WriteString(u"", u"\"/opt/chordlane/Chordlane.exe\" %1");
    }
    QtSettingsStore store;
    auto install = store.CreateKey(SettingsRoot::LocalMachine, key);
    EXPECT_EQ(install->ReadString(u"Home", 768), String(u"/mnt/card/Instruments, and more"));
    EXPECT_EQ(install->ReadNumber(u"Count"), 0xFFFFFFF0u);
    EXPECT_EQ(store.CreateKey(SettingsRoot::ClassesRoot, u"Chordlane\\Shell\\Open\\Command")
                  ->ReadString(u"", 768),
              String(u"\"/opt/chordlane/Chordlane.exe\" %1"));
    // Missing values and text that is not a number read as missing.
    EXPECT_EQ(install->ReadString(u"Nothing", 768), std::nullopt);
    EXPECT_EQ(install->ReadNumber(u"Home"), std::nullopt);
}

TEST_F(QtSettingsStoreTest, RootsKeysAndNamesNeverRunIntoEachOther) {
    QtSettingsStore store;
    store.CreateKey(SettingsRoot::LocalMachine, u"A\\B")->WriteString(u"v", u"machine");
    store.CreateKey(SettingsRoot::CurrentUser, u"A\\B")->WriteString(u"v", u"user");
    store.CreateKey(SettingsRoot::CurrentUser, u"A")->WriteString(u"B/v", u"slash");
    store.CreateKey(SettingsRoot::CurrentUser, u"A")->WriteString(u"B%2Fv", u"percent");
    store.CreateKey(SettingsRoot::CurrentUser, u"A")->WriteString(u"@", u"at");
    store.CreateKey(SettingsRoot::CurrentUser, u"A")->WriteString(u"", u"default");

    QtSettingsStore reread;
    EXPECT_EQ(reread.CreateKey(SettingsRoot::LocalMachine, u"A\\B")->ReadString(u"v", 768),
              String(u"machine"));
    auto user = reread.CreateKey(SettingsRoot::CurrentUser, u"A");
    EXPECT_EQ(reread.CreateKey(SettingsRoot::CurrentUser, u"A\\B")->ReadString(u"v", 768),
              String(u"user"));
    EXPECT_EQ(user->ReadString(u"B/v", 768), String(u"slash"));
    EXPECT_EQ(user->ReadString(u"B%2Fv", 768), String(u"percent"));
    EXPECT_EQ(user->ReadString(u"@", 768), String(u"at"));
    EXPECT_EQ(user->ReadString(u"", 768), String(u"default"));
}

TEST_F(QtSettingsStoreTest, StringsThatDoNotFitAreRefused) {
    QtSettingsStore store;
    auto key = store.CreateKey(SettingsRoot::LocalMachine, u"K");
    key->WriteString(u"fits", String(383, u'\u00e9'));
    key->WriteString(u"long", String(384, u'x'));
    EXPECT_EQ(key->ReadString(u"fits", 768), String(383, u'\u00e9'));
    EXPECT_EQ(key->ReadString(u"long", 768), std::nullopt);
}

TEST_F(QtSettingsStoreTest, HandEditedFilesAreRead) {
    QtSettingsStore store;
    QFile file(store.FileName());
    ASSERT_TRUE(QDir().mkpath(dir_.path() + "/Chordlane"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[LocalMachine]\nSOFTWARE\\Larkspur%20Labs\\Chordlane\\Install\\Home=/srv/a,b\n"
               "[CurrentUser]\nControlPanel\\Volume\\Volume= 1234 \n");
    file.close();

    QtSettingsStore reread;
    Platform platform;
    platform.settings = &reread;
    const Platform previous = InstallPlatform(platform);
    EXPECT_EQ(ReadInstallSetting(u"Home"), u"/srv/a,b");
    EXPECT_EQ(ReadSettingNumber(SettingsRoot::CurrentUser, VOLUME_KEY, VOLUME_VALUE), 1234u);
    InstallPlatform(previous);
}

}  // namespace
}  // namespace chordlane
