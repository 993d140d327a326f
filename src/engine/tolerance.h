// How the engine compares numbers. Number cells are equal when they differ by no more than
// 1e-14 of a magnitude; which magnitude depends on the export (both values for Calc, the first
// operand for Match, the source value for RangeAlloc). Every comparison is written so that a
// NaN is never equal to anything.
#pragma once

#include <algorithm>
#include <cmath>

namespace zrt {

constexpr double kTolerance = 1e-14;

// Calc's "eq": within 1e-14 of the larger magnitude.
inline bool TolerantlyEqual(double a, double b) {
    double limit = kTolerance * std::max(std::fabs(a), std::fabs(b));
    double difference = std::fabs(a - b);
    return difference <= limit;
}

// Within 1e-14 of the magnitude of x alone (Match against its first operand, RangeAlloc
// against the source value): x = 0 equals only an exact 0.
inline bool EqualRelativeTo(double x, double other) {
    double limit = kTolerance * std::fabs(x);
    double difference = std::fabs(x - other);
    return difference <= limit;
}

// The page scans' nonzero test: true for every finite value but 0; false for the infinities
// and a NaN.
inline bool IsNonZero(double v) {
    double magnitude = std::fabs(v);
    double scaled = magnitude * kTolerance;
    return scaled < magnitude;
}

}  // namespace zrt
