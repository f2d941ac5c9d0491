// The tangent of a double, correctly rounded: the exact tangent of the
// argument rounded to the nearest double (ties to even), the same bits on
// every platform, compiler and C runtime.
#pragma once

// NaN for NaN and infinities; ±0 for ±0. Slow (microseconds) by design: it
// works in integer multi-precision arithmetic and raises the precision until
// the rounding is certain, so it belongs in set-up code, never in a sample
// loop.
double RoundedTangent(double x);
