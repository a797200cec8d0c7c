// How long one beat of the game session takes, with a shell that only counts
// what it is told, so the figure is the game's own work: the rules, building
// eight strings, the rows that changed, their descriptions and the news.
#include "Figures.h"
#include "GameSession.h"

#include <benchmark/benchmark.h>

namespace {

class CountingShell : public SessionShell {
public:
    void showSplash(std::int64_t) override {}
    void hideSplash() override {}
    void showRow(int, std::string_view) override { ++rowUpdates; }
    void describeRow(int, std::string_view) override {}
    void startStepTimer() override {}
    void stopStepTimer() override {}
    // Every box is answered on the spot, as a blocking box would be.
    void showBox(const BoxRequest&) override { session->answerBox(kAnswerOk, nowMs); }
    void sayNews(std::string_view) override {}
    void endProgram() override {}

    GameSession* session = nullptr;
    std::int64_t nowMs = 0;
    long rowUpdates = 0;
};

// Runs one beat at the time it is due.
void beat(GameSession& session, CountingShell& shell) {
    shell.nowMs = session.nextStepDueMs();
    session.step(shell.nowMs);
}

// A plain game left to run: the wave marches, drops, loses and starts over.
void BM_TickMarching(benchmark::State& bs) {
    CountingShell shell;
    GameSession session(shell);
    shell.session = &session;
    session.load(0);
    session.splashTimer(0);
    for (auto _ : bs) {
        beat(session, shell);
    }
    bs.counters["row_updates_per_tick"] = benchmark::Counter(static_cast<double>(shell.rowUpdates) /
                                                             static_cast<double>(bs.iterations()));
}
BENCHMARK(BM_TickMarching);

// The cannon firing all the time, so most beats carry a shot and some a hit.
void BM_TickFiring(benchmark::State& bs) {
    CountingShell shell;
    GameSession session(shell);
    shell.session = &session;
    session.load(0);
    session.splashTimer(0);
    for (auto _ : bs) {
        session.state().keyFire = 1;
        beat(session, shell);
    }
}
BENCHMARK(BM_TickFiring);

} // namespace
