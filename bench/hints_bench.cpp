// Listing the hint records over the substitute registry next to the bare calls it needs.
#include "bench/baselines.h"
#include "bench/ratio.h"
#include "shared/regfixture.h"

namespace {

const unsigned long RECORDS = 10000;

void Count(const char *, void *context) { ++*static_cast<unsigned long *>(context); }

void BM_ListAppHints(benchmark::State &state)
{
    RegFixtureStart();
    SeedHintRecords(RECORDS);
    for (auto _ : state) {
        unsigned long lines = 0;
        ListAppHints(Count, &lines);
        if (lines != RECORDS)
            state.SkipWithError("wrong line count");
    }
    RegFixtureStop();
}
BENCHMARK(BM_ListAppHints)->Unit(benchmark::kMillisecond);

void BM_ListBaseline(benchmark::State &state)
{
    RegFixtureStart();
    SeedHintRecords(RECORDS);
    for (auto _ : state)
        if (ListHintsBaseline() != RECORDS)
            state.SkipWithError("wrong record count");
    RegFixtureStop();
}
BENCHMARK(BM_ListBaseline)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) { return RunWithRatios(argc, argv, {{"BM_ListAppHints", "BM_ListBaseline"}}, "1.5"); }
