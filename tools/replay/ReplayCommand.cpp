#include "ReplayCommand.h"

#include <charconv>
#include <vector>

namespace {

std::vector<std::string_view> splitWords(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        if (i > start) {
            words.push_back(line.substr(start, i - start));
        }
    }
    return words;
}

// Parses a whole word as a decimal integer within [lo, hi]; anything else,
// including a leading '+', blanks or trailing characters, is refused.
std::optional<std::int16_t> parseNumber(std::string_view word, int lo, int hi) {
    long value = 0;
    const char* end = word.data() + word.size();
    auto [ptr, ec] = std::from_chars(word.data(), end, value);
    if (ec != std::errc() || ptr != end || value < lo || value > hi) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(value);
}

ReplayParseResult fail(std::string why) {
    return {std::nullopt, std::move(why)};
}

ReplayParseResult ok(ReplayCommand command) {
    return {command, {}};
}

} // namespace

ReplayParseResult parseReplayLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    const auto words = splitWords(line);
    if (words.empty() || words.front().front() == '#') {
        return ok({});
    }
    const std::string_view name = words.front();
    const std::size_t args = words.size() - 1;
    const std::string cmd(name);

    if (name == "tick" || name == "state") {
        if (args != 0) {
            return fail("'" + cmd + "' takes no argument");
        }
        ReplayCommand c;
        c.kind = name == "tick" ? ReplayCommand::Kind::Tick : ReplayCommand::Kind::State;
        return ok(c);
    }
    if (name == "key") {
        if (args != 1) {
            return fail("usage: key CODE");
        }
        const auto code = parseNumber(words[1], -32768, 32767);
        if (!code) {
            return fail("key code must be a whole number from -32768 to 32767, not '" +
                        std::string(words[1]) + "'");
        }
        ReplayCommand c;
        c.kind = ReplayCommand::Kind::Key;
        c.code = *code;
        return ok(c);
    }
    if (name == "answer") {
        if (args != 1) {
            return fail("usage: answer N (N is 1, 6 or 7)");
        }
        const auto answer = parseNumber(words[1], 1, 7);
        if (!answer || (*answer != 1 && *answer != 6 && *answer != 7)) {
            return fail("answer must be 1, 6 or 7, not '" + std::string(words[1]) + "'");
        }
        ReplayCommand c;
        c.kind = ReplayCommand::Kind::Answer;
        c.answer = *answer;
        return ok(c);
    }
    return fail("unknown command '" + cmd + "'");
}
