#include "elements/Instrument.h"

#include <algorithm>

#include "elements/PanelElement.h"

namespace chordlane {

uint32_t SystemVolumeFor(int32_t volumeScale) {
    return (static_cast<uint32_t>(volumeScale) + 40u) * 0x1111111u;
}

Instrument::Instrument(const Platform& services)
    : platform(services), playback(services), names(*this) {}

Instrument::~Instrument() { DeleteTree(); }

void Instrument::DeleteTree() {
    // The registry points into the tree, and voices leaving their groups consult it: empty
    // it before the tree goes.
    names.Clear();
    if (root) root->DeleteAll();
    root.reset();
    memory.pictures.ForgetShared();
}

void Instrument::SetScreen(int32_t width, int32_t height) {
    screen.width = width;
    screen.height = height;
    screen.rect = {0, 0, width - 1, height - 1};
}

void Instrument::ResetInstrument() {
    names.Clear();
    load.Forget();
    if (root) root->DeleteAll();
    budgets.work.Restart();
    budgets.conversion.Restart();
    memory.pictures.ForgetShared();
    // The next instrument's first shape sets the shapes' colours anew.
    screen.shapeObjects.reset();
}

void Instrument::RepaintNow(const Rect& r) const {
    if (Window* window = platform.window) window->RepaintNow(r);
}

void Instrument::RepaintIfShowActive(const Rect& r) const {
    if (options.showActive) RepaintNow(r);
}

void Instrument::SetScreenState(int32_t state) {
    screen.state = state;
    RepaintNow(screen.rect);
}

void Instrument::AddPendingRepaint(const Rect& r) {
    Rect& pending = screen.pendingRepaint;
    if (pending.IsEmpty()) {
        pending = r;
        return;
    }
    if (r.IsEmpty()) return;  // an empty area adds nothing, wherever its corners lie
    pending.left = std::min(pending.left, r.left);
    pending.top = std::min(pending.top, r.top);
    pending.right = std::max(pending.right, r.right);
    pending.bottom = std::max(pending.bottom, r.bottom);
}

void Instrument::FlushPendingRepaint() {
    if (screen.pendingRepaint.IsEmpty()) return;
    // Emptied first, so that areas added while painting wait for the next flush.
    const Rect area = screen.pendingRepaint;
    screen.pendingRepaint = {};
    RepaintNow(area);
}

int32_t* Instrument::Variable(const String& name, bool includeWriteOnly) {
    if (name == u"cb") return &variables.cb;
    if (name == u"sp") return includeWriteOnly ? &variables.sp : nullptr;
    if (name == u"vA") return &variables.vA;
    if (name == u"vM") return &variables.vM;
    return nullptr;
}

bool Instrument::IsVariable(const String& name) { return Variable(name, false) != nullptr; }

int32_t Instrument::GetVariable(const String& name) {
    const int32_t* variable = Variable(name, false);
    return variable ? *variable : 0;
}

void Instrument::SetVariable(const String& name, int32_t value) {
    if (int32_t* variable = Variable(name, true)) {
        *variable = value;
        if (name == u"vM") {
            WriteSettingNumber(platform.settings, SettingsRoot::CurrentUser, VOLUME_KEY,
                               VOLUME_VALUE, SystemVolumeFor(value));
        }
        return;
    }
    if (root) root->SetInt(name, value);
}

void Instrument::ForwardToRoot(const String& property, const String& text) {
    if (root) root->SetString(property, text);
}

}  // namespace chordlane
