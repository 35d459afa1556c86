#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/qt/QtSettingsStore.h"

namespace chordlane {
namespace {

class QtSettingsStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", dir_.path().toUtf8());
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", previous_); }
    String Read(SettingsRoot root, const String& key, const String& name) {
        return QtSettingsStore().CreateKey(root, key)->ReadString(name, 768).value_or(u"<none>");
    }

    QTemporaryDir dir_;
    QByteArray previous_;
};

TEST_F(QtSettingsStoreTest, ValuesSurviveIntoTheNextRunUnderTheirOwnNames) {
    {
        QtSettingsStore store;
        EXPECT_EQ(store.FileName(), dir_.path() + "/Chordlane/Chordlane.ini");
        auto key = store.CreateKey(SettingsRoot::CurrentUser, u"A\\B");
        EXPECT_TRUE(key->WriteString(u"v", u"/mnt/card, and \"more\" %1"));
        EXPECT_TRUE(key->WriteNumber(u"n", 0xFFFFFFF0u));
        store.CreateKey(SettingsRoot::LocalMachine, u"A\\B")->WriteString(u"v", u"machine");
        for (const char16_t* name : {u"B/v", u"B%2Fv", u"@", u""}) {
            store.CreateKey(SettingsRoot::CurrentUser, u"A")->WriteString(name, name);
        }
    }
    EXPECT_TRUE(QFile::exists(dir_.path() + "/Chordlane/Chordlane.ini"));
    EXPECT_EQ(Read(SettingsRoot::CurrentUser, u"A\\B", u"v"), u"/mnt/card, and \"more\" %1");
    EXPECT_EQ(Read(SettingsRoot::LocalMachine, u"A\\B", u"v"), u"machine");
    for (const char16_t* name : {u"B/v", u"B%2Fv", u"@", u""}) {
        EXPECT_EQ(Read(SettingsRoot::CurrentUser, u"A", name), name);
    }
    auto key = QtSettingsStore().CreateKey(SettingsRoot::CurrentUser, u"A\\B");
    EXPECT_EQ(key->ReadNumber(u"n"), 0xFFFFFFF0u);
    EXPECT_EQ(key->ReadNumber(u"v"), std::nullopt);  // text that is not a number
    EXPECT_EQ(key->ReadString(u"missing", 768), std::nullopt);
}

TEST_F(QtSettingsStoreTest, StringsThatDoNotFitAreRefused) {
    // The key outlives the store object that opened it.
    auto key = QtSettingsStore().CreateKey(SettingsRoot::LocalMachine, u"K");
    key->WriteString(u"fits", String(383, u'\u00e9'));
    key->WriteString(u"long", String(384, u'x'));
    EXPECT_EQ(key->ReadString(u"fits", 768), String(383, u'\u00e9'));
    EXPECT_EQ(key->ReadString(u"long", 768), std::nullopt);
}

TEST_F(QtSettingsStoreTest, HandEditedFilesAreRead) {
    ASSERT_TRUE(QDir().mkpath(dir_.path() + "/Chordlane"));
    QFile file(dir_.path() + "/Chordlane/Chordlane.ini");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "[LocalMachine]\nSOFTWARE\\Larkspur%20Labs\\Chordlane\\Install\\Home=/srv/a,b\n"
        "[CurrentUser]\nControlPanel\\Volume\\Volume= 1234 \n");
    file.close();
    EXPECT_EQ(
        Read(SettingsRoot::LocalMachine, u"SOFTWARE\\Larkspur Labs\\Chordlane\\Install", u"Home"),
        u"/srv/a,b");
    auto volume = QtSettingsStore().CreateKey(SettingsRoot::CurrentUser, u"ControlPanel\\Volume");
    EXPECT_EQ(volume->ReadNumber(u"Volume"), 1234u);
}

}  // namespace
}  // namespace chordlane
