#include "desktop/Application.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QStandardPaths>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "app/Folders.h"
#include "app/MenuCommands.h"
#include "app/OpenFlow.h"
#include "app/Settings.h"
#include "app/StartupOpen.h"
#include "app/midi/LiveMidi.h"
#include "app/midi/MidiRecordingCompanion.h"
#include "desktop/AboutDialog.h"
#include "desktop/CommandIds.h"
#include "desktop/HelpWindow.h"
#include "desktop/ImportedLibrary.h"
#include "desktop/LibraryDialog.h"
#include "desktop/MainWindow.h"
#include "desktop/MidiOutputDialog.h"
#include "desktop/SoundOutputDialog.h"
#include "desktop/ViewWidget.h"
#include "desktop/WindowPlacement.h"
#include "import/LibraryImport.h"
#include "language/Include.h"
#include "language/Writer.h"
#include "mixer/PolyphaseRateConverter.h"
#include "mixer/Recorder.h"
#include "mixer/WaveMapper.h"
#include "platform/Text.h"
#include "platform/portaudio/PortAudioOutput.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtFileWatcher.h"
#include "platform/qt/QtHardwareButtons.h"
#include "platform/qt/QtMessageBox.h"
#include "platform/qt/QtPictureLoader.h"
#include "platform/qt/QtSettingsStore.h"
#include "platform/qt/QtStringConversion.h"
#include "platform/qt/QtWindow.h"
#include "platform/std/NullOutput.h"
#include "platform/std/RenderThread.h"
#include "platform/std/StdFileSystem.h"
#include "platform/std/SteadyClock.h"

namespace chordlane {

namespace {

constexpr int32_t START_VOLUME_SCALE = 50;
// The recording's time in the title moves on this often.
constexpr int RECORDING_REFRESH_MS = 250;
// File -> Open shows instruments and the sound libraries it imports side by side.
constexpr char16_t OPEN_FILTER[] =
    u"Instruments and Sound Libraries (*.clx,*.cly,*.sf2,*.sfz)|*.clx;*.cly;*.sf2;*.sfz|"
    u"Chordlane Instrument (*.clx,*.cly)|*.clx;*.cly|"
    u"Sound Library (*.sf2,*.sfz)|*.sf2;*.sfz||";
// An import that sounds no note tells this many of the library's warnings, which say why.
constexpr size_t WARNINGS_TOLD = 5;

// The importer's reason for a library that cannot be read, without the library's path in
// front, which the message names already.
std::string LibraryReason(const std::string& reason, const std::string& path) {
    if (reason == "cannot open " + path) return CannotOpenReason(FromUtf8(path));
    if (reason.starts_with(path + ": ")) return reason.substr(path.size() + 2);
    if (reason.starts_with(path + " ")) return "it" + reason.substr(path.size());
    return reason;
}

// Where the program's data is: the installed data folder relative to the executable, else
// the program folder the build fills, else the executable's own folder.
String ProgramFolder() {
    const QDir binary(QCoreApplication::applicationDirPath());
    const QString installed = binary.absoluteFilePath(QStringLiteral(CHORDLANE_INSTALLED_FOLDER));
    if (QFileInfo(installed).isDir()) return FromQString(QDir::cleanPath(installed) + u'/');
    const QString built = QStringLiteral(CHORDLANE_BUILD_FOLDER);
    if (QFileInfo(built).isDir()) return FromQString(QDir::cleanPath(built) + u'/');
    return FromQString(binary.absolutePath() + u'/');
}

}  // namespace

Application::Application(ProgramOptions options, const Platform* services)
    : options_(std::move(options)) {
    if (services)
        services_ = *services;
    else
        MakeRealServices();
    recording_ = std::make_unique<RecordingSession>(services_.recorder, services_.files);
    if (sound_) {
        recording_->SetUnderrunCounter([this] { return sound_->Underruns(); });
        constexpr int SOUND_WATCH_MS = 1000;
        soundWatch_.setInterval(SOUND_WATCH_MS);
        connect(&soundWatch_, &QTimer::timeout, this, [this] { WatchSound(); });
        soundWatch_.start();
    }
    connect(&recordingTimer_, &QTimer::timeout, this, [this] {
        if (const std::string line = recording_->CheckProblem(); !line.empty()) {
            std::fprintf(stderr, "chordlane: %s\n", line.c_str());
            if (MessageBox* messages = services_.messages)
                messages->ShowStop(ProblemMessage("the recording stopped: " + line));
        }
        ShowRecording();
    });
    // Not one of the services: the files are the real ones whichever services read them.
    watcher_ = std::make_unique<QtFileWatcher>();
    view_.SetOpenRequested([this] { RunOpenFlow(nullptr); });
    reload_.SetReplaced([this](Instrument& now) {
        view_.SetInstrument(now);
        if (midi_) midi_->Follow(now);
        messageBoxes_ = std::make_unique<MessageBoxReporter>(now);
        ringOut_.start();
    });
    constexpr int RING_OUT_CHECK_MS = 250;
    ringOut_.setInterval(RING_OUT_CHECK_MS);
    connect(&ringOut_, &QTimer::timeout, this, [this] {
        reload_.ReleaseQuiet();
        if (reload_.Ringing() == 0) ringOut_.stop();
    });
}

Application::~Application() {
    // The next start opens the window where the person left it.
    SaveWindowPlace();
    // Closing the window finishes the recording's file before anything stops playing.
    StopRecording();
    recording_->SetCompanion(nullptr);
    // Instruments still ringing out of a reload end their notes through the MIDI output, so
    // they go while it is still there.
    reload_.ReleaseAll();
    // The frame gives the hardware buttons back through the services, so it goes first.
    frame_.reset();
    if (sound_) {
        soundWatch_.stop();
        const std::string priority = sound_->Output().RenderPriority();
        const uint64_t underruns = sound_->Underruns();
        sound_->Stop();
        if (options_.verbose) {
            std::fprintf(stderr, "audio: %llu underrun%s%s%s\n",
                         static_cast<unsigned long long>(underruns), underruns == 1 ? "" : "s",
                         priority.empty() ? "" : "; render thread at ", priority.c_str());
        }
    }
    services_.window = nullptr;
}

void Application::MakeRealServices() {
    // Keys and taps come in on this thread: at the lowest real-time priority they reach the
    // mixer within a period even while a build keeps every core busy.
    const std::string inputPriority = RequestInputPriority();
    if (options_.verbose)
        std::fprintf(stderr, "chordlane: keys and taps are taken at %s\n", inputPriority.c_str());
    // Qt reads the X server's events on a thread of its own and hands them to this one, so a
    // press waits for that thread too. It goes by this name; elsewhere there is none.
    for (const int reader : ThreadsNamed("QXcbEventQueue")) RequestInputPriority(reader);
    clock_ = std::make_unique<SteadyClock>();
    settings_ = std::make_unique<QtSettingsStore>();
    files_ = std::make_unique<StdFileSystem>();
    pictures_ = std::make_unique<QtPictureLoader>(*files_, ProgramFolder() + u"startup.bmp");
    dialogs_ = std::make_unique<QtDialogs>();
    messages_ = std::make_unique<QtMessageBox>();
    help_ = std::make_unique<HelpWindowViewer>();
    buttons_ = std::make_unique<QtHardwareButtons>();
    mapper_ = std::make_unique<WaveMapper>();
    rates_ = std::make_unique<PolyphaseRateConverter>();
    soundChoice_ = ReadSoundOutput(settings_.get());
    if (options_.audioDevice) soundChoice_.device = FromUtf8(*options_.audioDevice);
    if (options_.audioBuffer) soundChoice_.bufferFrames = options_.audioBuffer;
    OpenSoundOutput();
    recorder_ = std::make_unique<Recorder>(*mapper_);
    services_.recorder = recorder_.get();
    services_.waveOut = mapper_.get();
    services_.rates = rates_.get();
    services_.clock = clock_.get();
    services_.settings = settings_.get();
    services_.files = files_.get();
    services_.pictures = pictures_.get();
    services_.dialogs = dialogs_.get();
    services_.messages = messages_.get();
    services_.help = help_.get();
    services_.buttons = buttons_.get();
}

void Application::OpenSoundOutput() {
    if (!sound_) {
        // The keeper opens with whatever soundChoice_ holds at the time, reopens included.
        auto open = [this](bool fallback) {
            AudioOutputConfig audio;
            const bool verbose = options_.verbose;
            audio.log = [verbose](const std::string& line) {
                if (verbose) std::fprintf(stderr, "%s\n", line.c_str());
            };
            audio.device = ToUtf8(soundChoice_.device);
            audio.framesPerBuffer = soundChoice_.bufferFrames;
            return OpenAudioOutput(*mapper_, audio, fallback);
        };
        auto makeNull = [this]() -> std::unique_ptr<AudioOutput> {
            return std::make_unique<NullOutput>(*mapper_,
                                                NullOutputConfig{soundChoice_.bufferFrames});
        };
        auto notice = [this](const std::string& text, bool lasting) {
            soundProblem_ = lasting ? text : std::string();
            // At start-up the frame comes later and shows the problem itself.
            if (frame_) ShowSoundProblem();
            if (!lasting && frame_) {
                std::fprintf(stderr, "chordlane: %s\n", text.c_str());
                constexpr int BACK_NOTICE_MS = 8000;
                frame_->ShowPassingNote(QString::fromStdString(text), BACK_NOTICE_MS);
            }
        };
        sound_ = std::make_unique<SoundOutputKeeper>(open, makeNull, notice);
    }
    sound_->Open();
    rates_->SetTargetRate(sound_->Output().Rate());
}

void Application::WatchSound() {
    sound_->Tick();
    if (underrunTold_ || sound_->Underruns() == 0 || !frame_) return;
    // Once: a person who hears a click learns why and what to do, without a note every time.
    underrunTold_ = true;
    const std::string text =
        "The sound output ran dry (an underrun, heard as a click); a larger buffer in Options "
        "\u2192 Sound Output avoids it.";
    std::fprintf(stderr, "chordlane: %s\n", text.c_str());
    constexpr int UNDERRUN_NOTICE_MS = 10000;
    frame_->ShowPassingNote(QString::fromStdString(text), UNDERRUN_NOTICE_MS);
}

void Application::ShowSoundProblem() {
    if (!frame_) return;
    // An output that opens as chosen takes the old notice away.
    if (soundProblem_.empty()) return frame_->ShowSoundProblem(QString());
    std::fprintf(stderr, "chordlane: %s\n", soundProblem_.c_str());
    // In the window's status bar, where it stays for as long as it holds: a dialog box would
    // stand between the person and the instrument at every start on a silent machine.
    frame_->ShowSoundProblem(QString::fromStdString(soundProblem_));
}

void Application::OnSoundOutput() {
    std::string why;
    SoundOutputDialog dialog(frame_.get(), ListAudioDevices(&why), soundChoice_);
    CentreOverWindow(dialog, frame_.get());
    const bool accepted = dialog.exec() == QDialog::Accepted;
    frame_->TakeHeldModifiers();
    if (!accepted) return;
    soundChoice_ = dialog.Choice();
    WriteSoundOutput(services_.settings, soundChoice_);
    if (!mapper_) return;
    // The mixer takes another rate only with no stream open, and the instrument's sounds
    // were converted to the old one: it is closed and loaded again, with the same answers.
    Instrument& shown = GetInstrument();
    const bool reload = shown.load.loaded && !shown.load.currentPath.empty();
    const String path = shown.load.currentPath;
    const String answers = shown.load.answersLog;
    // A recording is at the old rate; instruments ringing out of a live reload hold streams.
    StopRecording();
    reload_.ReleaseAll();
    if (midi_) midi_->EndNotes();
    sound_->Stop();
    if (reload) UnloadInstrument(shown);
    OpenSoundOutput();
    ShowSoundProblem();
    if (!reload) return;
    GivenAnswers given(services_.dialogs, AnswersOfLog(answers));
    FileDialogs* own = services_.dialogs;
    services_.dialogs = &given;
    OpenAndRemember(path, false);
    services_.dialogs = own;
}

bool Application::StartApplication() {
    Instrument& app = GetInstrument();
    // 1. The frame with its view and menu bar; the window service rests on it.
    frame_ = std::make_unique<MainWindow>(*this, view_, options_);
    window_ = std::make_unique<QtWindow>(frame_.get(), frame_->View(), frame_->ShowActiveAction(),
                                         frame_->SpeedVolumeAction(), options_.zoom);
    ViewWidget* viewWidget = frame_->View();
    window_->SetViewTransform([viewWidget] { return viewWidget->ViewTransform(); });
    services_.window = window_.get();
    if (dialogs_) dialogs_->SetParent(frame_.get());
    frame_->SetRecentOpener([this](size_t index) { OpenRecent(index); },
                            [this] { return RecentList(); });
    if (messages_) messages_->SetParent(frame_.get());
    if (buttons_) buttons_->SetHotKeyHandler([this](int32_t id) { frame_->OnHotKey(id); });
    if (mapper_) {
        frame_->SetWaveNoticeDrain(
            [this] {
                mapper_->DeliverNotices();
                reload_.ReleaseQuiet();
            },
            mapper_->NoticeFd());
    }
    reload_.SetWatcher(watcher_.get());

    frame_->RecordAction()->setEnabled(recording_->Available());

    // 2. The option marks.
    ShowOptionChecks(app);
    app.options.pitch = ReadFinePitch(services_.settings) ? PitchMethod::Fine : PitchMethod::Exact;
    frame_->FinePitchAction()->setChecked(app.options.pitch == PitchMethod::Fine);

    // 3. The screen is what the command line asked for.
    app.SetScreen(options_.screenWidth, options_.screenHeight);

    // 4. Folders, the system volume and the start-up bitmap.
    FindFolders();
    // The association follows the program folder wherever it moved.
    RegisterFileTypes(services_.settings, app.load.programFolder);
    ProvideSystemVolume(services_.settings);
    if (PictureLoader* pictures = services_.pictures)
        app.screen.startupBitmap = pictures->LoadStartupBitmap();

    // 5. Show, and paint the start-up screen at once: where the window was left last time
    // when a display still shows that place.
    FitFirstSize();
    RestoreWindowPlace();
    if (options_.fullScreen)
        frame_->ShowFullScreen();
    else
        frame_->show();
    frame_->View()->repaint();
    windowShown_ = true;

    // A silent start is said where the person looks.
    ShowSoundProblem();

    // 6. The volume scale starts in the middle, without touching the system volume.
    app.variables.vM = START_VOLUME_SCALE;

    // MIDI before any sound, so the first note reaches the port too.
    StartMidi();

    // 7. The command line's instrument.
    if (!options_.commandLine.empty()) OpenAndRemember(options_.commandLine, true);
    return true;
}

void Application::FindFolders() {
    Instrument& app = GetInstrument();
    app.load.programFolder = ProgramFolder();
    if (help_) help_->SetProgramFolder(app.load.programFolder);

    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty()) documents = QDir::homePath();
    app.load.homeFolder =
        DeriveHomeFolder(services_.settings, WithTrailingSeparator(FromQString(documents)));
    if (dialogs_) {
        dialogs_->SetPlaces(
            {{QStringLiteral("Sample instruments"), ToQString(app.load.programFolder)},
             {QStringLiteral("Home"), QDir::homePath()}});
    }
}

void Application::FitFirstSize() {
    const QScreen* screen = frame_->screen();
    // Also when starting full screen: F11 later leaves it for this size.
    if (!screen) return;
    // The window's frame and menu bar need their room too.
    const QSize chrome = frame_->sizeHint() - frame_->View()->sizeHint();
    const QSize room = screen->availableGeometry().size() - chrome;
    const int zoom = std::max(options_.zoom, 1);
    const FirstViewSize chosen = ChooseFirstViewSize(
        {room.width(), room.height()}, {options_.screenWidth, options_.screenHeight}, zoom);
    const QSize view(chosen.size.width, chosen.size.height);
    frame_->View()->SetFirstSize(view);
    // Sized here, not left to Qt: a window that sizes itself stays within two thirds of the
    // display, which cut a zoom of 2 down on displays where it fits.
    frame_->resize(view + chrome);
    if (!options_.verbose) return;
    if (chosen.zoomKept) {
        std::fprintf(stderr, "chordlane: zoom %d makes the view %dx%d; the window starts at that\n",
                     zoom, view.width(), view.height());
    } else {
        std::fprintf(stderr,
                     "chordlane: zoom %d makes the view %dx%d, larger than the %dx%d the display "
                     "leaves for it; "
                     "the window starts at %dx%d instead\n",
                     zoom, options_.screenWidth * zoom, options_.screenHeight * zoom, room.width(),
                     room.height(), view.width(), view.height());
    }
}

void Application::RestoreWindowPlace() {
    const std::optional<PixelArea> stored = ReadWindowPlace(services_.settings);
    if (!stored) return;
    std::vector<PixelArea> displays;
    for (const QScreen* display : QGuiApplication::screens()) {
        const QRect area = display->availableGeometry();
        displays.push_back({area.x(), area.y(), area.width(), area.height()});
    }
    const std::optional<PixelArea> place = PlaceToRestore(*stored, displays);
    if (!place) return;
    QRect geometry(place->x, place->y, place->width, place->height);
    // A screen or zoom given on the command line sizes the window; the place still holds.
    if (options_.sizeGiven) geometry.setSize(frame_->size());
    frame_->setGeometry(geometry);
    if (options_.fullScreen) frame_->SetRestoredGeometry(geometry);
    // The size said before is not the one the window takes after all.
    if (options_.verbose && !options_.sizeGiven) {
        std::fprintf(stderr,
                     "chordlane: the window starts at %dx%d at %d,%d, where the last run left "
                     "it\n",
                     geometry.width(), geometry.height(), geometry.x(), geometry.y());
    }
}

void Application::SaveWindowPlace() {
    // Only a window the person has seen has a place worth keeping.
    if (!frame_ || !windowShown_) return;
    const QRect geometry = frame_->RestoredGeometry();
    if (!geometry.isValid()) return;
    WriteWindowPlace(services_.settings,
                     {geometry.x(), geometry.y(), geometry.width(), geometry.height()});
}

void Application::StartMidi() {
    QAction* item = frame_->MidiOutputAction();
    if (!clock_) {
        item->setEnabled(false);
        return;
    }
    const bool verbose = options_.verbose;
    WaveMapper* mapper = mapper_.get();
    midi_ = std::make_unique<LiveMidi>(
        GetInstrument(), *clock_, midiPorts_, [mapper](bool muted) { mapper->SetMuted(muted); },
        [verbose](const std::string& line) {
            if (verbose) std::fprintf(stderr, "chordlane: %s\n", line.c_str());
        });
    // With MIDI on, a recording writes the port's notes beside its sound.
    if (services_.files) {
        midiRecording_ = std::make_unique<MidiRecordingCompanion>(
            midi_->Notes(), *clock_, *services_.files,
            [this] { return midi_ && midi_->Current().on; });
        recording_->SetCompanion(midiRecording_.get());
    }
    const MidiAvailability& available = midi_->Availability();
    if (!available.Available()) {
        const QString reason = QString::fromStdString(available.reason);
        item->setEnabled(false);
        item->setText(QStringLiteral("MIDI Output (%1)").arg(reason));
        item->setToolTip(QStringLiteral("No MIDI output: %1.").arg(reason));
        item->setStatusTip(item->toolTip());
        // Asked for by name on the command line, it is said even without --verbose.
        if (options_.midiOut == true && !verbose) {
            std::fprintf(stderr, "chordlane: --midi-out: no MIDI output, %s\n",
                         available.reason.c_str());
        }
        return;
    }
    MidiOutChoice choice = ReadMidiOutChoice(services_.settings);
    if (options_.midiOut) choice.on = *options_.midiOut;
    const std::string error = midi_->Apply(choice);
    if (!error.empty())
        std::fprintf(stderr, "chordlane: cannot open the MIDI port: %s\n", error.c_str());
}

void Application::OnMidiOutput() {
    if (!midi_ || !midi_->Availability().Available()) return;
    const std::string where = midi_->PortDescription();
    const QString status =
        where.empty() ? QStringLiteral("The port is closed.")
                      : QStringLiteral("Sending on %1.").arg(QString::fromStdString(where));
    MidiOutputDialog dialog(midi_->Current(), status, frame_.get());
    CentreOverWindow(dialog, frame_.get());
    if (dialog.exec() == QDialog::Accepted) {
        const MidiOutChoice choice = dialog.Choice();
        WriteMidiOutChoice(services_.settings, choice);
        const std::string error = midi_->Apply(choice);
        if (!error.empty() && services_.messages) {
            services_.messages->ShowStop(FromUtf8("Cannot open the MIDI port: " + error));
        }
    }
    frame_->TakeHeldModifiers();
}

void Application::OnFileOpen() { RunOpenFlow(nullptr); }

void Application::OnFileReload() {
    reload_.Reload(ReloadTrigger::ByHand);
    // A prompt or the message box may have taken key releases.
    frame_->TakeHeldModifiers();
    ShowTitle();
}

void Application::OnFileSaveAs() {
    // Saving is offered only when the rule allows it; a stale menu must not get past it.
    const LiveReload::Hold saving(reload_);
    if (ShowsImportedLibrary())
        SaveImportedAs();
    else if (CanSaveAs(GetInstrument()))
        SaveInstrumentAs(GetInstrument().load);
    frame_->TakeHeldModifiers();
}

void Application::SaveImportedAs() {
    const std::optional<String> chosen =
        ChooseFile(GetInstrument().load, u"Save the Imported Instrument",
                   u"Chordlane Instrument (*.clx)|*.clx||", false);
    if (!chosen || !services_.files) return;
    String saved;
    const std::string reason = imported_->SaveAs(*chosen, *services_.files, saved);
    if (reason.empty()) return;
    if (MessageBox* messages = services_.messages)
        messages->ShowStop(SaveFailedMessage(*chosen, reason));
}

bool Application::ShowsImportedLibrary() {
    const Instrument& shown = reload_.Current();
    return imported_ && shown.load.loaded && shown.load.currentPath == imported_->InstrumentPath();
}

const ImportedLibrary* Application::Imported() {
    return ShowsImportedLibrary() ? imported_.get() : nullptr;
}

void Application::OnShowActive() { ToggleShowActive(GetInstrument()); }

void Application::OnSpeedVolume() { ToggleSpeedVolume(GetInstrument()); }

void Application::OnFinePitch() {
    Instrument& shown = GetInstrument();
    const bool fine = shown.options.pitch != PitchMethod::Fine;
    shown.options.pitch = fine ? PitchMethod::Fine : PitchMethod::Exact;
    WriteFinePitch(services_.settings, fine);
    frame_->FinePitchAction()->setChecked(fine);
    // The copies were made at load: they are made again the new way.
    if (shown.load.loaded && !shown.load.currentPath.empty()) OnFileReload();
}

void Application::OnAppAbout() {
    AboutDialog dialog(frame_.get());
    CentreOverWindow(dialog, frame_.get());
    dialog.exec();
    frame_->TakeHeldModifiers();
}

void Application::OnFileRecord() {
    if (recording_->IsRecording()) {
        StopRecording();
        return;
    }
    const QDateTime now = QDateTime::currentDateTime();
    const LocalTime when{now.date().year(), now.date().month(),  now.date().day(),
                         now.time().hour(), now.time().minute(), now.time().second()};
    // The documents folder may not have been made yet on a fresh account.
    const String& folder = GetInstrument().load.homeFolder;
    if (!folder.empty()) QDir().mkpath(ToQString(folder));
    if (const std::string problem = recording_->Start(folder, when); !problem.empty()) {
        if (MessageBox* messages = services_.messages) messages->ShowStop(ProblemMessage(problem));
    } else {
        recordingTimer_.start(RECORDING_REFRESH_MS);
    }
    ShowRecording();
    frame_->TakeHeldModifiers();
}

void Application::StopRecording() {
    recordingTimer_.stop();
    if (const std::string line = recording_->Stop(); !line.empty())
        std::fprintf(stderr, "chordlane: %s\n", line.c_str());
    if (frame_) ShowRecording();
}

void Application::ShowRecording() {
    frame_->RecordAction()->setChecked(recording_->IsRecording());
    ShowTitle();
}

void Application::RunOpenFlow(const String* path) {
    OpenAndRemember(path ? std::optional<String>(*path) : std::nullopt, false);
}

StartupOpenResult::Outcome Application::OpenAndRemember(const std::optional<String>& path,
                                                        bool fromCommandLine) {
    using Outcome = StartupOpenResult::Outcome;
    // The voices that play them are about to go.
    if (midi_) midi_->EndNotes();
    auto toStandardError = [](const std::string& problem) {
        std::fprintf(stderr, "chordlane: %s\n", problem.c_str());
        std::fflush(stderr);
    };
    // The instrument being opened must not be replaced by a reload while a dialog or prompt
    // of the load waits for the person.
    const LiveReload::Hold opening(reload_);
    std::optional<String> chosen = path;
    if (!chosen) {
        chosen = ChooseFile(GetInstrument().load, u"Open an Instrument", OPEN_FILTER, true,
                            OpenDialogFolder(GetInstrument()));
    }
    // A sound library plays as the instrument file its preset is imported into; one that
    // cannot be read leaves the instrument on show as it was.
    Outcome outcome = Outcome::Cancelled;
    std::unique_ptr<ImportedLibrary> imported;
    std::optional<LibraryReference> library;
    if (chosen) library = ParseLibraryReference(ToUtf8(*chosen));
    if (library) imported = ImportLibrary(*library, fromCommandLine, outcome);
    const bool opens = chosen && (!library || imported);
    if (opens) {
        const StartupOpenResult result =
            OpenOrExplain(GetInstrument(), imported ? imported->InstrumentPath() : *chosen, nullptr,
                          fromCommandLine ? std::function<void(const std::string&)>(toStandardError)
                                          : std::function<void(const std::string&)>());
        outcome = result.outcome;
    }
    const bool replaced = opens && outcome != Outcome::Cancelled;
    // A recording is of one instrument: another one (or the start-up screen) ends it.
    if (replaced) StopRecording();
    // The built-in instrument is listed too: it is what a first start plays. An imported
    // preset is listed as its library, which opens it again.
    if (outcome == Outcome::Loaded) {
        const RecentInstrument entry =
            imported ? RecentInstrument{FromUtf8(imported->Reference()), String()}
                     : RecentInstrument{GetInstrument().load.currentPath,
                                        GetInstrument().load.answersLog};
        WriteRecentInstruments(services_.settings, WithRecent(RecentList(), entry));
    }
    // A cancelled dialog leaves the instrument and what changed of its files as they were.
    if (replaced) reload_.WatchCurrent();
    // The files of the import shown before go once another instrument took its place.
    if (replaced) imported_ = outcome == Outcome::Loaded ? std::move(imported) : nullptr;
    frame_->UpdateCommandStates();
    // File dialogs, prompts and message boxes may have taken key releases.
    frame_->TakeHeldModifiers();
    ShowTitle();
    return outcome;
}

void Application::TellProblem(const std::string& problem, bool fromCommandLine) {
    if (fromCommandLine) {
        std::fprintf(stderr, "chordlane: %s\n", problem.c_str());
        std::fflush(stderr);
    }
    if (MessageBox* messages = services_.messages) messages->ShowStop(ProblemMessage(problem));
}

std::unique_ptr<ImportedLibrary> Application::ImportLibrary(const LibraryReference& reference,
                                                            bool fromCommandLine,
                                                            StartupOpenResult::Outcome& outcome) {
    using Outcome = StartupOpenResult::Outcome;
    outcome = Outcome::Cancelled;
    // Kept absolute: the recent list opens it again from wherever the program starts.
    const std::string path =
        QFileInfo(QString::fromStdString(reference.library)).absoluteFilePath().toStdString();
    std::vector<std::string> warnings;
    auto fail = [&](const std::string& why) -> std::unique_ptr<ImportedLibrary> {
        outcome = Outcome::CannotOpen;
        std::string problem = "cannot open the sound library '" + path + "': " + why;
        for (size_t i = 0; i < warnings.size() && i < WARNINGS_TOLD; ++i)
            problem += "\n" + warnings[i];
        TellProblem(problem, fromCommandLine);
        return nullptr;
    };
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return fail(CannotOpenReason(FromUtf8(path)));
    std::string reason;
    const bool verbose = options_.verbose;
    std::unique_ptr<SoundLibrary> library =
        OpenSoundLibrary(path, reason, [&warnings, verbose](const std::string& warning) {
            if (verbose) std::fprintf(stderr, "%s\n", warning.c_str());
            warnings.push_back(warning);
        });
    if (!library) return fail(LibraryReason(reason, path));
    const std::vector<LibraryPreset> presets = library->Presets();
    if (presets.empty()) return fail("it holds no preset");
    size_t selected = 0;
    if (!reference.preset.empty()) {
        const std::optional<LibraryPreset> wanted = FindPreset(*library, reference.preset);
        if (!wanted) return fail("it has no preset '" + reference.preset + "'");
        for (size_t i = 0; i < presets.size(); ++i) {
            if (presets[i].bank == wanted->bank && presets[i].program == wanted->program)
                selected = i;
        }
    }
    LibraryDialog dialog(
        QFileInfo(QString::fromStdString(path)).fileName(), presets,
        [&library](const LibraryPreset& preset) { return library->IsPercussion(preset); }, selected,
        frame_.get());
    CentreOverWindow(dialog, frame_.get());
    if (dialog.exec() != QDialog::Accepted) return nullptr;
    if (!services_.files) return fail("no file system to write its files to");
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const auto start = std::chrono::steady_clock::now();
    std::unique_ptr<ImportedLibrary> imported = ImportedLibrary::Import(
        *library, path, dialog.Preset(), dialog.Layout(), *services_.files, reason);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    QGuiApplication::restoreOverrideCursor();
    if (!imported) return fail(reason);
    if (verbose) {
        std::fprintf(stderr, "chordlane: imported '%s' of %s in %.0f ms\n",
                     dialog.Preset().name.c_str(), path.c_str(), ms);
    }
    return imported;
}

void Application::ShowTitle() {
    const Instrument& app = GetInstrument();
    QString name;
    if (const ImportedLibrary* imported = Imported()) {
        // The preset and its library, not the temporary folder's file.
        name = QStringLiteral("%1 (%2)").arg(
            QString::fromStdString(imported->Preset().name),
            QFileInfo(QString::fromStdString(imported->LibraryPath())).fileName());
    } else if (app.load.loaded && !app.load.currentPath.empty()) {
        // The built-in instrument is the guitar the program folder also holds.
        name = app.load.currentPath == u"!" ? QStringLiteral("guitar.clx")
                                            : QFileInfo(ToQString(app.load.currentPath)).fileName();
    }
    QString title =
        name.isEmpty() ? QStringLiteral("Chordlane") : name + QStringLiteral(" \u2014 Chordlane");
    if (recording_->IsRecording())
        title = ToQString(recording_->StatusText()) + QStringLiteral(" \u2014 ") + title;
    frame_->setWindowTitle(title);
}

std::vector<RecentInstrument> Application::RecentList() const {
    return ReadRecentInstruments(services_.settings);
}

void Application::OpenRecent(size_t index) {
    const std::vector<RecentInstrument> list = RecentList();
    if (index >= list.size()) return;
    // The prompts take the answers they were given last time; one more is asked for.
    GivenAnswers answers(services_.dialogs, AnswersOfLog(list[index].answersLog));
    FileDialogs* own = services_.dialogs;
    services_.dialogs = &answers;
    const StartupOpenResult::Outcome outcome = OpenAndRemember(list[index].path, false);
    services_.dialogs = own;
    // A file that went away, or stopped being an instrument, leaves the list once said.
    if (outcome == StartupOpenResult::Outcome::CannotOpen ||
        outcome == StartupOpenResult::Outcome::NothingToShow) {
        std::vector<RecentInstrument> kept = RecentList();
        std::erase_if(kept, [&](const RecentInstrument& r) { return r.path == list[index].path; });
        WriteRecentInstruments(services_.settings, kept);
    }
}

}  // namespace chordlane
