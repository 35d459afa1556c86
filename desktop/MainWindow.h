#pragma once
#include <QMainWindow>
#include <QRect>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <memory>
#include <vector>

#include "app/RecentInstruments.h"
#include "desktop/ProgramOptions.h"

class QAction;
class QLabel;
class QMenu;
class QSocketNotifier;

namespace chordlane {

class Instrument;

class Application;
class InstrumentView;
class ViewWidget;

// The program's one window: the menu bar over the instrument's screen. It follows the
// program's activation (system volume and hardware buttons), opens the help, and gives the
// sound engine's completion notices their turn on the user-interface thread.
class MainWindow : public QMainWindow {
  public:
    MainWindow(Application& app, InstrumentView& view, const ProgramOptions& options);
    ~MainWindow() override;

    ViewWidget* View() const { return view_; }
    QMenu* FileMenu() const { return fileMenu_; }
    QMenu* OptionsMenu() const { return optionsMenu_; }
    QMenu* HelpMenu() const { return helpMenu_; }
    QAction* SaveAsAction() const { return saveAs_; }
    QAction* ShowActiveAction() const { return showActive_; }
    QAction* SpeedVolumeAction() const { return speedVolume_; }
    QAction* FinePitchAction() const { return finePitch_; }
    QAction* RecordAction() const { return record_; }
    //! Options -> MIDI Output...
    QAction* MidiOutputAction() const { return midiOutput_; }
    QAction* ReloadAction() const { return reload_; }
    QMenu* RecentMenu() const { return recentMenu_; }
    //! File -> Open Recent: list gives the entries when the menu opens, open opens one.
    void SetRecentOpener(std::function<void(size_t)> open,
                         std::function<std::vector<RecentInstrument>()> list);
    //! Fills Open Recent from the list: one item per instrument, "&1 name" to "&8 name", a
    //! name that two files share followed by as much of its folder as tells them apart.
    void FillRecentMenu();
    //! Shows why there is no sound in the status bar until it is cleared with an empty
    //! text: a message of its own that hovering a menu does not wipe out.
    void ShowSoundProblem(const QString& text);
    //! A note that passes after ms (the output is back, an underrun): in the status bar,
    //! which goes again with it unless a sound problem holds there.
    void ShowPassingNote(const QString& text, int ms);
    //! The status bar's sound problem, null while none was shown.
    QLabel* SoundProblemLabel() const { return soundProblem_; }
    //! The place and size the window has when neither full screen nor maximised: what F11
    //! and the next start go back to. Invalid when it never had one.
    QRect RestoredGeometry() const;
    //! Sets the place and size F11 puts the window back at when it started full screen.
    void SetRestoredGeometry(const QRect& geometry) { normalGeometry_ = geometry; }
    //! The action of a menu command (by its command number), or null.
    QAction* CommandAction(int command) const;
    //! The shortcuts that have no command behind them but keep their keys from the view.
    const std::vector<QAction*>& UnhandledShortcuts() const { return unhandled_; }

    //! Enables the menu items by the current state, as before a menu opens.
    void UpdateCommandStates();
    //! The frame became active (state 1, 2 by a click) or inactive (0).
    void OnActivate(int state, bool minimised);
    //! A hardware button's hot key was pressed.
    void OnHotKey(int id);
    //! Help -> Help Topics and F1.
    void OnHelp();
    //! F11: full screen or back.
    void ToggleFullScreen();
    //! Full screen, with or without a window manager.
    void ShowFullScreen();
    //! Shift and Control as the keyboard holds them now go to the instrument: after a dialog
    //! and on activation, since a release that went elsewhere never reached the view.
    void TakeHeldModifiers();
    //! Runs drain on the user-interface thread whenever the descriptor fd becomes readable,
    //! or every few milliseconds when fd is -1: the sound engine delivers its completion
    //! notices from there. An empty function stops it.
    void SetWaveNoticeDrain(std::function<void()> drain, int fd = -1);

    //! Whether a drag that carries urls may be dropped: one local file that File -> Open
    //! takes (an instrument file or a sound library); its path in path.
    static bool DroppableFile(const QList<QUrl>& urls, QString& path);

  protected:
    void changeEvent(QEvent* event) override;
    //! An instrument file or sound library dropped on the window opens as File -> Open does.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void CreateMenus(Application& app);
    void CreateShortcuts();
    QAction* AddCommand(QMenu* menu, const QString& text, int command);

    //! The instrument on show, which a reload replaces.
    Instrument& CurrentInstrument() const;

    Application& app_;
    ViewWidget* view_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* optionsMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QAction* saveAs_ = nullptr;
    QAction* showActive_ = nullptr;
    QAction* speedVolume_ = nullptr;
    QAction* finePitch_ = nullptr;
    QAction* record_ = nullptr;
    QAction* midiOutput_ = nullptr;
    QAction* reload_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QLabel* soundProblem_ = nullptr;
    bool passingNoteHooked_ = false;
    std::function<void(size_t)> openRecent_;
    std::function<std::vector<RecentInstrument>()> recentList_;
    std::vector<QAction*> commands_;
    std::vector<QAction*> unhandled_;
    QTimer noticeTimer_;
    std::unique_ptr<QSocketNotifier> noticeNotifier_;
    std::function<void()> drainNotices_;
    // Where the window was before it went full screen, for F11 to put it back.
    QRect normalGeometry_;
};

}  // namespace chordlane
