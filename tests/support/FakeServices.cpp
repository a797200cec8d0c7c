#include "FakeServices.h"

#include <stdexcept>

FakeServices::FakeServices() {
    m_rows[0] = "V V V V";
    m_rows[kRows - 1] = "       A";
}

void FakeServices::setRowText(int row, std::string_view text) {
    m_rows.at(row) = text;
    ++setRowCalls;
}

std::string FakeServices::rowText(int row) const {
    return m_rows.at(row);
}

std::int16_t FakeServices::messageBox(std::string_view prompt, std::int16_t buttons,
                                      std::string_view title) {
    if (buttons != kButtonsOk && buttons != kButtonsYesNo) {
        throw std::invalid_argument("unknown button set");
    }
    boxes.push_back({std::string(prompt), buttons, std::string(title), m_rows});
    if (!answers.empty()) {
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return buttons == kButtonsOk ? kAnswerOk : kAnswerNo;
}
