// Listing the hint records over the substitute registry next to the bare calls it needs
// (target: ratio at most 1.5).
#include "bench/baselines.h"
#include "bench/ratio.h"

const unsigned long RECORDS = 10000;

static void BM_ListAppHints(benchmark::State &state)
{
    RegFixtureStart();
    SeedHintRecords(RECORDS);
    for (auto _ : state) {
        unsigned long lines = 0;
        ListAppHints([](const char *, void *c) { ++*static_cast<unsigned long *>(c); }, &lines);
        if (lines != RECORDS)
            state.SkipWithError("wrong line count");
    }
    RegFixtureStop();
}
BENCHMARK(BM_ListAppHints)->Unit(benchmark::kMillisecond);

static void BM_ListBaseline(benchmark::State &state)
{
    RegFixtureStart();
    SeedHintRecords(RECORDS);
    for (auto _ : state)
        if (ListHintsBaseline() != RECORDS)
            state.SkipWithError("wrong record count");
    RegFixtureStop();
}
BENCHMARK(BM_ListBaseline)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) { return RunWithRatios(argc, argv, {{"BM_ListAppHints", "BM_ListBaseline"}}); }
