// FormatValueData over 1 MiB values against writing the same number of output bytes with
// memset, in the same run. Prints each ratio at the end; the target is at most 3.
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

// Strings of 1 to 30 characters, each with its zero, closed by the empty string.
std::vector<BYTE> MultiData()
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
const std::vector<BYTE> Multi = MultiData();

void BM_Binary1MiB(benchmark::State &state) { Format(state, 3, Binary); }
void BM_BinaryBaseline(benchmark::State &state) { Baseline(state, 3, Binary); }
void BM_MultiSz1MiB(benchmark::State &state) { Format(state, 7, Multi); }
void BM_MultiSzBaseline(benchmark::State &state) { Baseline(state, 7, Multi); }

BENCHMARK(BM_Binary1MiB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BinaryBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MultiSz1MiB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MultiSzBaseline)->Unit(benchmark::kMicrosecond);

// Keeps each benchmark's time per iteration for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> times;
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
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
    const char *pairs[][2] = {{"BM_Binary1MiB", "BM_BinaryBaseline"}, {"BM_MultiSz1MiB", "BM_MultiSzBaseline"}};
    for (const auto &p : pairs) {
        if (reporter.times.count(p[0]) && reporter.times.count(p[1]))
            std::printf("ratio %s / %s = %.2f (target <= 3)\n", p[0], p[1], reporter.times[p[0]] / reporter.times[p[1]]);
    }
    benchmark::Shutdown();
    return 0;
}
