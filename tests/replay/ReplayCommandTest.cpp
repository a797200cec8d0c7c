#include "ReplayCommand.h"

#include <gtest/gtest.h>

namespace {

using Kind = ReplayCommand::Kind;

TEST(ReplayCommandTest, AcceptsEachCommandWithLooseWhitespace) {
    EXPECT_EQ(parseReplayLine("tick").command->kind, Kind::Tick);
    EXPECT_EQ(parseReplayLine("  state\t").command->kind, Kind::State);
    EXPECT_EQ(parseReplayLine("tick\r").command->kind, Kind::Tick);
    EXPECT_EQ(parseReplayLine("").command->kind, Kind::Skip);
    EXPECT_EQ(parseReplayLine("   ").command->kind, Kind::Skip);
    EXPECT_EQ(parseReplayLine("# key 999999").command->kind, Kind::Skip);

    const auto key = parseReplayLine("key -32768").command;
    ASSERT_TRUE(key);
    EXPECT_EQ(key->kind, Kind::Key);
    EXPECT_EQ(key->code, -32768);
    EXPECT_EQ(parseReplayLine("key 32767").command->code, 32767);

    for (int n : {1, 6, 7}) {
        const auto answer = parseReplayLine("answer " + std::to_string(n)).command;
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->answer, n);
    }
}

TEST(ReplayCommandTest, RefusesBadLinesWithAReason) {
    for (const char* bad :
         {"tock", "Tick", "tick 1", "key", "key x", "key 32768", "key -32769", "key 12abc",
          "key +5", "key 37 1", "key 37 1 2", "answer", "answer 2", "answer 0", "answer yes",
          "answer 6 7", "key 99999999999999999999", "state now"}) {
        const auto result = parseReplayLine(bad);
        EXPECT_FALSE(result.command) << bad;
        EXPECT_FALSE(result.error.empty()) << bad;
    }
}

} // namespace
