#pragma once
// One instrument and everything it needs while it loads and plays, in named parts: the
// screen it is drawn for, its load state (folders, answers, status), the menu options, the
// application variables, the budgets of a load, the memory of its samples and pictures, its
// channels' bookkeeping, its name registry and element tree, and where the problems found
// while loading go. Whoever loads an instrument (the program, chordlane-tool, a test) owns
// one of these and passes it down; elements reach it through the reference they are built
// with. Two instruments can live side by side, on one wave output or two.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "elements/NameRegistry.h"
#include "elements/PictureMemory.h"
#include "elements/TriggerGuard.h"
#include "language/LoadState.h"
#include "language/ParseListener.h"
#include "platform/Platform.h"
#include "platform/Surface.h"
#include "platform/Types.h"
#include "sound/PitchMethod.h"
#include "sound/Playback.h"
#include "sound/SampleMemory.h"
#include "sound/WorkBudget.h"

namespace chordlane {

class EventTrace;
class PanelElement;

// What the start-up screen shows while no instrument is loaded.
inline constexpr int32_t SCREEN_BITMAP_ONLY = 0;
inline constexpr int32_t SCREEN_TAP_TO_START = 1;
inline constexpr int32_t SCREEN_LOADING = 2;

// The system volume's place in the settings store; "vM" is written there.
inline constexpr char16_t VOLUME_KEY[] = u"ControlPanel\\Volume";
inline constexpr char16_t VOLUME_VALUE[] = u"Volume";

//! The system volume for a volume scale: (vM + 40) * 0x1111111 in 32-bit unsigned arithmetic.
uint32_t SystemVolumeFor(int32_t volumeScale);

// The brushes and pens all shapes of an instrument share, made by the first shape drawn.
struct ShapeObjects {
    Brush pressedBrush;
    Brush brush;
    Pen pressedPen;
    Pen pen;
};

// What is drawn on the screen and how: its size, the start-up screen, the area still to be
// repainted and what the shapes draw with.
struct ScreenState {
    int32_t width = 0;
    int32_t height = 0;
    Rect rect{};  // {0, 0, width - 1, height - 1}
    int32_t state = SCREEN_TAP_TO_START;
    std::shared_ptr<Bitmap> startupBitmap;
    Rect pendingRepaint{};  // empty when nothing is pending
    std::optional<ShapeObjects> shapeObjects;
};

// The program's options, which a reload carries over as they are.
struct MenuOptions {
    int32_t showActive = 1;
    int32_t speedVolume = 1;
    // Whether the hardware buttons are ours. Not a menu choice, but like the options it is the
    // program's state rather than the file's: the frame's activation sets it, and a reload
    // keeps it along with them.
    uint8_t hardwareButtons = 0;
    // How the sounds of the next load make their pitch copies.
    PitchMethod pitch = PitchMethod::Exact;

    //! Member by member.
    bool operator==(const MenuOptions&) const = default;
};

// The variables an instrument file reads and writes by name ("cb", "sp", "vA", "vM").
struct AppVariables {
    int32_t cb = -1;  // the background colour
    int32_t sp = 30;  // the strength of a stroke
    int32_t vA = 0;   // added to every volume
    int32_t vM = 0;   // added to every volume scale; the system volume follows it

    //! Member by member.
    bool operator==(const AppVariables&) const = default;
};

// What one load may spend; a new load starts afresh.
struct LoadBudgets {
    // What the pitch copies may cost.
    WorkBudget work;
    // The frames that may be converted to the output's rate.
    WorkBudget conversion{DEFAULT_CONVERSION_FRAME_LIMIT};
    // The chains of triggers the elements pass on by name.
    TriggerBudget triggers;
};

// What the samples and pictures of the loaded instrument hold.
struct InstrumentMemory {
    SampleMemory samples;
    // The pixels of the pictures, and one bitmap per picture file.
    PictureMemory pictures;
};

class Instrument {
  public:
    //! platform is the owner's set of services; it must outlive the instrument, and a
    //! service the owner replaces there is used from then on.
    explicit Instrument(const Platform& platform);
    //! Deletes the tree (DeleteTree).
    ~Instrument();
    Instrument(const Instrument&) = delete;
    Instrument& operator=(const Instrument&) = delete;

    //! Sets the screen size and the rectangle {0, 0, width - 1, height - 1}.
    void SetScreen(int32_t width, int32_t height);

    //! Empties the registry and deletes the element tree, root panel included; the channels
    //! close their devices as their voices go.
    void DeleteTree();
    //! Empties the registry and the load state's current path, answers log and used files,
    //! and deletes every member of the root panel; the shapes' brushes and pens are made anew by
    //! the next shape.
    void ResetInstrument();

    //! Notes a file this load read, in the load state (LoadState::NoteUsedFile).
    void NoteUsedFile(const String& resolved, const String& openedBy) {
        load.NoteUsedFile(resolved, openedBy);
    }
    //! The files this load read, in the order first read (LoadState::UsedFiles).
    const std::vector<String>& UsedFiles() const { return load.UsedFiles(); }

    //! Repaints r of the view before returning (nothing without a window).
    void RepaintNow(const Rect& r) const;
    //! Repaints r only while the Show Active option is on.
    void RepaintIfShowActive(const Rect& r) const;
    //! Stores the start-up screen's state, then repaints the whole screen.
    void SetScreenState(int32_t state);
    //! Adds r to the area still to be repainted.
    void AddPendingRepaint(const Rect& r);
    //! Repaints the pending area, if any, and empties it.
    void FlushPendingRepaint();
    //! Empties the pending area without repainting it.
    void DiscardPendingRepaint() { screen.pendingRepaint = {}; }

    //! True exactly for "cb", "vA" and "vM": the variables an action can read ("sp" is only
    //! written).
    bool IsVariable(const String& name);
    //! The value of "cb", "vA" or "vM"; 0 for any other name.
    int32_t GetVariable(const String& name);
    //! Sets "cb", "sp", "vA" or "vM"; setting "vM" also writes the system volume. Any other
    //! name goes to the root panel's SetInt, which reaches every element.
    void SetVariable(const String& name, int32_t value);
    //! SetString of the root panel, for a string action without a target.
    void ForwardToRoot(const String& property, const String& text);

    //! The clock's milliseconds, 0 without a clock.
    uint32_t Now() const { return platform.clock ? platform.clock->TickCount() : 0; }

    const Platform& platform;

    ScreenState screen;
    MenuOptions options;
    AppVariables variables;

    //! Observes strokes, events and sounds: the tool's event log, the MIDI notes; null: none.
    EventTrace* trace = nullptr;
    //! Learn every problem of the files this instrument loads, and every message for the
    //! user, as they come up.
    ListenerSet listeners;
    //! The folders, the answers, the status and the used files of loading: what the file
    //! language reads and writes of this instrument.
    LoadState load{platform, listeners};

    // Declared before the tree, so that they outlive it: the samples, pictures, channels and
    // registry entries of its elements, and the triggers passing through it, refer to them
    // until the tree is gone.
    InstrumentMemory memory;
    LoadBudgets budgets;
    Playback playback;
    NameRegistry names;
    std::unique_ptr<PanelElement> root;

  private:
    int32_t* Variable(const String& name, bool includeWriteOnly);
};

}  // namespace chordlane
