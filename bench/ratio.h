// Runs the benchmarks and prints each pair's CPU time ratio (the median with repetitions): the
// machine is shared, wall time jumps with its load.
#pragma once
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>

inline int RunWithRatios(int argc, char **argv, const std::vector<std::pair<std::string, std::string>> &pairs,
                         const char *target)
{
    struct Reporter : benchmark::ConsoleReporter {
        std::map<std::string, double> times;
        void ReportRuns(const std::vector<Run> &runs) override
        {
            for (const Run &run : runs)
                if (!run.error_occurred &&
                    (run.run_type == Run::RT_Iteration ? run.repetitions <= 1 : run.aggregate_name == "median"))
                    times[run.run_name.function_name] = run.GetAdjustedCPUTime();
            ConsoleReporter::ReportRuns(runs);
        }
    } reporter;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const auto &p : pairs)
        if (reporter.times.count(p.first) && reporter.times.count(p.second))
            printf("ratio %s / %s = %.2f (target <= %s)\n", p.first.c_str(), p.second.c_str(),
                   reporter.times[p.first] / reporter.times[p.second], target);
    benchmark::Shutdown();
    return 0;
}
