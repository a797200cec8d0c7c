#include "frmMain.h"

#include <emscripten/emscripten.h>

namespace {

// The page's side of each call. Strings cross as UTF-8 with an explicit
// length, since a string_view need not end in a NUL.

// UTF8ToString left emscripten's always-present runtime for its library in
// 3.1.35, from where a module gets only what its code asks for; these calls
// ask with EM_JS_DEPS (3.1.24 on). Before 3.1.24 the runtime has it anyway.
#ifdef EM_JS_DEPS
EM_JS_DEPS(vantrel_page, "$UTF8ToString");
#endif

// clang-format off
EM_JS(void, pageShowSplash, (double endsMs), {
    Module.page.showSplash(endsMs);
});

EM_JS(void, pageHideSplash, (), {
    Module.page.hideSplash();
});

EM_JS(void, pageSetRow, (int row, const char* text, int length), {
    Module.page.setRow(row, UTF8ToString(text, length));
});

EM_JS(void, pageDescribeRow, (int row, const char* text, int length), {
    Module.page.describeRow(row, UTF8ToString(text, length));
});

EM_JS(void, pageAnnounce, (const char* text, int length), {
    Module.page.announce(UTF8ToString(text, length));
});

EM_JS(void, pageStartStepTimer, (), {
    Module.page.startStepTimer();
});

EM_JS(void, pageStopStepTimer, (), {
    Module.page.stopStepTimer();
});

// Opens the box and returns at once; the page hands the answer back through
// vantrel_answer_box when the player gives it.
EM_JS(void, pageShowBox, (const char* prompt, int promptLength, int yesNo,
                          const char* title, int titleLength, int help), {
    Module.page.showBox(UTF8ToString(prompt, promptLength), yesNo,
                        UTF8ToString(title, titleLength), help);
});

EM_JS(void, pageEnd, (), {
    Module.page.end();
});
// clang-format on

int length(std::string_view text) {
    return static_cast<int>(text.size());
}

} // namespace

void frmMain::answerBox(int button, std::int64_t nowMs) {
    if (const auto& box = m_session.openBox()) {
        m_session.answerBox(button < 0 ? box->escapeAnswer : box->answerOf(button), nowMs);
    }
}

void frmMain::showSplash(std::int64_t endsMs) {
    pageShowSplash(static_cast<double>(endsMs));
}

void frmMain::hideSplash() {
    pageHideSplash();
}

void frmMain::showRow(int row, std::string_view text) {
    pageSetRow(row, text.data(), length(text));
}

void frmMain::describeRow(int row, std::string_view description) {
    pageDescribeRow(row, description.data(), length(description));
}

void frmMain::startStepTimer() {
    pageStartStepTimer();
}

void frmMain::stopStepTimer() {
    pageStopStepTimer();
}

void frmMain::showBox(const BoxRequest& box) {
    pageShowBox(box.prompt.data(), length(box.prompt), box.buttons == kButtonsYesNo ? 1 : 0,
                box.title.data(), length(box.title), box.kind == BoxKind::Help ? 1 : 0);
}

void frmMain::sayNews(std::string_view text) {
    // The page says it through a polite live region, after whatever the
    // reader is saying already.
    pageAnnounce(text.data(), length(text));
}

void frmMain::endProgram() {
    pageEnd();
}
