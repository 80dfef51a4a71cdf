// Runs the benchmarks, then prints each pair's CPU time ratio (the median with repetitions):
// the machine is shared, wall time jumps with its load.
#pragma once
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

inline int RunWithRatios(int argc, char **argv, const std::vector<std::pair<std::string, std::string>> &pairs)
{
    struct Reporter : benchmark::ConsoleReporter {
        std::map<std::string, double> times;
        void ReportRuns(const std::vector<Run> &runs) override
        {
            for (const Run &run : runs)
                if (run.run_type == Run::RT_Iteration ? run.repetitions <= 1 : run.aggregate_name == "median")
                    times[run.run_name.function_name] = run.GetAdjustedCPUTime();
            ConsoleReporter::ReportRuns(runs);
        }
    } reporter;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const auto &p : pairs)
        printf("ratio %s / %s = %.2f\n", p.first.c_str(), p.second.c_str(), reporter.times[p.first] / reporter.times[p.second]);
    return 0;
}
