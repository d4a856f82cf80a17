#pragma once

// The median of a benchmark's repeated figures; -1 when there are none.

#include <algorithm>
#include <cstddef>
#include <vector>

inline double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}
