// Listing the hint records over the substitute registry, next to the bare registry calls the
// listing needs, in the same run; and the cost of walking a key's subkeys by index.
#include "bench/hintlist_baseline.h"
#include "hints/hintstore.h"
#include "shared/regfixture.h"

#include <benchmark/benchmark.h>

#include <map>
#include <stdio.h>
#include <string>

namespace {

const unsigned long RECORDS = 10000;

void CountLine(const char *, void *context) { ++*static_cast<unsigned long *>(context); }

void SeedOnce(benchmark::State &state, unsigned long records)
{
    if (!RegFixtureStart() || !SeedHintRecords(records))
        state.SkipWithError("seeding failed");
}

void BM_ListAppHints(benchmark::State &state)
{
    SeedOnce(state, RECORDS);
    for (auto _ : state) {
        unsigned long lines = 0;
        ListAppHints(CountLine, &lines);
        if (lines != RECORDS)
            state.SkipWithError("wrong line count");
    }
    RegFixtureStop();
}
BENCHMARK(BM_ListAppHints)->Unit(benchmark::kMillisecond);

void BM_ListBaseline(benchmark::State &state)
{
    SeedOnce(state, RECORDS);
    for (auto _ : state) {
        if (ListHintsBaseline() != RECORDS)
            state.SkipWithError("wrong record count");
    }
    RegFixtureStop();
}
BENCHMARK(BM_ListBaseline)->Unit(benchmark::kMillisecond);

// Enumeration by index: a walk over n subkeys should grow linearly with n.
void BM_EnumKeyWalk(benchmark::State &state)
{
    const DWORD count = static_cast<DWORD>(state.range(0));
    RegFixtureStart();
    HKEY key;
    RegCreateKeyA(HKEY_LOCAL_MACHINE, "Walk", &key);
    // Seeded out of order, as others would write them.
    for (DWORD i = 0; i < count; i++) {
        char name[32];
        snprintf(name, sizeof name, "k%08u", static_cast<unsigned>((i * 7919u) % count));
        HKEY child;
        RegCreateKeyA(key, name, &child);
        RegCloseKey(child);
    }
    for (auto _ : state) {
        char name[MAX_PATH];
        DWORD i = 0;
        while (RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS)
            i++;
        if (i != count)
            state.SkipWithError("wrong key count");
    }
    RegCloseKey(key);
    RegFixtureStop();
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_EnumKeyWalk)->RangeMultiplier(10)->Range(1000, 100000)->Unit(benchmark::kMillisecond)->Complexity();

// Prints the listing's CPU time over the baseline's once both have run (CPU time: the
// machine is shared, wall time jumps with the load).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs)
            times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        auto list = times_.find("BM_ListAppHints"), base = times_.find("BM_ListBaseline");
        if (list != times_.end() && base != times_.end() && base->second > 0)
            printf("ListAppHints / baseline over %lu records: %.2f (target <= 1.5)\n", RECORDS,
                   list->second / base->second);
    }

private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
