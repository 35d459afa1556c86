#include "platform/web/PageServices.h"

#include <emscripten.h>

#include "platform/web/JsText.h"

// clang-format off
EM_JS(void, cl_show_message, (int text, int length), {
    Module.page.showMessage(Module.page.text(text, length));
});
EM_JS(int, cl_open_help, (int name, int length), {
    return Module.page.openHelp(Module.page.text(name, length)) ? 1 : 0;
});
EM_JS(void, cl_option_check, (int option, int checked), {
    Module.page.setOptionCheck(option, !!checked);
});
// clang-format on

namespace chordlane::web {

void PageMessageBox::ShowStop(const String& text) {
    const JsText js(text);
    cl_show_message(static_cast<int>(js.data), js.length);
}

bool PageHelpViewer::Open(const String& document) {
    const JsText js(document);
    return cl_open_help(static_cast<int>(js.data), js.length) != 0;
}

void PageWindow::SetOptionCheck(MenuOption option, bool checked) {
    cl_option_check(option == MenuOption::ShowActive ? 0 : 1, checked ? 1 : 0);
}

}  // namespace chordlane::web
