// Under Wine: ListAppHints against the bare calls it needs, interleaved, best of each (Wine's
// registry timings jump between two speeds under load). Target: ratio at most 1.5.
//   hintlist_measure [records [rounds]]   defaults: 10000 records, 5 rounds
#include "bench/baselines.h"

#include <stdlib.h>

int main(int argc, char **argv)
{
    unsigned long records = argc > 1 ? strtoul(argv[1], NULL, 10) : 10000, lines = 0, walked = 0;
    int rounds = argc > 2 ? atoi(argv[2]) : 5;
    double bestList = 1e30, bestBase = 1e30;
    bool seeded = RegFixtureStart() && SeedHintRecords(records);
    for (int round = 0; seeded && round < rounds; round++) {
        double t0 = Now();
        ListAppHints([](const char *, void *c) { ++*static_cast<unsigned long *>(c); }, &lines);
        double t1 = Now();
        walked += ListHintsBaseline();
        bestList = std::min(bestList, t1 - t0);
        bestBase = std::min(bestBase, Now() - t1);
    }
    RegFixtureStop();
    if (!seeded || lines != records * rounds || walked != records * rounds)
        return fprintf(stderr, "seeded %d, %lu lines, %lu records walked\n", seeded, lines, walked), 1;
    PrintRatio("ListAppHints over " + std::to_string(records) + " records", bestList, bestBase, "1.5");
    return 0;
}
