// libFuzzer target: the input is read as a sequence of beats, key-downs and
// answers to the game session's boxes, and every rule the game promises is
// checked after each one. Any broken rule aborts, so the fuzzer keeps the
// input that broke it.
#include "BoardText.h"
#include "KeyCommands.h"
#include "PlayStep.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr std::int16_t kAnswers[] = {kAnswerOk, kAnswerYes, kAnswerNo};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto game = std::make_unique<RecordingShell>();
    game->load();
    // Four bytes a step: what to do, then a 16-bit key code.
    for (std::size_t i = 0; i + 4 <= size; i += 4) {
        const std::uint8_t op = data[i];
        PlayStep step;
        step.isTick = (op & 0x80) != 0;
        step.answer = kAnswers[((op >> 3) & 3) % 3];
        step.answerLater = (op & 0x20) != 0;
        // Half the key steps pick from the game's own keys so that the fuzzer
        // reaches shots, hits and wins quickly; the rest use any 16-bit code.
        const auto raw = static_cast<std::uint16_t>(data[i + 2] << 8 | data[i + 3]);
        if ((op & 0x40) != 0) {
            constexpr std::int16_t keys[] = {kKeyLeft, kKeyRight, kKeySpace, kKeyEscape,
                                             kKeyX,    kKeyF1,    kKeyLeft,  kKeySpace};
            step.code = keys[data[i + 1] & 7];
        } else {
            step.code = static_cast<std::int16_t>(raw);
        }
        const std::string broken = playStep(game, step);
        if (!broken.empty()) {
            std::fprintf(stderr, "broken after step %zu: %s%s\n", i / 4, broken.c_str(),
                         formatBoard(game->rows).c_str());
            std::abort();
        }
    }
    return 0;
}
