// How long one tick takes, with a window stand-in that only stores the rows,
// so the figure is the game's own work plus building eight strings.
#include "GameServices.h"
#include "GameState.h"
#include "Tick.h"

#include <benchmark/benchmark.h>

#include <array>
#include <string>

namespace {

class RowStore : public GameServices {
public:
    void setRowText(int row, std::string_view text) override {
        m_rows[static_cast<std::size_t>(row)] = text;
        ++m_updates;
    }
    std::int16_t messageBox(std::string_view, std::int16_t, std::string_view) override {
        return kAnswerOk;
    }
    void endProgram() override {}
    long updates() const { return m_updates; }

private:
    std::array<std::string, kRows> m_rows;
    long m_updates = 0;
};

// A plain game left to run: the wave marches, drops, loses and starts over.
void BM_TickMarching(benchmark::State& bs) {
    RowStore ui;
    GameState state;
    reset(state);
    for (auto _ : bs) {
        tick(state, ui);
        benchmark::DoNotOptimize(state);
    }
    bs.counters["row_updates_per_tick"] = benchmark::Counter(static_cast<double>(ui.updates()) /
                                                             static_cast<double>(bs.iterations()));
}
BENCHMARK(BM_TickMarching);

// The cannon firing all the time, so most ticks carry a shot and some a hit.
void BM_TickFiring(benchmark::State& bs) {
    RowStore ui;
    GameState state;
    reset(state);
    for (auto _ : bs) {
        state.keyFire = 1;
        tick(state, ui);
        benchmark::DoNotOptimize(state);
    }
}
BENCHMARK(BM_TickFiring);

} // namespace
