#pragma once
// The menu commands that need no window of their own, and the frame's system integration:
// the two options and their check marks, the Save As rule, the hardware buttons, the system
// volume on activation, the hot keys and the help.

#include <cstdint>

namespace chordlane {

class Instrument;

// The device's hardware buttons: the virtual key codes taken over as hot keys.
inline constexpr uint32_t FIRST_HARDWARE_BUTTON = 0xC1;
inline constexpr uint32_t LAST_HARDWARE_BUTTON = 0xCF;

// How the frame became active or inactive.
enum class Activation { Inactive = 0, Active = 1, ClickActive = 2 };

//! Switches Show Active and its check mark; nothing is repainted.
void ToggleShowActive(Instrument& instrument);
//! Switches Speed -> Volume and its check mark, and puts "vM" back to 50.
void ToggleSpeedVolume(Instrument& instrument);
//! Sets both check marks from the options.
void ShowOptionChecks(Instrument& instrument);
//! Save As is offered only for an instrument loaded with prompt answers to record.
bool CanSaveAs(const Instrument& instrument);

//! Takes the hardware buttons over as hot keys; nonzero when they are (or already were) held,
//! 0 when the platform cannot give them.
int32_t RegisterHardwareButtons(Instrument& instrument);
//! Gives the hardware buttons back; always 0.
int32_t ReleaseHardwareButtons(Instrument& instrument);
//! The frame became active or inactive: reads the system volume into "vM" and takes the
//! buttons on a plain activation, gives them back otherwise.
void OnActivate(Instrument& instrument, Activation state, bool minimised);
//! A hardware button was pressed: raises its key event. Answers 0.
int32_t OnHotKey(Instrument& instrument, uint32_t id);
//! Opens the help document; answers whether a viewer started.
bool ShowHelp(const Instrument& instrument);

}  // namespace chordlane
