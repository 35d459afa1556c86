#include "app/Folders.h"
#include "app/Settings.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

class SettingsTest : public ChordlaneTest {
  protected:
    void SetHome(const String& value) {
        platform_.settings.Set(SettingsRoot::LocalMachine, INSTALL_KEY, HOME_VALUE, value);
    }
    String ClassDefault(const String& key) {
        const auto* values = platform_.settings.Values(SettingsRoot::ClassesRoot, key);
        if (!values || !values->count(u"")) return u"<missing>";
        return std::get<String>(values->at(u""));
    }
};

TEST_F(SettingsTest, WithoutAStoreEveryReadIsEmptyAndEveryWriteDropped) {
    EXPECT_EQ(ReadInstallSetting(nullptr, u"Home"), u"");
    EXPECT_EQ(ReadSettingNumber(nullptr, SettingsRoot::CurrentUser, VOLUME_KEY, VOLUME_VALUE), 0u);
    WriteSettingNumber(nullptr, SettingsRoot::CurrentUser, VOLUME_KEY, VOLUME_VALUE, 1);
    ProvideSystemVolume(nullptr);
    RegisterFileTypes(nullptr, u"/opt/chordlane/");
    EXPECT_EQ(DeriveHomeFolder(nullptr, u"/docs"), u"/docs/");
}

TEST_F(SettingsTest, ValuesReadBackWithinTheirLimits) {
    SetHome(String(383, u'h'));
    EXPECT_EQ(ReadInstallSetting(&platform_.settings, u"Home"), String(383, u'h'));
    SetHome(String(384, u'h'));
    EXPECT_EQ(ReadInstallSetting(&platform_.settings, u"Home"), u"");
    SetHome(String(u"/a\0/b", 5));  // the text ends at its first zero character
    EXPECT_EQ(ReadInstallSetting(&platform_.settings, u"Home"), u"/a");
}

TEST_F(SettingsTest, FileTypesKeepOtherClassesAndPointAtTheWholeProgramPath) {
    platform_.settings.Set(SettingsRoot::ClassesRoot, u".clx", u"", String(u"Other"));
    // A class name too long for a setting read is still a class name.
    platform_.settings.Set(SettingsRoot::ClassesRoot, u".cly", u"", String(400, u'c'));
    const String folder = u"/" + String(600, u'p') + u"/";
    RegisterFileTypes(&platform_.settings, folder);
    EXPECT_EQ(ClassDefault(u".clx"), u"Other");
    EXPECT_EQ(ClassDefault(u".cly"), String(400, u'c'));
    EXPECT_EQ(ClassDefault(u"Chordlane\\Shell\\Open\\Command"),
              u"\"" + folder + u"Chordlane.exe\" %1");
}

TEST_F(SettingsTest, FoldersEndWithASeparator) {
    EXPECT_EQ(DeriveHomeFolder(&platform_.settings, u"/home/u/Documents"), u"/home/u/Documents/");
    SetHome(u"\\Storage Card\\Instruments");
    EXPECT_EQ(DeriveHomeFolder(&platform_.settings, u"/docs/"), u"\\Storage Card\\Instruments\\");
    SetHome(u"\\Storage Card\\");
    EXPECT_EQ(DeriveHomeFolder(&platform_.settings, u"/docs/"), u"\\Storage Card\\");
    EXPECT_EQ(ProgramFolderFromPath(u"/opt/chordlane/x\\y"), u"/opt/chordlane/x\\");
    EXPECT_EQ(ProgramFolderFromPath(u"chordlane"), u"/");
}

TEST_F(SettingsTest, TheMidiOutputChoiceIsOffAtFirstAndReadsBackAsStored) {
    EXPECT_EQ(ReadMidiOutChoice(&platform_.settings),
              (MidiOutChoice{.on = false, .ownSound = true}));
    EXPECT_EQ(ReadMidiOutChoice(nullptr), MidiOutChoice{});
    for (const MidiOutChoice choice :
         {MidiOutChoice{true, false}, MidiOutChoice{false, false}, MidiOutChoice{true, true}}) {
        WriteMidiOutChoice(&platform_.settings, choice);
        EXPECT_EQ(ReadMidiOutChoice(&platform_.settings), choice);
    }
    // Any number other than 0 is on, as a hand-edited file may have it.
    platform_.settings.Set(SettingsRoot::CurrentUser, MIDI_KEY, u"OwnSound", uint32_t{7});
    platform_.settings.Set(SettingsRoot::CurrentUser, MIDI_KEY, u"Output", uint32_t{0});
    EXPECT_EQ(ReadMidiOutChoice(&platform_.settings),
              (MidiOutChoice{.on = false, .ownSound = true}));
}

}  // namespace
}  // namespace chordlane::test
