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
                          const char* title, int titleLength), {
    Module.page.showBox(UTF8ToString(prompt, promptLength), yesNo,
                        UTF8ToString(title, titleLength));
});

EM_JS(void, pageEnd, (), {
    Module.page.end();
});
// clang-format on

int length(std::string_view text) {
    return static_cast<int>(text.size());
}

} // namespace

void frmMain::Form_Load(std::int64_t nowMs) {
    // The session starts with the opening picture; the page's rows are empty
    // until it is shown.
    for (int row = 0; row < kRows; ++row) {
        showRow(row, m_session.rowText(row));
        describeRow(row, m_session.rowDescription(row));
    }
    m_session.load(nowMs);
}

void frmMain::answerBox(bool firstButton, std::int64_t nowMs) {
    const auto& box = m_session.openBox();
    if (!box) {
        return;
    }
    // Escape answers No to the quit question and OK to the others.
    std::int16_t answer = kAnswerOk;
    if (box->buttons == kButtonsYesNo) {
        answer = firstButton ? kAnswerYes : kAnswerNo;
    }
    m_session.answerBox(answer, nowMs);
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
                box.title.data(), length(box.title));
}

void frmMain::sayNews(std::string_view text) {
    // The page says it through a polite live region, after whatever the
    // reader is saying already.
    pageAnnounce(text.data(), length(text));
}

void frmMain::endProgram() {
    pageEnd();
}
