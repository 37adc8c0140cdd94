#pragma once
// Strict inversions of a sequence: the pairs i < j with sequence[j] < sequence[i]. Rank
// statistics count the discordant pairs of two orderings this way in n log n.

#include <vector>

namespace kalemir {

/// Strict inversions of `sequence`, counted while merge-sorting it (it is left sorted).
long long CountInversions(std::vector<double>& sequence);

} // namespace kalemir
