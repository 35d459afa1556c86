#include "app/Settings.h"

#include "app/Folders.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

class SettingsTest : public ChordlaneTest {
protected:
    MemorySettings& store() { return platform_.settings; }
    String DefaultString(const String& key) {
        const auto* values = store().Values(SettingsRoot::ClassesRoot, key);
        if (!values || !values->count(u"")) return u"<missing>";
        return std::get<String>(values->at(u""));
    }
};

TEST_F(SettingsTest, ReadsCreateTheKeyAndGiveEmptyResultsWhenMissing) {
    EXPECT_EQ(ReadInstallSetting(u"Home"), u"");
    EXPECT_TRUE(store().HasKey(SettingsRoot::LocalMachine, INSTALL_KEY));
    EXPECT_EQ(ReadSettingNumber(SettingsRoot::CurrentUser, u"ControlPanel\\Volume", u"Volume"), 0u);
    EXPECT_TRUE(store().HasKey(SettingsRoot::CurrentUser, u"ControlPanel\\Volume"));
    // Without a store every read is empty and every write is dropped.
    CurrentPlatform().settings = nullptr;
    EXPECT_EQ(ReadInstallSetting(u"Home"), u"");
    WriteSettingNumber(SettingsRoot::CurrentUser, VOLUME_KEY, VOLUME_VALUE, 1);
    RegisterFileTypes();
    platform_.Install();
}

TEST_F(SettingsTest, StringsOfUpTo383CharactersAreRead) {
    store().Set(SettingsRoot::LocalMachine, INSTALL_KEY, u"Home", String(383, u'h'));
    EXPECT_EQ(ReadInstallSetting(u"Home"), String(383, u'h'));
    store().Set(SettingsRoot::LocalMachine, INSTALL_KEY, u"Home", String(384, u'h'));
    EXPECT_EQ(ReadInstallSetting(u"Home"), u"");
    // The text ends at its first zero character.
    store().Set(SettingsRoot::LocalMachine, INSTALL_KEY, u"Home", String(u"/a\0/b", 5));
    EXPECT_EQ(ReadInstallSetting(u"Home"), u"/a");
}

TEST_F(SettingsTest, NumbersKeepAllThirtyTwoBits) {
    WriteSettingNumber(SettingsRoot::CurrentUser, VOLUME_KEY, VOLUME_VALUE, 0xFFFFFFF0u);
    EXPECT_EQ(ReadSettingNumber(SettingsRoot::CurrentUser, VOLUME_KEY, VOLUME_VALUE), 0xFFFFFFF0u);
}

TEST_F(SettingsTest, FileTypesPointAtTheProgramAndKeepOtherClasses) {
    App().programFolder = u"\\Program Files\\Chordlane\\";
    store().Set(SettingsRoot::ClassesRoot, u".clx", u"", String(u"Other"));
    RegisterFileTypes();
    EXPECT_EQ(DefaultString(u".clx"), u"Other");
    EXPECT_EQ(DefaultString(u".cly"), u"Chordlane");
    EXPECT_EQ(DefaultString(u"Chordlane\\DefaultIcon"),
              u"\\Program Files\\Chordlane\\Chordlane.exe,0");
    EXPECT_EQ(DefaultString(u"Chordlane\\Shell\\Open\\Command"),
              u"\"\\Program Files\\Chordlane\\Chordlane.exe\" %1");
    // An empty class name is no class: it is taken over.
    store().Set(SettingsRoot::ClassesRoot, u".clx", u"", String());
    RegisterFileTypes();
    EXPECT_EQ(DefaultString(u".clx"), u"Chordlane");
    // A program folder longer than any fixed buffer is written whole.
    App().programFolder = u"/" + String(600, u'p') + u"/";
    RegisterFileTypes();
    EXPECT_EQ(DefaultString(u"Chordlane\\DefaultIcon"), App().programFolder + u"Chordlane.exe,0");
}

TEST_F(SettingsTest, HomeFolderComesFromTheSettingElseTheDefault) {
    EXPECT_EQ(DeriveHomeFolder(u"/home/u/Documents"), u"/home/u/Documents/");
    store().Set(SettingsRoot::LocalMachine, INSTALL_KEY, u"Home", String(u"\\Storage Card\\Instruments"));
    EXPECT_EQ(DeriveHomeFolder(u"/docs/"), u"\\Storage Card\\Instruments\\");
    store().Set(SettingsRoot::LocalMachine, INSTALL_KEY, u"Home", String(u"\\Storage Card\\"));
    EXPECT_EQ(DeriveHomeFolder(u"/docs/"), u"\\Storage Card\\");
    store().Set(SettingsRoot::LocalMachine, INSTALL_KEY, u"Home", String(u"Music"));
    EXPECT_EQ(DeriveHomeFolder(u"/docs/"), u"Music/");
    EXPECT_EQ(WithTrailingSeparator(u""), u"");
}

TEST_F(SettingsTest, ProgramFolderIsTheProgramPathUpToItsLastSeparator) {
    EXPECT_EQ(ProgramFolderFromPath(u"\\Program Files\\Chordlane\\Chordlane.exe"),
              u"\\Program Files\\Chordlane\\");
    EXPECT_EQ(ProgramFolderFromPath(u"/usr/share/chordlane/x\\y"), u"/usr/share/chordlane/x\\");
    EXPECT_EQ(ProgramFolderFromPath(u"chordlane"), u"/");
}

}  // namespace
}  // namespace chordlane::test
