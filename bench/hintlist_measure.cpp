// Measures, under Wine over its real registry, the listing of the hint records against the bare
// registry calls it needs, in the same run, and prints the ratio. HKEY_LOCAL_MACHINE is
// redirected to a scratch key for the run (see tests/shared/regfixture.h).
//   hintlist_measure [records [rounds]]   defaults: 10000 records, 5 rounds
// Rounds alternate between the two sides and the best of each counts: Wine's registry timings
// can jump between two speeds under load.
#include "bench/hintlist_baseline.h"
#include "hints/hintstore.h"
#include "shared/regfixture.h"

#include <stdio.h>
#include <stdlib.h>

static void CountLine(const char *, void *context)
{
    ++*static_cast<unsigned long *>(context);
}

static double Seconds(const LARGE_INTEGER &from, const LARGE_INTEGER &to, const LARGE_INTEGER &frequency)
{
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int main(int argc, char **argv)
{
    unsigned long records = argc > 1 ? strtoul(argv[1], NULL, 10) : 10000;
    int rounds = argc > 2 ? atoi(argv[2]) : 5;
    if (!RegFixtureStart() || !SeedHintRecords(records)) {
        fprintf(stderr, "hintlist_measure: seeding %lu records failed\n", records);
        RegFixtureStop();
        return 1;
    }
    LARGE_INTEGER frequency, t0, t1, t2;
    QueryPerformanceFrequency(&frequency);
    double bestList = 1e30, bestBase = 1e30;
    int status = 0;
    for (int round = 0; round < rounds; round++) {
        unsigned long lines = 0;
        QueryPerformanceCounter(&t0);
        ListAppHints(CountLine, &lines);
        QueryPerformanceCounter(&t1);
        unsigned long walked = ListHintsBaseline();
        QueryPerformanceCounter(&t2);
        if (lines != records || walked != records) {
            fprintf(stderr, "hintlist_measure: %lu lines, %lu records walked, %lu seeded\n", lines, walked, records);
            status = 1;
            break;
        }
        double list = Seconds(t0, t1, frequency), base = Seconds(t1, t2, frequency);
        bestList = list < bestList ? list : bestList;
        bestBase = base < bestBase ? base : bestBase;
    }
    if (status == 0)
        printf("records %lu, rounds %d: ListAppHints %.1f ms, baseline %.1f ms, ratio %.2f (target <= 1.5)\n", records,
               rounds, bestList * 1000, bestBase * 1000, bestList / bestBase);
    RegFixtureStop();
    return status;
}
