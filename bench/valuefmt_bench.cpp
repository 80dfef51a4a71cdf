// FormatValueData over 1 MiB values next to writing as many output bytes with memset (target:
// ratio at most 3). The multi-string holds strings of 1 to 30 letters, the most strings 1 MiB
// holds, so that per-string costs weigh most.
#include "bench/ratio.h"
#include "regbrowser/regbrowser.h"

#include <cstring>
#include <random>

static void Run(benchmark::State &state, DWORD type, bool baseline)
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
    for (auto _ : state) {
        if (baseline)
            memset(text.data(), 'x', output);
        else
            FormatValueData(type, data.data(), DWORD(data.size()), &display, text.data(), text.size());
        benchmark::DoNotOptimize(text.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK_CAPTURE(Run, Binary1MiB, REG_BINARY, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Run, BinaryBaseline, REG_BINARY, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Run, MultiSz1MiB, REG_MULTI_SZ, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Run, MultiSzBaseline, REG_MULTI_SZ, true)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    return RunWithRatios(argc, argv, {{"Run/Binary1MiB", "Run/BinaryBaseline"}, {"Run/MultiSz1MiB", "Run/MultiSzBaseline"}});
}
