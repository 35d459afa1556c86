#include "app/SoundOutputSettings.h"

namespace chordlane {

namespace {

constexpr char16_t DEVICE_VALUE[] = u"Device";
constexpr char16_t BUFFER_VALUE[] = u"BufferFrames";
constexpr char16_t FINE_PITCH_VALUE[] = u"FinePitch";

}  // namespace

bool IsBufferSize(int64_t frames) {
    return frames >= MIN_BUFFER_FRAMES && frames <= MAX_BUFFER_FRAMES;
}

SoundOutputChoice ReadSoundOutput(SettingsStore* store) {
    SoundOutputChoice choice;
    if (!store) return choice;
    auto key = store->CreateKey(SettingsRoot::CurrentUser, SOUND_KEY);
    if (!key) return choice;
    if (auto device = key->ReadString(DEVICE_VALUE, SETTING_STRING_BYTES)) choice.device = *device;
    // A hand-edited file may hold anything; a size the device cannot work with is not kept.
    if (auto frames = key->ReadNumber(BUFFER_VALUE); frames && IsBufferSize(*frames))
        choice.bufferFrames = *frames;
    return choice;
}

void WriteSoundOutput(SettingsStore* store, const SoundOutputChoice& choice) {
    if (!store) return;
    auto key = store->CreateKey(SettingsRoot::CurrentUser, SOUND_KEY);
    if (!key) return;
    key->WriteString(DEVICE_VALUE, choice.device);
    key->WriteNumber(BUFFER_VALUE, choice.bufferFrames);
}

bool ReadFinePitch(SettingsStore* store) {
    if (!store) return false;
    auto key = store->CreateKey(SettingsRoot::CurrentUser, SOUND_KEY);
    if (!key) return false;
    // Anything but 1, a hand edit included, is the default method.
    const auto fine = key->ReadNumber(FINE_PITCH_VALUE);
    return fine && *fine == 1;
}

void WriteFinePitch(SettingsStore* store, bool fine) {
    if (!store) return;
    if (auto key = store->CreateKey(SettingsRoot::CurrentUser, SOUND_KEY))
        key->WriteNumber(FINE_PITCH_VALUE, fine ? 1 : 0);
}

}  // namespace chordlane
