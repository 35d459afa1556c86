#pragma once
#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/LiveReload.h"
#include "app/MessageBoxReporter.h"
#include "app/RecentInstruments.h"
#include "app/RecordingSession.h"
#include "app/SoundOutputKeeper.h"
#include "app/SoundOutputSettings.h"
#include "app/StartupOpen.h"
#include "desktop/ProgramOptions.h"
#include "elements/Instrument.h"
#include "platform/Platform.h"
#include "platform/rtmidi/RtMidiPorts.h"
#include "view/InstrumentView.h"

namespace chordlane {

class AudioOutput;
class LiveMidi;
class MidiRecordingCompanion;
class MainWindow;
class Recorder;
class WaveMapper;
class PolyphaseRateConverter;
class QtDialogs;
class QtHardwareButtons;
class HelpWindowViewer;
class ImportedLibrary;
struct LibraryReference;
class QtMessageBox;
class QtWindow;

// The program: its start-up, its services, and the menu commands that are not the window's.
class Application : public QObject {
  public:
    //! With services, those are used (tests); otherwise the real ones are made. The window
    //! service is always the real one over the frame.
    explicit Application(ProgramOptions options, const Platform* services = nullptr);
    ~Application() override;

    //! Creates and shows the frame, sets up the application state and loads the command
    //! line's instrument. Always answers true.
    bool StartApplication();

    MainWindow* Frame() const { return frame_.get(); }
    InstrumentView& View() { return view_; }
    Instrument& GetInstrument() { return reload_.Current(); }
    QtHardwareButtons* HardwareButtonsService() const { return buttons_.get(); }

    void OnFileOpen();
    //! File -> Reload (F5): loads the instrument on show again with its prompts' answers.
    void OnFileReload();
    void OnFileSaveAs();
    void OnShowActive();
    void OnSpeedVolume();
    void OnAppAbout();
    //! File -> Record: starts a recording, or finishes the one under way.
    void OnFileRecord();
    //! Options -> MIDI Output...: the dialog, then the port as chosen, remembered.
    void OnMidiOutput();
    //! The live MIDI output; null when the caller gave its own services (tests).
    LiveMidi* Midi() const { return midi_.get(); }
    //! Options -> Sound Output...: choose the device and buffer, remember them, reopen.
    void OnSoundOutput();
    //! Options -> Fine Pitch: remembered, and the instrument on show loaded again with it.
    void OnFinePitch();
    //! Why the sound output is not the one chosen, or empty; shown once in the window.
    const std::string& SoundProblem() const { return soundProblem_; }

    //! Runs the Open flow (the first tap, File -> Open, the command line) with the path, or
    //! with null to let the user choose one. A path that cannot be opened or a file with
    //! nothing to show is said in a message box, and on standard error for the command line's.
    void RunOpenFlow(const String* path);
    //! File -> Open Recent: opens the list's entry at index with its answers.
    void OpenRecent(size_t index);
    //! The recent instruments, newest first.
    std::vector<RecentInstrument> RecentList() const;
    HelpWindowViewer* HelpService() const { return help_.get(); }
    //! Whether the instrument on show is a sound library's preset imported by this run.
    bool ShowsImportedLibrary();
    //! The sound library's preset imported last, while it is on show; else null.
    const ImportedLibrary* Imported();

  private:
    void MakeRealServices();
    //! Opens the chosen output (or what it falls back to) and converts what loads to its rate.
    void OpenSoundOutput();
    //! Says the sound problem, once, in the window and on standard error.
    void ShowSoundProblem();
    //! About once a second: a lost output, one that is back, the first underrun.
    void WatchSound();
    //! Opens through the Open flow and, when it loaded, puts the instrument in front of the
    //! recent list. With fromCommandLine a problem also goes to standard error.
    StartupOpenResult::Outcome OpenAndRemember(const std::optional<String>& path,
                                               bool fromCommandLine);
    //! Asks which preset of the library named by reference to play and on which layout,
    //! and imports it into a temporary folder. Null when the dialog was cancelled (outcome
    //! Cancelled) or the library cannot be read (CannotOpen, said as a problem is).
    std::unique_ptr<ImportedLibrary> ImportLibrary(const LibraryReference& reference,
                                                   bool fromCommandLine,
                                                   StartupOpenResult::Outcome& outcome);
    //! A problem of an open in a message box, and with fromCommandLine on standard error.
    void TellProblem(const std::string& problem, bool fromCommandLine);
    //! File -> Save As of an imported preset: its instrument file and waves where chosen.
    void SaveImportedAs();
    void FindFolders();
    //! The window title names the instrument shown.
    void ShowTitle();
    //! The first window shows the screen at the zoom asked for, or as large as fits the
    //! display; with --verbose, standard error says which size it took.
    void FitFirstSize();
    //! Puts the window where the last run left it, when a display still shows that place.
    void RestoreWindowPlace();
    //! Keeps the window's place and size for the next run.
    void SaveWindowPlace();
    //! Finishes a recording under way and tells where it went.
    void StopRecording();
    //! The Record mark and the title follow the recording.
    void ShowRecording();
    //! Opens the MIDI port if the settings or the command line ask for it, and shows in the
    //! menu whether there is a MIDI system at all.
    void StartMidi();

    ProgramOptions options_;
    // The real services; unused when the caller gave its own.
    std::unique_ptr<Clock> clock_;
    std::unique_ptr<SettingsStore> settings_;
    std::unique_ptr<FileSystem> files_;
    std::unique_ptr<PictureLoader> pictures_;
    std::unique_ptr<QtDialogs> dialogs_;
    std::unique_ptr<QtMessageBox> messages_;
    std::unique_ptr<HelpWindowViewer> help_;
    std::unique_ptr<QtHardwareButtons> buttons_;
    std::unique_ptr<WaveMapper> mapper_;
    // The output that pulls from mapper_, so it goes first; it reopens a lost output by itself.
    std::unique_ptr<SoundOutputKeeper> sound_;
    QTimer soundWatch_;
    bool underrunTold_ = false;
    std::unique_ptr<Recorder> recorder_;  // taps mapper_
    std::unique_ptr<PolyphaseRateConverter> rates_;
    // The output in force: the settings' choice, over which the command line goes.
    SoundOutputChoice soundChoice_;
    std::string soundProblem_;
    Platform services_;
    std::unique_ptr<FileWatcher> watcher_;  // outlives the reload, which it calls
    // After the services: the instruments' channels close their devices on the mixer as they
    // go. The reload holds the instrument on show and those replaced ones still ringing.
    LiveReload reload_{services_};
    std::unique_ptr<MessageBoxReporter> messageBoxes_ =
        std::make_unique<MessageBoxReporter>(reload_.Current());
    InstrumentView view_{reload_.Current()};
    // Lets go of replaced instruments once quiet, also of one whose loop never ends.
    QTimer ringOut_;
    std::unique_ptr<RecordingSession> recording_;
    QTimer recordingTimer_;
    std::unique_ptr<MainWindow> frame_;
    bool windowShown_ = false;
    std::unique_ptr<QtWindow> window_;
    RtMidiPorts midiPorts_;
    // Before the instrument goes: it takes its trace out of it and ends its notes.
    std::unique_ptr<LiveMidi> midi_;
    // Listens to midi_'s notes, so it goes first.
    std::unique_ptr<MidiRecordingCompanion> midiRecording_;
    // The preset of a sound library on show, whose files it holds in a temporary folder:
    // replaced by the next import, let go when another instrument opens, gone at exit.
    std::unique_ptr<ImportedLibrary> imported_;
};

}  // namespace chordlane
