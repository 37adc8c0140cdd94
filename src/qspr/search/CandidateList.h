#pragma once
// The ranked list of the 1000 best predictor sets by r2 (rows 1..1000, candidate in row
// 1001) and an index of the complete sets it holds, for the duplicate check.

#include "qspr/core/StageState.h"

#include <array>
#include <cstdint>
#include <vector>

namespace kalemir::qspr {

/// Exchange sort of rows 1..rows by r2, highest first (for i, for j > i, swap r2 and
/// columns 1..20 when r2(j) > r2(i)).
void RankCandidates(SearchState& search, int rows = kListRows);

/// Inserts the candidate of row 1001 into the sorted list, moving columns
/// 1..FitTermCount; a tie with listed sets puts it above them. Returns the row it
/// entered (the former row 1000 is then in row 1001), or 0 when it stays out.
int InsertCandidate(SearchState& search);

/// Set of the predictor sets of one size p held in the list: columns 1..p, sorted.
class ListedSetIndex {
public:
    explicit ListedSetIndex(int size);
    void Clear();
    bool Contains(const PredictorSet& set) const;
    void Insert(const PredictorSet& set);
    void Erase(const PredictorSet& set);
    /// True when columns 1..p of the set are all filled (a set of this index's size).
    bool IsComplete(const PredictorSet& set) const;
    /// Starts a record of the sets inserted or erased from now on.
    void StartChangeLog();
    /// The hash the index files the set under.
    std::uint64_t HashOf(const PredictorSet& set) const { return Hash(MakeKey(set)); }
    /// Contains(set) for a set of hash HashOf(set), given what Contains(set) was when the
    /// change log began: looked up again only when a change since may concern the set.
    bool ContainsGiven(const PredictorSet& set, std::uint64_t hash, bool heldAtLogStart) const;
    /// Contains(set) for a set of hash HashOf(set).
    bool ContainsHashed(const PredictorSet& set, std::uint64_t hash) const;

private:
    using Key = std::array<std::uint16_t, kSetWidth>;
    Key MakeKey(const PredictorSet& set) const;
    std::uint64_t Hash(const Key& key) const;
    static std::size_t Slot(std::uint64_t hash);
    /// The slot holding the key, or the free slot that ends its probe chain.
    std::size_t Find(const Key& key, std::uint64_t hash) const;
    void LogChange(std::uint64_t hash);
    static std::size_t LogBit(std::uint64_t hash);

    /// Bits of the change log: a set whose bit (read from its hash) is clear did not change.
    static constexpr std::size_t kLogBits = 4096;

    int size_;
    std::vector<Key> keys_;
    std::vector<std::uint64_t> hashes_; ///< the whole hash of each held key
    std::vector<std::uint8_t> used_;
    std::array<std::uint64_t, kLogBits / 64> changed_{}; ///< the bits of the sets changed
    bool logging_ = false; ///< a log runs: without one every set is looked up
};

} // namespace kalemir::qspr
