#pragma once
#include <QObject>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MessageBoxReporter.h"
#include "app/RecentInstruments.h"
#include "app/SoundOutputSettings.h"
#include "app/StartupOpen.h"
#include "app/gui/ProgramOptions.h"
#include "elements/Instrument.h"
#include "platform/Platform.h"
#include "view/InstrumentView.h"

namespace chordlane {

class AudioOutput;
class MainWindow;
class WaveMapper;
class PolyphaseRateConverter;
class QtDialogs;
class QtHardwareButtons;
class HelpWindowViewer;
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
    Instrument& GetInstrument() { return instrument_; }
    QtHardwareButtons* HardwareButtonsService() const { return buttons_.get(); }

    void OnFileOpen();
    void OnFileSaveAs();
    void OnShowActive();
    void OnSpeedVolume();
    void OnAppAbout();
    //! Options -> Sound Output...: choose the device and buffer, remember them, reopen.
    void OnSoundOutput();
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

  private:
    void MakeRealServices();
    //! Opens the chosen output (or what it falls back to) and converts what loads to its rate.
    void OpenSoundOutput();
    //! Says the sound problem, once, in the window and on standard error.
    void ShowSoundProblem();
    //! Opens through the Open flow and, when it loaded, puts the instrument in front of the
    //! recent list. With fromCommandLine a problem also goes to standard error.
    StartupOpenResult::Outcome OpenAndRemember(const std::optional<String>& path,
                                               bool fromCommandLine);
    void FindFolders();
    //! The window title names the instrument shown.
    void ShowTitle();
    //! A first window larger than the display is made to fit it instead.
    void FitFirstSize();

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
    std::unique_ptr<AudioOutput> audio_;  // pulls from mapper_, so it goes first
    std::unique_ptr<PolyphaseRateConverter> rates_;
    // The output in force: the settings' choice, over which the command line goes.
    SoundOutputChoice soundChoice_;
    std::string soundProblem_;
    Platform services_;
    // After the services: its channels close their devices on the mixer as it goes.
    Instrument instrument_{services_};
    MessageBoxReporter messageBoxes_{instrument_};
    InstrumentView view_{instrument_};
    std::unique_ptr<MainWindow> frame_;
    std::unique_ptr<QtWindow> window_;
};

}  // namespace chordlane
