// File -> Record in the window: Ctrl+R starts and stops, the title shows the recording and
// its time, and opening another instrument or closing the window finishes the file.
#include <QAction>
#include <QTest>

#include "desktop/Application.h"
#include "desktop/MainWindow.h"
#include "desktop/ViewWidget.h"
#include "mixer/Recorder.h"
#include "mixer/WaveMapper.h"
#include "platform/std/NullOutput.h"
#include "tests/support/ChordlaneTest.h"
#include "tests/support/FakeRecorder.h"
#include "tests/support/WavReader.h"

namespace chordlane::test {
namespace {

class RecordingMenuTest : public ChordlaneTest {
  protected:
    void TearDown() override {
        app_.reset();
        ChordlaneTest::TearDown();
    }
    void Start(AudioRecorder* recorder) {
        platform_.services.recorder = recorder;
        app_ = std::make_unique<Application>(ProgramOptions{}, &platform_.services);
        app_->StartApplication();
        // Recordings go to the test's folder, not the documents of whoever runs it.
        app_->GetInstrument().load.homeFolder = TempFolder();
    }
    QString Title() { return app_->Frame()->windowTitle(); }

    FakeRecorder fake_;
    std::unique_ptr<Application> app_;
};

TEST_F(RecordingMenuTest, ControlRStartsAndStopsARecordingThatTheTitleAndTheMarkShow) {
    Start(&fake_);
    app_->Frame()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(app_->Frame()));
    QAction* record = app_->Frame()->RecordAction();
    QTest::keyClick(app_->Frame()->View(), Qt::Key_R, Qt::ControlModifier);
    ASSERT_EQ(fake_.starts.size(), 1u);
    EXPECT_TRUE(record->isChecked());
    EXPECT_EQ(Title(), QStringLiteral("Recording 0:00 \u2014 Chordlane"));
    fake_.progress.frames = 48000 * 3;  // the time moves on as the file grows
    QTest::qWait(400);
    EXPECT_EQ(Title(), QStringLiteral("Recording 0:03 \u2014 Chordlane"));
    QTest::keyClick(app_->Frame()->View(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_FALSE(fake_.recording);
    EXPECT_FALSE(record->isChecked());
    EXPECT_EQ(Title(), QStringLiteral("Chordlane"));

    // Another instrument ends the recording; a cancelled Open dialog does not.
    app_->OnFileRecord();
    app_->OnFileOpen();
    EXPECT_TRUE(fake_.recording);
    const String guitar = u"!";
    app_->RunOpenFlow(&guitar);
    EXPECT_FALSE(fake_.recording);
    EXPECT_EQ(Title(), QStringLiteral("guitar.clx \u2014 Chordlane"));
}

TEST_F(RecordingMenuTest, ClosingTheWindowLeavesACompleteFileOfWhatTheOutputPlayed) {
    // The program's own recorder on a mixer that a real-time output pulls from.
    WaveMapper mapper;
    NullOutput output(mapper);
    Recorder recorder(mapper);
    Start(&recorder);
    app_->OnFileRecord();
    ASSERT_TRUE(recorder.IsRecording());
    QTest::qWait(200);
    app_.reset();
    EXPECT_FALSE(recorder.IsRecording());
    output.Stop();
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(temp_))
        if (entry.path().extension() == ".wav") files.push_back(entry.path());
    ASSERT_EQ(files.size(), 1u);
    const WavContent wav = ReadWav(files[0]);
    ASSERT_TRUE(wav.valid);
    // The header counts every byte of the file, and about the time recorded is in it.
    EXPECT_EQ(wav.fileSize, 44 + 2 * wav.samples.size());
    EXPECT_GE(wav.samples.size(), 2u * 48000u * 150u / 1000u);
}

TEST_F(RecordingMenuTest, ARecordingThatStopsOnItsOwnSaysWhyAndWithoutOutputRecordIsGreyed) {
    Start(&fake_);
    app_->OnFileRecord();
    fake_.progress.error = "writing: No space left on device";
    QTest::qWait(400);
    EXPECT_FALSE(fake_.recording);
    ASSERT_EQ(platform_.messages.Texts().size(), 1u);
    EXPECT_NE(platform_.messages.Texts()[0].find(u"No space left on device"), String::npos);
    EXPECT_FALSE(app_->Frame()->RecordAction()->isChecked());
    app_.reset();
    Start(nullptr);
    EXPECT_FALSE(app_->Frame()->RecordAction()->isEnabled());
}

}  // namespace
}  // namespace chordlane::test
