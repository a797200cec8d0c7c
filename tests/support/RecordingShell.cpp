#include "RecordingShell.h"

#include <algorithm>

RecordingShell::RecordingShell() {
    // The front-end's opening picture is the session's.
    for (int row = 0; row < kRows; ++row) {
        rows.at(row) = session.rowText(row);
    }
}

void RecordingShell::showSplash(std::int64_t endsMs) {
    splashEndsMs = endsMs;
    log.push_back("splash until " + std::to_string(endsMs));
}

void RecordingShell::hideSplash() {
    log.emplace_back("splash gone");
}

void RecordingShell::showRow(int row, std::string_view text) {
    rows.at(row) = text;
    log.push_back("row " + std::to_string(row) + " |" + std::string(text) + "|");
}

void RecordingShell::describeRow(int row, std::string_view description) {
    log.push_back("describe " + std::to_string(row) + " " + std::string(description));
}

void RecordingShell::startStepTimer() {
    log.emplace_back("timer start");
}

void RecordingShell::stopStepTimer() {
    log.emplace_back("timer stop");
}

void RecordingShell::showBox(const BoxRequest& box) {
    boxes.push_back({box, rows});
    log.push_back("box " + box.title + ": " + box.prompt);
    if (answerLater) {
        return;
    }
    std::int16_t value = box.escapeAnswer;
    if (!answers.empty()) {
        value = answers.front();
        answers.pop_front();
    }
    session.answerBox(value, nowMs);
}

void RecordingShell::sayNews(std::string_view text) {
    log.push_back("news " + std::string(text));
}

void RecordingShell::endProgram() {
    ++ends;
    log.emplace_back("end");
}

void RecordingShell::load() {
    session.load(nowMs);
    nowMs = splashEndsMs;
    session.splashTimer(nowMs);
}

void RecordingShell::beat(int count) {
    for (int i = 0; i < count; ++i) {
        nowMs = std::max(nowMs, session.nextStepDueMs());
        session.step(nowMs);
    }
}

void RecordingShell::press(std::int16_t code) {
    session.keyDown(code, nowMs);
}

void RecordingShell::answer(std::int16_t value, std::int64_t afterMs) {
    nowMs += afterMs;
    session.answerBox(value, nowMs);
}

std::vector<std::string> RecordingShell::only(const std::string& prefix) const {
    std::vector<std::string> kept;
    for (const auto& entry : log) {
        if (entry.rfind(prefix, 0) == 0) {
            kept.push_back(entry);
        }
    }
    return kept;
}
