#pragma once
// The five pair similarity measures, the pair loop with its bookkeeping and the report of
// the pair statistics.

#include "similarity/SimState.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kalemir::sim {

/// Ratio rule: a / b, or b / a when a / b > 1. `zeroDenominator` is set when a or b is 0
/// (one of the two quotients would divide by zero).
double Ratio(double a, double b, bool& zeroDenominator);

/// Element code of a fragment name: the sum of the weights of the atom symbols in it.
int ElementCode(std::string_view name);

/// Atom count of a fragment name, stored as 1..3, or 4 for four atoms and more.
int AtomCount(std::string_view name);

/// Which fragments are equivalent (same atom count > 0 and same element code > 0): a fact
/// of the table's fragment names, derived once.
struct FragmentClasses {
    /// Class of fragment f (index f - 1), or -1 for a fragment that merges with none.
    std::vector<int> ClassOf;
    int ClassCount = 0;
};
FragmentClasses ClassifyFragments(const std::vector<std::string>& fragmentNames);

/// Entropy of one column of amounts after merging equivalent fragments: only working
/// amounts above `minimum` (1/n) enter. `work` and `leader` are scratch space sized by the
/// call (no allocation once they are large enough).
double FragmentEntropy(const double* amounts, int fragmentCount, double minimum,
                       const FragmentClasses& classes, std::vector<double>& work,
                       std::vector<int>& leader);

/// Result of one pair.
struct PairResult {
    double P = 0;
    bool ZeroDenominator = false;
    bool ExtraVote = false; // the second chemical test scored above 0.99
};

/// Scratch space of the chemical measure: one per worker, so that workers never share it.
struct PairScratch {
    std::vector<double> Joint;
    std::vector<double> Work;
    std::vector<int> Leader;
    std::vector<int> Present;       // fragments present in either molecule, ascending
    std::vector<int> PresentLeader; // PresentChemicalPair's leaders, left all -1 after a pair
};

/// One molecule's side of a chemical pair: its fragment amounts (fragment g at index g - 1),
/// normaliser n, second chemical descriptor v and fragment entropy H.
struct ChemicalProfile {
    const double* Amounts = nullptr;
    double Normaliser = 0;
    double SecondDescriptor = 0;
    double Entropy = 0;
};

/// Per-measure facts of every molecule that do not depend on the partner. Read-only once
/// built: any number of workers may compute pairs at once, each with its own scratch.
class MeasureInputs {
public:
    MeasureInputs(const PreparedTable& table, int measure, int shapeMethod);
    PairResult Compute(int i, int j, PairScratch& scratch) const;
    int MoleculeCount() const { return table_.MoleculeCount; }

private:
    ChemicalProfile Profile(int i) const;
    PairResult Chemical(int i, int j, PairScratch& scratch) const;
    PairResult CorrectedUsr(int i, int j) const;
    PairResult Superposition(int i, int j) const;

    const PreparedTable& table_;
    int measure_;
    int shapeMethod_;
    FragmentClasses classes_;
    std::vector<double> entropy_; // H of each molecule alone (chemical)
    /// Fragments (0-based) with a non-zero amount, molecule by molecule: those of molecule i
    /// are presentFragments_[presentStart_[i] .. presentStart_[i + 1] - 1], ascending.
    std::vector<std::size_t> presentStart_;
    std::vector<int> presentFragments_;
    /// The same as bits (fragment g is bit g) when there are at most 64 fragments.
    std::vector<std::uint64_t> presentBits_;
    std::vector<int> atomCount_; // atoms of each molecule (Superposition)
    std::vector<double> byAxis_; // their coordinates, AtomsByAxis, 3 x kMaxAtoms each
};

/// Chemical similarity of two molecules from their profiles over `fragmentCount` fragments
/// (the pair formula, for tests and the pair loop alike). Uses the joint amounts, work
/// amounts and leaders of `scratch`.
PairResult ChemicalPair(const ChemicalProfile& a, const ChemicalProfile& b, int fragmentCount,
                        const FragmentClasses& classes, PairScratch& scratch);

/// The same similarity when the normalisers add up to more than 0, from the fragments
/// present in either molecule (`present`, ascending) alone: a fragment absent from both has
/// a joint amount of 0, which neither merges nor enters the entropy. Every amount, merge and
/// term is the one ChemicalPair forms, in the same order, so the result is the same bits.
/// `leader` is scratch space holding -1 for every class (or empty) and is left so.
PairResult PresentChemicalPair(const ChemicalProfile& a, const ChemicalProfile& b,
                               std::span<const int> present, const FragmentClasses& classes,
                               std::vector<double>& joint, std::vector<int>& leader);

/// Corrected USR: u = the twelve moments, g = F+13, s14..s16 = F+14..F+16.
PairResult CorrectedUsrPair(const double* ua, const double* ub, double ga, double gb,
                            const double* sa, const double* sb);

/// Superposition: coordinates as x, y, z triples of `ma` and `mb` atoms.
PairResult SuperpositionPair(const double* a, int ma, const double* b, int mb);

/// The same similarity, the same bits, from coordinates laid out by axis (`AtomsByAxis`):
/// the squared distances of an atom of A to four atoms of B are formed side by side, each
/// as in SuperpositionPair, and the smallest is taken whatever the order.
PairResult SuperposedAtomsPair(const double* a, int ma, const double* b, int mb);

/// Numbers side by side in SuperposedAtomsPair.
inline constexpr int kAtomLanes = 4;

/// The x of atoms 0..99, then their y, then their z (3 x kMaxAtoms values); the atoms from
/// `atoms` up to the next multiple of kAtomLanes are NaN, which no comparison takes.
void AtomsByAxis(const double* triples, int atoms, double* byAxis);

/// Pairs that hit a zero denominator in the current measure.
struct ZeroDenominatorPairs {
    long Count = 0;
    std::vector<std::pair<int, int>> First; // the first ones, for the report
};

/// What the pair loop of one measure finds besides the similarities.
struct PairLoopOutcome {
    PairStatistics Statistics;
    ZeroDenominatorPairs ZeroDenominators;
};

/// The pair loop of the context's measure: fills the similarity matrix, adds the duplicate
/// votes (kept over the measures) and returns the pair statistics and the pairs that divided
/// by zero. The pairs are computed by the context's workers in batches; the statistics of each
/// batch are merged in loop order on the calling thread, which alone touches the window
/// (yields and captions between batches), so the results do not depend on the number of
/// workers.
PairLoopOutcome ComputePairSimilarities(const MeasureContext& context, PairMatrix& similarity,
                                        std::vector<std::uint8_t>& duplicateVotes);

/// Lines naming the pairs whose formula divided by zero (their SIM was set to 0).
void ReportZeroDenominators(const RunChoices& choices, const PreparedTable& table, int measure,
                            const ZeroDenominatorPairs& zeroPairs);

/// The counts of very high and very low pairs and the least similar pair.
void ReportPairStatistics(const RunChoices& choices, const PreparedTable& table,
                          const PairStatistics& statistics, int measure);

/// Kind word of measure k in report lines ("chemical", "shape", ...).
std::string_view KindWord(int measure);

} // namespace kalemir::sim
