#include "tools/lsp/DirectiveHelp.h"

#include <algorithm>

namespace chordlane::tool {

namespace {

constexpr DirectiveHelp kHelps[] = {
    {"ge", "ge NAME X Y W H", "an ellipse"},
    {"gr", "gr NAME X Y W H", "a rectangle"},
    {"gi", "gi NAME FILE X Y W H", "a picture from a bitmap file"},
    {"gt", "gt NAME TEXT X Y W H", "a text label"},
    {"be", "be NAME X Y W H", "an elliptic button"},
    {"br", "br NAME X Y W H", "a rectangular button"},
    {"bh", "bh NAME", "a hidden button, struck by the key or hardware button NAME"},
    {"v", "v NAME", "a voice that plays notes"},
    {"s", "s NAME [*] FILE FREQ LOW HIGH", "a sound: a wave file of one note and its range"},
    {"{", "{ NAME", "a group: the lines up to '}' are its members"},
    {"}", "}", "ends the group"},
    {"[", "[ NAME X Y W H", "a panel: a page of its own, up to ']'"},
    {"]", "]", "ends the panel"},
    {"<", "< NAME", "an action that silences NAME"},
    {">", "> NAME [VALUE]", "an action that plays NAME"},
    {"=b", "=b TARGET.PROP [VALUE]", "an action that sets a flag"},
    {"=i", "=i TARGET.PROP VALUE | +STEP [RESTART [LIMIT]]",
     "an action that sets or steps a number"},
    {"=r", "=r TARGET.PROP X Y W H", "an action that sets a rectangle"},
    {"=s", "=s TARGET.PROP VALUE", "an action that sets a text or a name"},
    {"d", "d [W [H]]", "the size the following coordinates are designed for"},
    {"i", "i FILE", "includes another instrument file"},
};

}  // namespace

std::span<const DirectiveHelp> DirectiveHelps() { return kHelps; }

const DirectiveHelp* FindDirectiveHelp(std::u16string_view keyword) {
    const auto* found = std::find_if(std::begin(kHelps), std::end(kHelps), [&](const auto& help) {
        return std::equal(help.keyword.begin(), help.keyword.end(), keyword.begin(), keyword.end());
    });
    return found == std::end(kHelps) ? nullptr : found;
}

}  // namespace chordlane::tool
