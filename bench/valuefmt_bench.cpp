// FormatValueData over 1 MiB values against writing as many output bytes with memset,
// interleaved in each iteration; the ratio counter's target is at most 3. The multi-string
// holds strings of 1 to 30 letters, the most strings 1 MiB holds, so per-string costs weigh most.
#include "bench/baselines.h"
#include "regbrowser/regbrowser.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <random>

static void Format1MiB(benchmark::State &state, DWORD type)
{
    std::vector<BYTE> data;
    std::mt19937 random(type);
    while (data.size() < (1 << 20) - 40) {
        for (size_t n = type == REG_BINARY ? 1 : 1 + random() % 30; n > 0; n--)
            data.push_back(type == REG_BINARY ? BYTE(random()) : BYTE('a' + random() % 26));
        if (type == REG_MULTI_SZ)
            data.push_back(0);
    }
    data.resize(1 << 20, 0);
    ValueDisplay display;
    FormatValueData(type, data.data(), DWORD(data.size()), &display, NULL, 0);
    std::vector<char> text(static_cast<size_t>(display.textSize));
    FormatValueData(type, data.data(), DWORD(data.size()), &display, text.data(), text.size());
    size_t output = strlen(text.data()) + 1;
    double format = 0, baseline = 0;
    for (auto _ : state) {
        double t0 = Now();
        FormatValueData(type, data.data(), DWORD(data.size()), &display, text.data(), text.size());
        benchmark::ClobberMemory();
        double t1 = Now();
        memset(text.data(), 'x', output);
        benchmark::ClobberMemory();
        format += t1 - t0, baseline += Now() - t1;
    }
    state.counters["ratio"] = format / baseline;
}
BENCHMARK_CAPTURE(Format1MiB, Binary, REG_BINARY)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Format1MiB, MultiSz, REG_MULTI_SZ)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
