// Statistics that the benchmarks add to Google Benchmark's own.
#pragma once

#include <vector>

// The smallest of the repetitions: the run least disturbed by the machine.
inline double Smallest(const std::vector<double>& values)
{
    double smallest = values.empty() ? 0.0 : values[0];
    for (double v : values) smallest = v < smallest ? v : smallest;
    return smallest;
}
