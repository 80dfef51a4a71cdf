// Listing the hint records over the substitute registry against the bare calls it needs,
// interleaved in each iteration; the ratio counter's target is at most 1.5.
#include "bench/baselines.h"

#include <benchmark/benchmark.h>

static void BM_ListAppHintsOverBaseline(benchmark::State &state)
{
    const unsigned long records = 10000;
    RegFixtureStart();
    SeedHintRecords(records);
    double listing = 0, baseline = 0;
    for (auto _ : state) {
        unsigned long lines = 0;
        double t0 = Now();
        ListAppHints([](const char *, void *c) { ++*static_cast<unsigned long *>(c); }, &lines);
        double t1 = Now();
        if (lines != records || ListHintsBaseline() != records)
            state.SkipWithError("wrong record count");
        listing += t1 - t0, baseline += Now() - t1;
    }
    state.counters["ratio"] = listing / baseline;
    RegFixtureStop();
}
BENCHMARK(BM_ListAppHintsOverBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
