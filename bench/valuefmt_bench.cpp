// FormatValueData against a memset of as many output bytes, interleaved, best of each, at three
// sizes: a steady time per byte means linear. Strings have 16 letters on average, so that per-string costs weigh.
#include "regbrowser/regbrowser.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <stdio.h>
#include <string.h>
#include <vector>

static double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

int main()
{
    for (DWORD type : {REG_BINARY, REG_MULTI_SZ})
        for (size_t kib : {256, 1024, 4096}) {
            std::vector<BYTE> data(kib << 10);
            std::mt19937 random(type);
            for (size_t i = 0; i + 2 < data.size(); i++) // no empty string before the two zeros that end the list
                data[i] = type == REG_BINARY ? BYTE(random()) : i && data[i - 1] && random() % 16 == 0 ? 0 : BYTE('a' + random() % 26);
            ValueDisplay display;
            std::vector<char> text(3 * data.size() + 16); // more than either type asks for
            double format = 1e30, baseline = 1e30;
            for (size_t round = 0; round < 40960 / kib; round++) {
                double t0 = Now();
                FormatValueData(type, data.data(), DWORD(data.size()), &display, text.data(), text.size());
                double t1 = Now();
                size_t output = strlen(text.data()) + 1;
                double t2 = Now();
                memset(text.data(), 'x', output);
                format = std::min(format, t1 - t0), baseline = std::min(baseline, Now() - t2);
            }
            printf("%-12s %4zu KiB: %.2f ns/byte, memset %.3f ns/byte, ratio %5.2f\n", type == REG_BINARY ? "REG_BINARY" : "REG_MULTI_SZ",
                   kib, format * 1e9 / double(kib << 10), baseline * 1e9 / double(kib << 10), format / baseline);
        }
}
