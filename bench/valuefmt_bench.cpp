// FormatValueData over 1 MiB values next to writing as many output bytes with memset.
#include "bench/ratio.h"
#include "regbrowser/regbrowser.h"

#include <cstring>
#include <random>

namespace {

// Random bytes; and strings of 1 to 30 letters closed by the empty string, the most strings
// 1 MiB holds, so that per-string costs weigh most.
std::vector<BYTE> Data(DWORD type)
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
    return data;
}

// Formats (or, as the baseline, memsets the formatted text's bytes) in every iteration.
void Run(benchmark::State &state, DWORD type, bool baseline)
{
    static const std::vector<BYTE> data[] = {Data(REG_BINARY), Data(REG_MULTI_SZ)};
    const std::vector<BYTE> &d = data[type == REG_MULTI_SZ];
    ValueDisplay display;
    FormatValueData(type, d.data(), DWORD(d.size()), &display, NULL, 0);
    std::vector<char> text(static_cast<size_t>(display.textSize));
    FormatValueData(type, d.data(), DWORD(d.size()), &display, text.data(), text.size());
    size_t output = strlen(text.data()) + 1;
    for (auto _ : state) {
        if (baseline)
            memset(text.data(), 'x', output);
        else
            FormatValueData(type, d.data(), DWORD(d.size()), &display, text.data(), text.size());
        benchmark::DoNotOptimize(text.data());
        benchmark::ClobberMemory();
    }
}

void BM_Binary1MiB(benchmark::State &state) { Run(state, REG_BINARY, false); }
void BM_BinaryBaseline(benchmark::State &state) { Run(state, REG_BINARY, true); }
void BM_MultiSz1MiB(benchmark::State &state) { Run(state, REG_MULTI_SZ, false); }
void BM_MultiSzBaseline(benchmark::State &state) { Run(state, REG_MULTI_SZ, true); }
BENCHMARK(BM_Binary1MiB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BinaryBaseline)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MultiSz1MiB)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MultiSzBaseline)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    return RunWithRatios(argc, argv, {{"BM_Binary1MiB", "BM_BinaryBaseline"}, {"BM_MultiSz1MiB", "BM_MultiSzBaseline"}}, "3");
}
