// Side-by-side timing: two ways of doing the same work, run in turns in one process, each
// rep timed on its own in processor time of the process (user and system: the development
// machine is shared, and waiting for the processor would count otherwise); the medians give
// the ratio that the documents record.
#pragma once

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <vector>

namespace zrt::bench {

struct Comparison {
    double oursSeconds, theirsSeconds;  // medians
    double ratio() const { return theirsSeconds / oursSeconds; }
};

template <class Ours, class Theirs>
Comparison sideBySide(int reps, Ours&& ours, Theirs&& theirs) {
    auto seconds = [](auto& work) {
        std::clock_t start = std::clock();
        work();
        return double(std::clock() - start) / CLOCKS_PER_SEC;
    };
    std::vector<double> a, b;
    ours();  // warm caches and allocations once
    theirs();
    for (int k = 0; k < reps; ++k) {
        a.push_back(seconds(ours));
        b.push_back(seconds(theirs));
    }
    auto median = [](std::vector<double>& v) {
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        return v[v.size() / 2];
    };
    return {median(a), median(b)};
}

// One row of the table: the work, MB/s of both (of `bytes` each rep), and ours / theirs.
inline void printRow(const char* work, double bytes, const Comparison& c) {
    std::printf("| %-40s | %8.1f | %8.1f | %5.2f |\n", work, bytes / c.oursSeconds / 1e6,
                bytes / c.theirsSeconds / 1e6, c.ratio());
}

inline void printHeader(const char* theirs) {
    std::printf("| %-40s | %8s | %8s | %5s |\n|---|---:|---:|---:|\n", "work", "ours MB/s", theirs,
                "ratio");
}

}  // namespace zrt::bench
