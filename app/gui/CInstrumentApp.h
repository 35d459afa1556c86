#pragma once
#include <QObject>
#include <functional>
#include <memory>

#include "app/gui/ProgramOptions.h"
#include "platform/Platform.h"
#include "view/InstrumentView.h"

namespace chordlane {

class CMainFrame;
class QtDialogs;
class QtHardwareButtons;
class QtHelpViewer;
class QtMessageBox;
class QtWindow;

// The program: its start-up, its services, and the menu commands that are not the window's.
class CInstrumentApp : public QObject {
public:
    // The Open flow with a path, or with null to let the user choose one.
    using OpenFlow = std::function<void(const String* path)>;

    //! With services, those are used (tests); otherwise the real ones are made. The window
    //! service is always the real one over the frame.
    explicit CInstrumentApp(ProgramOptions options, const Platform* services = nullptr);
    ~CInstrumentApp() override;

    //! Creates and shows the frame, sets up the application state and loads the command
    //! line's instrument. Always answers true.
    bool StartApplication();

    CMainFrame* MainFrame() const { return frame_.get(); }
    InstrumentView& View() { return view_; }
    QtHardwareButtons* HardwareButtonsService() const { return buttons_.get(); }

    void OnFileOpen();
    void OnFileSaveAs();
    void OnShowActive();
    void OnSpeedVolume();
    void OnAppAbout();

    //! Runs the Open flow (the first tap, File -> Open, the command line).
    void RunOpenFlow(const String* path);
    void SetOpenFlow(OpenFlow flow) { openFlow_ = std::move(flow); }
    //! What File -> Save As runs when it is allowed.
    void SetSaveAs(std::function<void()> saveAs) { saveAs_ = std::move(saveAs); }

private:
    void MakeRealServices();
    void FindFolders();

    ProgramOptions options_;
    InstrumentView view_;
    OpenFlow openFlow_;
    std::function<void()> saveAs_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<QtWindow> window_;
    // The real services; unused when the caller gave its own.
    std::unique_ptr<Clock> clock_;
    std::unique_ptr<FileSystem> files_;
    std::unique_ptr<QtDialogs> dialogs_;
    std::unique_ptr<QtMessageBox> messages_;
    std::unique_ptr<QtHelpViewer> help_;
    std::unique_ptr<QtHardwareButtons> buttons_;
    Platform services_;
    Platform previous_;
};

}  // namespace chordlane
