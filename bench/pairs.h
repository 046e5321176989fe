#pragma once

// Measuring the program against its floor in interleaved pairs: each pair runs both
// back to back (which one goes first alternates), and the medians of the two series
// give the ratio. The results go to the benchmark's counters and to one line of text.
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

constexpr int MinimumPairs = 7;

inline double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct PairedMedians {
    double program = 0;
    double floor = 0;
    double ratio() const { return floor > 0 ? program / floor : 0; }
};

// Runs one pair per iteration of state (program and floor each return their own
// measure: seconds, or bytes); answers the medians.
inline PairedMedians MeasurePairs(benchmark::State& state, const std::function<double()>& program,
                                  const std::function<double()>& floor) {
    std::vector<double> programs;
    std::vector<double> floors;
    bool programFirst = true;
    for (auto _ : state) {
        if (programFirst) {
            programs.push_back(program());
            floors.push_back(floor());
        } else {
            floors.push_back(floor());
            programs.push_back(program());
        }
        programFirst = !programFirst;
    }
    return {Median(programs), Median(floors)};
}

// "<what>: 12.3 ms vs <floor> 10.0 ms = 1.23x (goal <= 1.5x: met)", and the same as counters;
// a goal of 0 marks a floor that is shown for comparison only.
inline void ReportRatio(benchmark::State& state, const std::string& what, const std::string& floorName,
                        const PairedMedians& medians, double goal, double unit = 1e3,
                        const char* unitName = "ms") {
    const double ratio = medians.ratio();
    state.counters["program"] = medians.program * unit;
    state.counters["floor"] = medians.floor * unit;
    state.counters["ratio"] = ratio;
    state.counters["goal"] = goal;
    char verdict[64];
    if (goal > 0)
        std::snprintf(verdict, sizeof verdict, "goal <= %.2fx: %s", goal, ratio <= goal ? "met" : "NOT MET");
    else
        std::snprintf(verdict, sizeof verdict, "no goal: a floor to compare with");
    std::printf("RATIO %s: %.2f %s vs %s %.2f %s = %.2fx (%s), median of %lld pairs\n", what.c_str(),
                medians.program * unit, unitName, floorName.c_str(), medians.floor * unit, unitName, ratio,
                verdict, static_cast<long long>(state.iterations()));
    std::fflush(stdout);
}

// One line of a growth series: the size, its time, and the ratio to the size before.
inline void ReportGrowth(const std::string& what, int size, double seconds, double previousSeconds,
                         int previousSize) {
    if (previousSeconds > 0)
        std::printf("GROWTH %s %d: %.2f ms (%d -> %d: %.2fx)\n", what.c_str(), size, seconds * 1e3,
                    previousSize, size, seconds / previousSeconds);
    else
        std::printf("GROWTH %s %d: %.2f ms\n", what.c_str(), size, seconds * 1e3);
    std::fflush(stdout);
}
