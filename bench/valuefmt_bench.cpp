// FormatValueData over 1 MiB values against writing the same number of output bytes with
// memset, in the same run. Prints each ratio at the end (medians with
// --benchmark_repetitions); the target is at most 3.
#include "regbrowser/regbrowser.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

const DWORD MiB = 1 << 20;

std::vector<BYTE> BinaryData()
{
    std::vector<BYTE> data(MiB);
    std::mt19937 random(1);
    for (BYTE &b : data)
        b = static_cast<BYTE>(random());
    return data;
}

// Strings of 1 to 30 random letters, each with its zero, closed by the empty string: the most
// strings a 1 MiB value can hold, so per-string costs weigh most here.
std::vector<BYTE> ShortStrings()
{
    std::vector<BYTE> data;
    std::mt19937 random(2);
    while (data.size() < MiB - 40) {
        size_t length = 1 + random() % 30;
        for (size_t i = 0; i < length; i++)
            data.push_back(static_cast<BYTE>('a' + random() % 26));
        data.push_back(0);
    }
    data.resize(MiB, 0);
    return data;
}

// What a multi-string that reaches 1 MiB holds in practice: long lists of file paths (files
// to replace at restart, search and dependency paths) with some names among them (services,
// drivers). Two in three strings are paths of two to six directories, the others names of 4
// to 20 characters; about 40 characters on average.
std::vector<BYTE> PathsAndNames()
{
    static const char *const dirs[] = {"Windows", "System32", "drivers", "Program Files", "Common Files", "Microsoft",
                                       "Temp", "Fonts", "inf", "DriverStore", "FileRepository", "Users", "AppData", "Local"};
    std::vector<BYTE> data;
    std::mt19937 random(3);
    while (data.size() < MiB - 300) {
        std::string s;
        if (random() % 3 == 0) {
            for (size_t n = 4 + random() % 17; n > 0; n--)
                s += static_cast<char>('a' + random() % 26);
        } else {
            s = "C:";
            for (auto d = 2 + random() % 5; d > 0; d--)
                s += std::string("\\") + dirs[random() % 14];
            s += "\\";
            for (size_t n = 3 + random() % 12; n > 0; n--)
                s += static_cast<char>('a' + random() % 26);
            s += ".dll";
        }
        data.insert(data.end(), s.begin(), s.end());
        data.push_back(0);
    }
    data.resize(MiB, 0);
    return data;
}

void Format(benchmark::State &state, DWORD type, const std::vector<BYTE> &data)
{
    ValueDisplay display;
    FormatValueData(type, data.data(), static_cast<DWORD>(data.size()), &display, NULL, 0);
    std::vector<char> text(static_cast<size_t>(display.textSize));
    for (auto _ : state) {
        FormatValueData(type, data.data(), static_cast<DWORD>(data.size()), &display, text.data(), text.size());
        benchmark::DoNotOptimize(text.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(data.size()));
    state.counters["output_bytes"] = static_cast<double>(strlen(text.data()) + 1);
}

// Writes as many bytes as formatting the value does: its text and terminator.
void Baseline(benchmark::State &state, DWORD type, const std::vector<BYTE> &data)
{
    ValueDisplay display;
    FormatValueData(type, data.data(), static_cast<DWORD>(data.size()), &display, NULL, 0);
    std::vector<char> text(static_cast<size_t>(display.textSize));
    FormatValueData(type, data.data(), static_cast<DWORD>(data.size()), &display, text.data(), text.size());
    size_t output = strlen(text.data()) + 1;
    for (auto _ : state) {
        memset(text.data(), 'x', output);
        benchmark::DoNotOptimize(text.data());
        benchmark::ClobberMemory();
    }
    state.counters["output_bytes"] = static_cast<double>(output);
}

const std::vector<BYTE> Binary = BinaryData();
const std::vector<BYTE> Short = ShortStrings();
const std::vector<BYTE> Paths = PathsAndNames();

void BM_Binary1MiB(benchmark::State &state) { Format(state, 3, Binary); }
void BM_BinaryBaseline(benchmark::State &state) { Baseline(state, 3, Binary); }
void BM_MultiSzPaths1MiB(benchmark::State &state) { Format(state, 7, Paths); }
void BM_MultiSzPathsBaseline(benchmark::State &state) { Baseline(state, 7, Paths); }
void BM_MultiSzShort1MiB(benchmark::State &state) { Format(state, 7, Short); }
void BM_MultiSzShortBaseline(benchmark::State &state) { Baseline(state, 7, Short); }

BENCHMARK(BM_Binary1MiB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BinaryBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MultiSzPaths1MiB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MultiSzPathsBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MultiSzShort1MiB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MultiSzShortBaseline)->Unit(benchmark::kMicrosecond);

// Keeps each benchmark's time per iteration for the ratios: the median when there are
// repetitions (the only figure the reporter is given with --benchmark_report_aggregates_only),
// else the single run's.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> times;
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if ((median || single) && !run.error_occurred)
                times[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const char *pairs[][2] = {{"BM_Binary1MiB", "BM_BinaryBaseline"},
                              {"BM_MultiSzPaths1MiB", "BM_MultiSzPathsBaseline"},
                              {"BM_MultiSzShort1MiB", "BM_MultiSzShortBaseline"}};
    for (const auto &p : pairs) {
        if (reporter.times.count(p[0]) && reporter.times.count(p[1]))
            std::printf("ratio %s / %s = %.2f (target <= 3)\n", p[0], p[1], reporter.times[p[0]] / reporter.times[p[1]]);
    }
    benchmark::Shutdown();
    return 0;
}
