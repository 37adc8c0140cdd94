#pragma once
// The normal equations of a least-squares fit on the centred descriptors, read from the
// cross products, and their Gauss-Jordan elimination; and the elimination of a kept set
// stage by stage, which the sets adding one descriptor to it take over part-way.

#include "qspr/core/StageState.h"

#include <vector>

namespace kalemir {
class ComputingWindow;
}

namespace kalemir::qspr {

/// Rows 1..K, columns 1..K+1 (K+1 the right-hand side) of an augmented system.
using NormalMatrix = double[kSetWidth + 1][kSetWidth + 2];

/// Gauss-Jordan elimination without row exchanges of the K x (K+1) augmented system;
/// a pivot of exactly 0 is used as 1e-6. On return column K+1 holds the solution (the
/// other columns are left part-way). Yields once per pivot.
void SolveNormalEquations(NormalMatrix& normal, int k, ComputingWindow& window);

/// The same elimination from pivot `first` on, for a system whose pivots 1..first-1 are
/// done (columns from `first` on hold their values after those pivots).
void SolveNormalEquationsFrom(NormalMatrix& normal, int k, int first, ComputingWindow& window);

/// Rows 1..K, columns 1..K+1 of one system into another.
void CopySystem(const NormalMatrix& from, NormalMatrix& to, int k);

/// The normal equations of the set read from the cross products (a 0 entry gives a zero
/// row and column).
void GatherNormal(const CrossProductCache& cache, const PredictorSet& set, int k,
                  NormalMatrix& normal);

/// A kept set's normal equations after each pivot of their elimination. A set made of
/// the kept columns and one more descriptor d, sorted, is eliminated in the same order:
/// every pivot before d's place is the kept set's own and leaves the kept entries as
/// they stand here, so only d's row and column have to be carried through those pivots.
/// Each entry still goes through the same operations in the same order: the same bits.
class KeptElimination {
public:
    /// Eliminates the kept set (columns 1..size, sorted, non-zero, within the cache).
    void Eliminate(const CrossProductCache& cache, const PredictorSet& kept, int size);

    /// The normal equations of `set` (sorted: the kept columns and d) after the pivots
    /// before d's place, equal bit for bit to those GatherNormal and the elimination would
    /// have there. Returns the first pivot still to do: d's place, or 1 (all gathered)
    /// when the set is not the kept set with d added.
    /// `gathered` receives the set's normal equations as GatherNormal reads them.
    int Start(const CrossProductCache& cache, const PredictorSet& set, int d, NormalMatrix& normal,
              NormalMatrix& gathered) const;

    /// The added descriptors of trials of this kept set, carried through the pivots
    /// before their places side by side, one trial in each lane: the column, row and
    /// diagonal entry of each descriptor as Start leaves them (the same operations in the
    /// same order for every entry, so the same bits).
    struct Carried {
        static constexpr int kLanes = 32;
        int Count = 0;
        int Place[kLanes]; ///< the descriptor's place, 0 when Start gathers the set whole
        double Column[kSetWidth + 1][kLanes]; ///< by kept row
        double Row[kSetWidth + 2][kLanes];    ///< by kept column, right-hand side last
        double Diagonal[kLanes];
    };

    /// Carries the added descriptors added[0..count-1] (count <= Carried::kLanes) of the
    /// sets sets[0..count-1] (each as Start takes it) into `carried`.
    void Carry(const CrossProductCache& cache, const PredictorSet* const* sets, const int* added,
               int count, Carried& carried) const;

    /// One lane of the descriptors Carry carried side by side.
    struct CarriedLane {
        const Carried& From;
        int Lane = 0;
    };

    /// Start for a lane whose descriptor Carry has already carried: the same systems and
    /// the same first pivot. Without `gathered` (for a lane whose descriptor has its place)
    /// the gathered system is not written.
    int StartCarried(const CrossProductCache& cache, const PredictorSet& set, int d,
                     CarriedLane carried, NormalMatrix& normal, NormalMatrix* gathered) const;

    /// (G b)_i for i = 1..K of the set made of the kept set and d at `place` (G its
    /// gathered system, b column K+1 of `solved`), each rows[i] summed from 0 over
    /// j = 1..K in order, read from the kept set's own system and the cross products.
    void GramTimes(const CrossProductCache& cache, int d, int place, const NormalMatrix& solved,
                   double* rows) const;

    int Size() const { return size_; }

private:
    /// d's place in the set (the kept columns around it in their order), or 0 when the set
    /// is not the kept set with d added.
    int PlaceOf(const CrossProductCache& cache, const PredictorSet& set, int d) const;
    /// The kept entries of the live columns after the pivots before `place`, and the
    /// gathered system (d's row and column as read from the cross products).
    void FillKept(const CrossProductCache& cache, int d, int place, NormalMatrix& normal,
                  NormalMatrix* gathered) const;
    /// Carries lanes lo..hi-1 whose pivot counts done[lo..hi-1] do not fall.
    void CarryLanes(Carried& carried, const int* done, int lo, int hi) const;

    int size_ = 0;
    PredictorSet kept_{};
    std::vector<double> stages_;  ///< stage m (after m pivots), row r, column c
    std::vector<double> pivots_;  ///< the pivot used at pivot m
    std::vector<double> factors_; ///< pivot m, row r: column m before pivot m
};

} // namespace kalemir::qspr
