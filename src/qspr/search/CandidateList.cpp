#include "qspr/search/CandidateList.h"

#include <algorithm>
#include <utility>

namespace kalemir::qspr {

namespace {
constexpr std::size_t kIndexSlots = 4096; // a power of two, four times the list
}

void RankCandidates(SearchState& search, int rows) {
    auto& r2 = search.CandidateR2;
    auto& sets = search.CandidateSets;
    for (int i = 1; i < rows; ++i) {
        for (int j = i + 1; j <= rows; ++j) {
            if (r2[j] > r2[i]) {
                std::swap(r2[i], r2[j]);
                for (int c = 1; c <= kSetWidth; ++c) {
                    std::swap(sets[i][c], sets[j][c]);
                }
            }
        }
    }
}

namespace {

/// Walks the candidate of row 1001 up from row 1000 past every row it is not below,
/// each of them moving down one row (row 1000 into row 1001), and puts it in the row
/// left free: columns 1..W move, the others stay. W known when compiled, so a row's move
/// is a few register moves. Returns that row, or 0 when the candidate is below row 1000.
template <int W> int InsertRow(std::vector<double>& r2, std::vector<PredictorSet>& sets) {
    const double candidateR2 = r2[kCandidateRow];
    if (candidateR2 < r2[kListRows]) {
        return 0;
    }
    int candidate[W > 0 ? W : 1];
    for (int c = 0; c < W; ++c) {
        candidate[c] = sets[kCandidateRow][c + 1];
    }
    int v = kListRows;
    do {
        r2[v + 1] = r2[v];
        PredictorSet& to = sets[v + 1];
        const PredictorSet& from = sets[v];
        for (int c = 1; c <= W; ++c) {
            to[c] = from[c];
        }
        --v;
    } while (v >= 1 && !(candidateR2 < r2[v]));
    r2[v + 1] = candidateR2;
    for (int c = 0; c < W; ++c) {
        sets[v + 1][c + 1] = candidate[c];
    }
    return v + 1;
}

template <int... W>
int InsertRow(std::vector<double>& r2, std::vector<PredictorSet>& sets, int width,
              std::integer_sequence<int, W...>) {
    if (width < 1 || width > kSetWidth) {
        return InsertRow<0>(r2, sets); // no columns to move
    }
    int row = 0;
    ((width == W + 1 ? (row = InsertRow<W + 1>(r2, sets), void()) : void()), ...);
    return row;
}

} // namespace

int InsertCandidate(SearchState& search) {
    // The list runs from the highest r2 down, so the candidate's row is the one below the
    // last row it is below; a tie puts it above the equal sets (the exchanges of
    // neighbouring rows from row 1000 up, done as one shift).
    return InsertRow(search.CandidateR2, search.CandidateSets, search.FitTermCount,
                     std::make_integer_sequence<int, kSetWidth>());
}

ListedSetIndex::ListedSetIndex(int size)
    : size_(size), keys_(kIndexSlots), hashes_(kIndexSlots), used_(kIndexSlots, 0) {}

void ListedSetIndex::Clear() {
    std::fill(used_.begin(), used_.end(), 0);
    logging_ = false;
}

ListedSetIndex::Key ListedSetIndex::MakeKey(const PredictorSet& set) const {
    Key key{};
    for (int c = 1; c <= size_; ++c) {
        key[c - 1] = static_cast<std::uint16_t>(set[c]);
    }
    return key;
}

std::uint64_t ListedSetIndex::Hash(const Key& key) const {
    std::uint64_t h = 1469598103934665603ULL;
    for (int c = 0; c < size_; ++c) {
        h = (h ^ key[c]) * 1099511628211ULL;
    }
    return h;
}

std::size_t ListedSetIndex::Slot(std::uint64_t hash) {
    return static_cast<std::size_t>(hash ^ (hash >> 29)) & (kIndexSlots - 1);
}

bool ListedSetIndex::IsComplete(const PredictorSet& set) const {
    for (int c = 1; c <= size_; ++c) {
        if (set[c] == 0) {
            return false;
        }
    }
    return true;
}

std::size_t ListedSetIndex::Find(const Key& key, std::uint64_t hash) const {
    // The whole hash is compared first: the keys of other sets are seldom read.
    std::size_t s = Slot(hash);
    while (used_[s] && !(hashes_[s] == hash && keys_[s] == key)) {
        s = (s + 1) & (kIndexSlots - 1);
    }
    return s;
}

void ListedSetIndex::StartChangeLog() {
    changed_.fill(0);
    logging_ = true;
}

std::size_t ListedSetIndex::LogBit(std::uint64_t hash) {
    return static_cast<std::size_t>(hash >> 52) & (kLogBits - 1);
}

void ListedSetIndex::LogChange(std::uint64_t hash) {
    const std::size_t bit = LogBit(hash);
    changed_[bit / 64] |= std::uint64_t{1} << (bit % 64);
}

bool ListedSetIndex::ContainsGiven(const PredictorSet& set, std::uint64_t hash,
                                   bool heldAtLogStart) const {
    if (!logging_) {
        return Contains(set);
    }
    const std::size_t bit = LogBit(hash);
    if ((changed_[bit / 64] >> (bit % 64) & 1) != 0) {
        return used_[Find(MakeKey(set), hash)] != 0;
    }
    return heldAtLogStart;
}

bool ListedSetIndex::ContainsHashed(const PredictorSet& set, std::uint64_t hash) const {
    return used_[Find(MakeKey(set), hash)] != 0;
}

bool ListedSetIndex::Contains(const PredictorSet& set) const {
    const Key key = MakeKey(set);
    return used_[Find(key, Hash(key))] != 0;
}

void ListedSetIndex::Insert(const PredictorSet& set) {
    const Key key = MakeKey(set);
    const std::uint64_t hash = Hash(key);
    const std::size_t s = Find(key, hash);
    if (used_[s]) {
        return;
    }
    keys_[s] = key;
    hashes_[s] = hash;
    used_[s] = 1;
    LogChange(hash);
}

void ListedSetIndex::Erase(const PredictorSet& set) {
    const Key key = MakeKey(set);
    const std::uint64_t hash = Hash(key);
    const std::size_t s = Find(key, hash);
    if (!used_[s]) {
        return;
    }
    LogChange(hash);
    // Backward-shift deletion keeps every probe chain unbroken.
    used_[s] = 0;
    std::size_t hole = s;
    for (std::size_t next = (s + 1) & (kIndexSlots - 1); used_[next];
         next = (next + 1) & (kIndexSlots - 1)) {
        const std::size_t home = Slot(hashes_[next]);
        const bool between =
            hole <= next ? (home > hole && home <= next) : (home > hole || home <= next);
        if (!between) {
            keys_[hole] = keys_[next];
            hashes_[hole] = hashes_[next];
            used_[hole] = 1;
            used_[next] = 0;
            hole = next;
        }
    }
}

} // namespace kalemir::qspr
