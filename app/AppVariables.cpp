#include "app/AppVariables.h"

#include "app/AppState.h"
#include "app/Settings.h"
#include "elements/PanelElement.h"

namespace chordlane {

namespace {

int32_t* Variable(const String& name, bool includeWriteOnly) {
    AppState& app = App();
    if (name == u"cb") return &app.cb;
    if (name == u"sp") return includeWriteOnly ? &app.sp : nullptr;
    if (name == u"vA") return &app.vA;
    if (name == u"vM") return &app.vM;
    return nullptr;
}

}  // namespace

uint32_t SystemVolumeFor(int32_t volumeScale) {
    return (static_cast<uint32_t>(volumeScale) + 40u) * 0x1111111u;
}

bool IsAppVariable(const String& name) { return Variable(name, false) != nullptr; }

int32_t GetAppVariable(const String& name) {
    const int32_t* variable = Variable(name, false);
    return variable ? *variable : 0;
}

void SetAppVariable(const String& name, int32_t value) {
    if (int32_t* variable = Variable(name, true)) {
        *variable = value;
        if (name == u"vM") {
            WriteSettingNumber(SettingsRoot::CurrentUser, VOLUME_KEY, VOLUME_VALUE,
                               SystemVolumeFor(value));
        }
        return;
    }
    if (App().root) App().root->SetInt(name, value);
}

void ForwardToRoot(const String& property, const String& text) {
    if (App().root) App().root->SetString(property, text);
}

}  // namespace chordlane
