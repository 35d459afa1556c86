#include "tools/lsp/InstrumentIndex.h"

#include <map>

#include "app/LoadProblems.h"
#include "app/OpenFlow.h"
#include "elements/Element.h"
#include "elements/GroupElement.h"
#include "elements/PanelElement.h"
#include "tools/ToolSession.h"
#include "tools/lsp/OverlayFileSystem.h"

namespace chordlane::tool {

namespace {

// Whether d was built from file, whose NormalPath is path (empty for the built-in one).
bool InFile(const Declaration& d, const String& file, const std::string& path) {
    return d.file == file || (!path.empty() && d.path == path);
}

}  // namespace

// Keeps what the load finds: each problem with how grave it is, each element as it is built
// with where it stands in the tree.
class IndexRecorder : public LoadProblemListener {
  public:
    explicit IndexRecorder(InstrumentIndex& index)
        : LoadProblemListener([this](const LoadProblem& problem) { Take(problem); }),
          index_(index) {}

    void SkippedLine(const String& file, int32_t line, const String& reason) override {
        severity_ = ProblemSeverity::Error;
        LoadProblemListener::SkippedLine(file, line, reason);
    }
    void MissingInclude(const String& file, int32_t line, const String& name) override {
        severity_ = ProblemSeverity::Error;
        LoadProblemListener::MissingInclude(file, line, name);
    }
    void FileNotLoaded(const String& file, int32_t line, const String& what, const String& name,
                       const String& reason) override {
        severity_ = ProblemSeverity::Error;
        LoadProblemListener::FileNotLoaded(file, line, what, name, reason);
    }
    void IndentedDirective(const String& file, int32_t line, const String& directive) override {
        severity_ = ProblemSeverity::Warning;
        LoadProblemListener::IndentedDirective(file, line, directive);
    }
    void UnresolvedName(const String& file, int32_t line, const String& name,
                        const String& closest) override {
        severity_ = ProblemSeverity::Warning;
        LoadProblemListener::UnresolvedName(file, line, name, closest);
    }
    void UnclosedBlock(const String& file, int32_t line, bool panel, const String& name) override {
        severity_ = ProblemSeverity::Warning;
        LoadProblemListener::UnclosedBlock(file, line, panel, name);
    }
    void OutsideScreen(const String& file, int32_t line, const String& name, int32_t screenWidth,
                       int32_t screenHeight) override {
        severity_ = ProblemSeverity::Warning;
        LoadProblemListener::OutsideScreen(file, line, name, screenWidth, screenHeight);
    }

    void ElementBuilt(Element& element, PanelElement* panel, const String& file,
                      int32_t line) override {
        Declaration d;
        d.name = element.Name();
        d.className = element.ClassName();
        d.file = file;
        if (file != u"!") d.path = NormalPath(file);
        d.line = line;
        d.panel = panel ? panel->Number() : 0;
        d.action = d.className.ends_with("Action");
        d.writtenName = d.name;
        const auto prefix = static_cast<char16_t>(64u + static_cast<uint32_t>(d.panel));
        if (d.panel > 0 && !d.name.empty() && d.name[0] == prefix) d.writtenName.erase(0, 1);

        auto* asPanel = dynamic_cast<PanelElement*>(&element);
        std::optional<size_t> parent;
        if (asPanel) {
            // Panels always go to the root panel, and an open group stays open around them.
            d.panelNumber = asPanel->Number();
        } else {
            // The builder adds to the innermost open group: the one whose last member this
            // element is now. Groups passed over have had their blocks closed.
            while (!groups_.empty()) {
                const std::vector<Element*>& members = groups_.back()->Members();
                if (!members.empty() && members.back() == &element) {
                    parent = built_[groups_.back()];
                    break;
                }
                groups_.pop_back();
            }
            if (!parent && panel) {
                if (const auto found = built_.find(panel); found != built_.end()) {
                    parent = found->second;
                }
            }
        }
        std::vector<Declaration>& all = index_.declarations_;
        const size_t at = all.size();
        all.push_back(std::move(d));
        built_[&element] = at;
        if (parent) {
            all[*parent].children.push_back(at);
        } else {
            index_.topLevel_.push_back(at);
        }
        if (auto* group = dynamic_cast<GroupElement*>(&element)) groups_.push_back(group);
    }

  private:
    void Take(const LoadProblem& problem) {
        // A prompt nobody can answer in an editor is no fault of the file.
        const ProblemSeverity severity =
            problem.promptNotAnswered ? ProblemSeverity::Information : severity_;
        index_.problems_.push_back({problem.file, problem.line, problem.reason, severity});
    }

    InstrumentIndex& index_;
    ProblemSeverity severity_ = ProblemSeverity::Error;
    // Only looked up while the load runs, when every element built is alive.
    std::map<const Element*, size_t> built_;
    std::vector<GroupElement*> groups_;
};

InstrumentIndex InstrumentIndex::Load(const IndexRequest& request) {
    InstrumentIndex index;
    CommonOptions options;
    options.screenWidth = request.screenWidth;
    options.screenHeight = request.screenHeight;
    options.home = request.home;
    ToolSession session(options);
    HeadlessPlatform& platform = session.Platform();
    OverlayFileSystem overlay(*platform.files, request.path, request.text);
    const ScopedService<FileSystem> files(platform.services.files, &overlay);
    IndexRecorder recorder(index);
    OpenInstrument(session.GetInstrument(), request.path, &recorder);
    return index;
}

bool InstrumentIndex::SameFile(const String& a, const String& b) {
    return a == b || (a != u"!" && b != u"!" && NormalPath(a) == NormalPath(b));
}

std::vector<const Declaration*> InstrumentIndex::DeclaredAt(const String& file,
                                                            int32_t line) const {
    const std::string path = file == u"!" ? std::string() : NormalPath(file);
    std::vector<const Declaration*> found;
    for (const Declaration& d : declarations_) {
        if (d.line == line && InFile(d, file, path)) {
            found.push_back(&d);
        }
    }
    return found;
}

std::vector<const Declaration*> InstrumentIndex::Named(const String& name) const {
    std::vector<const Declaration*> found;
    for (auto d = declarations_.rbegin(); d != declarations_.rend(); ++d) {
        if (d->name == name) found.push_back(&*d);
    }
    return found;
}

int32_t InstrumentIndex::PanelOfLine(const String& file, int32_t line) const {
    // The panel of the nearest element built above the line in the same file.
    const std::string path = file == u"!" ? std::string() : NormalPath(file);
    const Declaration* nearest = nullptr;
    for (const Declaration& d : declarations_) {
        if (d.line > line || !InFile(d, file, path)) continue;
        if (!nearest || d.line >= nearest->line) nearest = &d;
    }
    if (!nearest) return 0;
    return nearest->panelNumber != 0 ? nearest->panelNumber : nearest->panel;
}

std::vector<const Declaration*> InstrumentIndex::Resolve(std::u16string_view written,
                                                         const String& file, int32_t line) const {
    if (written.empty()) return {};
    const String name(written);
    // A leading '!' asks for the name without any panel's prefix.
    if (name[0] == u'!') return Named(name.substr(1));
    const int32_t panel = PanelOfLine(file, line);
    if (panel > 0) {
        const String prefixed = String(1, static_cast<char16_t>(64u + panel)) + name;
        if (auto found = Named(prefixed); !found.empty()) return found;
    }
    if (auto found = Named(name); !found.empty()) return found;
    if (name[0] >= u'A' && name[0] <= u'Z') {
        if (auto found = Named(name.substr(1)); !found.empty()) return found;
    }
    // A note name ("ep-C3") finds the sounds of its set ("ep-lo", "ep-hi"); a name with a
    // shift ("gtr+12", "gtr-5") the sound of that name. Voices read at most 31 characters.
    const String form = name.substr(0, 31);
    size_t cut = form.find(u'-');
    if (cut == String::npos) cut = form.find(u'+');
    if (cut == String::npos) return {};
    const char16_t after = cut + 1 < form.size() ? form[cut + 1] : u'\0';
    const bool byNote = !(after >= u'0' && after <= u'9');
    const String set = form.substr(0, cut);
    std::vector<const Declaration*> found;
    for (auto d = declarations_.rbegin(); d != declarations_.rend(); ++d) {
        if (d->className != "SoundElement") continue;
        const String& sound = d->writtenName;
        if (byNote ? sound.substr(0, sound.find(u'-')) == set : sound == set) found.push_back(&*d);
    }
    return found;
}

}  // namespace chordlane::tool
