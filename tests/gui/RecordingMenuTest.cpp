// File -> Record in the window: Ctrl+R starts and stops, the title shows the recording and
// its time, and opening another instrument or closing the window finishes the file.
#include <QAction>
#include <QTest>

#include "app/gui/Application.h"
#include "app/gui/MainWindow.h"
#include "app/gui/ViewWidget.h"
#include "platform/audio/NullOutput.h"
#include "platform/audio/Recorder.h"
#include "platform/audio/WaveMapper.h"
#include "tests/platform/WavReader.h"
#include "tests/support/ChordlaneTest.h"
#include "tests/support/FakeRecorder.h"

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
        app_->GetInstrument().homeFolder = TempFolder();
        app_->Frame()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(app_->Frame()));
    }
    void PressControlR() { QTest::keyClick(app_->Frame()->View(), Qt::Key_R, Qt::ControlModifier); }
    QString Title() { return app_->Frame()->windowTitle(); }

    FakeRecorder recorder_;
    std::unique_ptr<Application> app_;
};

TEST_F(RecordingMenuTest, ControlRStartsAndStopsARecordingThatTheTitleAndTheMarkShow) {
    Start(&recorder_);
    QAction* record = app_->Frame()->RecordAction();
    ASSERT_TRUE(record->isEnabled());
    EXPECT_FALSE(record->isChecked());
    PressControlR();
    ASSERT_EQ(recorder_.starts.size(), 1u);
    EXPECT_EQ(recorder_.starts[0].rfind(TempFolder() + u"Chordlane ", 0), 0u);
    EXPECT_TRUE(record->isChecked());
    EXPECT_EQ(Title(), QStringLiteral("Recording 0:00 \u2014 Chordlane"));
    // The time moves on as the file grows.
    recorder_.progress.frames = 48000 * 3;
    QTest::qWait(400);
    EXPECT_EQ(Title(), QStringLiteral("Recording 0:03 \u2014 Chordlane"));
    PressControlR();
    EXPECT_EQ(recorder_.stops, 1);
    EXPECT_FALSE(record->isChecked());
    EXPECT_EQ(Title(), QStringLiteral("Chordlane"));
}

TEST_F(RecordingMenuTest, AnotherInstrumentOrClosingTheWindowFinishesTheFile) {
    Start(&recorder_);
    app_->OnFileRecord();
    ASSERT_TRUE(recorder_.recording);
    const String guitar = u"!";
    app_->RunOpenFlow(&guitar);
    EXPECT_FALSE(recorder_.recording);
    EXPECT_EQ(Title(), QStringLiteral("guitar.clx \u2014 Chordlane"));
    // A cancelled Open dialog leaves the recording alone.
    app_->OnFileRecord();
    ASSERT_TRUE(recorder_.recording);
    app_->OnFileOpen();
    EXPECT_TRUE(recorder_.recording);
    app_.reset();
    EXPECT_FALSE(recorder_.recording);
    EXPECT_EQ(recorder_.stops, 2);
}

TEST_F(RecordingMenuTest, ARecordingThatCannotStartOrStopsOnItsOwnSaysWhy) {
    Start(&recorder_);
    recorder_.startError = "Permission denied";
    app_->OnFileRecord();
    ASSERT_EQ(platform_.messages.Texts().size(), 1u);
    EXPECT_NE(platform_.messages.Texts()[0].find(u"Permission denied"), String::npos);
    EXPECT_FALSE(app_->Frame()->RecordAction()->isChecked());

    recorder_.startError.clear();
    app_->OnFileRecord();
    ASSERT_TRUE(recorder_.recording);
    recorder_.progress.error = "writing: No space left on device";
    QTest::qWait(400);
    EXPECT_FALSE(recorder_.recording);
    ASSERT_EQ(platform_.messages.Texts().size(), 2u);
    EXPECT_NE(platform_.messages.Texts()[1].find(u"No space left on device"), String::npos);
    EXPECT_FALSE(app_->Frame()->RecordAction()->isChecked());
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
    for (const auto& entry : std::filesystem::directory_iterator(temp_)) {
        if (entry.path().extension() == ".wav") files.push_back(entry.path());
    }
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].filename().string().rfind("Chordlane 20", 0), 0u);
    const WavContent wav = ReadWav(files[0]);
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(wav.rate, 48000u);
    // The header counts every byte of the file, and about the time recorded is in it.
    EXPECT_EQ(wav.fileSize, 44 + 2 * wav.samples.size());
    EXPECT_GE(wav.samples.size(), 2u * 48000u * 150u / 1000u);
}

TEST_F(RecordingMenuTest, WithoutASoundOutputRecordIsGreyed) {
    Start(nullptr);
    EXPECT_FALSE(app_->Frame()->RecordAction()->isEnabled());
}

}  // namespace
}  // namespace chordlane::test
