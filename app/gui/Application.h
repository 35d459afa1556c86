#pragma once
#include <QObject>
#include <memory>

#include "app/MessageBoxReporter.h"
#include "app/gui/ProgramOptions.h"
#include "elements/Instrument.h"
#include "platform/Platform.h"
#include "view/InstrumentView.h"

namespace chordlane {

class AudioOutput;
class MainWindow;
class WaveMapper;
class QtDialogs;
class QtHardwareButtons;
class QtHelpViewer;
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

    //! Runs the Open flow (the first tap, File -> Open, the command line) with the path, or
    //! with null to let the user choose one.
    void RunOpenFlow(const String* path);

  private:
    void MakeRealServices();
    void FindFolders();

    ProgramOptions options_;
    // The real services; unused when the caller gave its own.
    std::unique_ptr<Clock> clock_;
    std::unique_ptr<SettingsStore> settings_;
    std::unique_ptr<FileSystem> files_;
    std::unique_ptr<PictureLoader> pictures_;
    std::unique_ptr<QtDialogs> dialogs_;
    std::unique_ptr<QtMessageBox> messages_;
    std::unique_ptr<QtHelpViewer> help_;
    std::unique_ptr<QtHardwareButtons> buttons_;
    std::unique_ptr<WaveMapper> mapper_;
    std::unique_ptr<AudioOutput> audio_;  // pulls from mapper_, so it goes first
    Platform services_;
    // After the services: its channels close their devices on the mixer as it goes.
    Instrument instrument_{services_};
    MessageBoxReporter messageBoxes_{instrument_};
    InstrumentView view_{instrument_};
    std::unique_ptr<MainWindow> frame_;
    std::unique_ptr<QtWindow> window_;
};

}  // namespace chordlane
