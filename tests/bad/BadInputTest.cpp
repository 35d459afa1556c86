#include "tests/bad/BadInputTest.h"

#include <filesystem>
#include <fstream>
#include <vector>

#include "elements/GroupElement.h"
#include "elements/PanelElement.h"
#include "language/NameRegistry.h"
#include "tests/bad/CountingAllocator.h"

namespace chordlane::test {

namespace {

// The resident set's high-water mark, or the current size, in bytes (-1 when unknown).
int64_t StatusBytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.compare(0, key.size(), key) == 0) return std::stoll(line.substr(key.size())) * 1024;
    }
    return -1;
}

// Starts the high-water mark afresh from the current resident set.
void ResetResidentPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

std::vector<Element*> MembersOf(Element& e) {
    if (auto* panel = dynamic_cast<PanelElement*>(&e)) return panel->Group().Members();
    if (auto* group = dynamic_cast<GroupElement*>(&e)) return group->Members();
    return {};
}

Element* FindIn(Element& container, std::u16string_view name) {
    for (Element* member : MembersOf(container)) {
        if (member->Name() == name) return member;
        if (Element* hit = FindIn(*member, name)) return hit;
    }
    return nullptr;
}

size_t CountIn(Element& container) {
    size_t n = 0;
    for (Element* member : MembersOf(container)) n += 1 + CountIn(*member);
    return n;
}

}  // namespace

void BadInputTest::SetUp() {
    ChordlaneTest::SetUp();
    AppState& app = App();
    app.screenWidth = 240;
    app.screenHeight = 320;
    app.screenRect = {0, 0, 239, 319};
    app.homeFolder = TempFolder() + u"home/";
    app.programFolder = TempFolder() + u"program/";
    app.vM = 50;
    Platform services = CurrentPlatform();
    services.waveOut = &mixer_;
    InstallPlatform(services);
}

void BadInputTest::TearDown() {
    UnloadInstrument();
    ChordlaneTest::TearDown();
    platform_.Install();
}

void BadInputTest::CopyBad(const std::string& name) {
    std::filesystem::copy_file(DataFile("bad/" + name), temp_ / name,
                               std::filesystem::copy_options::overwrite_existing);
}

String BadInputTest::WriteInstrument(const std::string& name, const std::string& body) {
    return FromUtf8(WriteFile(name, "cl1.0\n" + body).string());
}

OpenResult BadInputTest::Load(const String& path) {
    ResetPeak();
    ResetResidentPeak();
    const int64_t before = HeldBytes();
    const int64_t residentBefore = StatusBytes("VmRSS");
    const auto start = std::chrono::steady_clock::now();
    const OpenResult result = OpenInstrument(path);
    loadSeconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    loadPeakBytes_ = PeakBytes() - before;
    loadPeakRss_ = StatusBytes("VmHWM") - residentBefore;
    return result;
}

void BadInputTest::ExpectBoundedLoad() const {
    // For the record of what each bad file costs (in the test program's XML or JSON report).
    RecordProperty("load_peak_bytes", std::to_string(loadPeakBytes_));
    RecordProperty("load_peak_resident_bytes", std::to_string(loadPeakRss_));
    RecordProperty("load_ms", std::to_string(static_cast<int64_t>(loadSeconds_ * 1000)));
    EXPECT_LT(loadPeakBytes_, LOAD_MEMORY_BOUND);
    EXPECT_LT(loadPeakRss_, LOAD_MEMORY_BOUND);
    EXPECT_LT(loadSeconds_, LOAD_TIME_BOUND_SECONDS);
}

bool BadInputTest::Sounds(const std::u16string& voice) {
    Element* element = Lookup(voice);
    if (!element) return false;
    element->Trigger(50, nullptr);
    std::vector<float> mix(2 * 2400);
    mixer_.Render(mix, 2400);
    mixer_.DeliverNotices();
    for (float v : mix) {
        if (v > 0.001f || v < -0.001f) return true;
    }
    return false;
}

Element* BadInputTest::Find(std::u16string_view name) const {
    return App().root ? FindIn(*App().root, name) : nullptr;
}

size_t BadInputTest::CountElements() const { return App().root ? CountIn(*App().root) : 0; }

std::vector<std::string> BadInputTest::Messages() const {
    std::vector<std::string> texts;
    for (const String& text : platform_.messages.Texts()) texts.push_back(ToUtf8(text));
    return texts;
}

}  // namespace chordlane::test
