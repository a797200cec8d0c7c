#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// One line of a replay script, checked in full before anything runs, so a bad
// line is rejected without having half happened.
struct ReplayCommand {
    enum class Kind { Skip, Tick, Key, Answer, State };

    Kind kind = Kind::Skip;
    std::int16_t code = 0;   // Key: the virtual key code.
    std::int16_t answer = 0; // Answer: 1, 6 or 7.
};

struct ReplayParseResult {
    std::optional<ReplayCommand> command; // Set when the line is good.
    std::string error;                    // Why not, when it is not.
};

ReplayParseResult parseReplayLine(std::string_view line);
