#pragma once
// Sums of products of many column pairs over the same rows, each sum taken in row order
// (so each equals the plain running sum bit for bit), computed for a panel of columns
// against all partner columns a chunk of rows at a time, the sums of a tile of pairs held
// in vector registers, so that the table runs through memory once per panel.

#include "common/WorkerPool.h"

#include <vector>

namespace kalemir::qspr {

/// values: rows 1..n of columns 1..s in row-major layout (row i, column a at
/// values[i * (s + 1) + a]). Fills out[a * (s + 1) + b] = out[b * (s + 1) + a] =
/// sum over i = 1..n of value(i, a) * value(i, b) for 1 <= a <= b <= s.
/// The blocks of columns are shared out among the workers when there are any.
void SymmetricCrossProducts(const std::vector<double>& values, int n, int s,
                            std::vector<double>& out, WorkerPool* workers = nullptr);

/// Whether the sums keep to their build for any x86-64 even where the processor has AVX2
/// (which they otherwise take); both builds give the same bits, and the tests run both.
void UsePlainCrossProducts(bool plain);

} // namespace kalemir::qspr
