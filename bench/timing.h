// The clock and the summary the Windows benchmarks share.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

namespace pellix::bench {

// Milliseconds from the performance counter.
inline double NowMs() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart * 1000.0 / frequency;
}

inline double Median(std::vector<double> v) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace pellix::bench
