#include "similarity/Measures.h"

#include "common/ComputingWindow.h"
#include "common/NumberText.h"
#include "common/Report.h"
#include "common/Rounding.h"
#include "common/WorkerPool.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <map>

namespace kalemir::sim {

namespace {

/// The USR exponent 4/3 as the single-precision value it is held in.
const double kUsrExponent = static_cast<double>(4.0f / 3.0f);

constexpr std::size_t kMaxZeroPairLines = 100;

bool IsUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
bool IsLower(char c) {
    return c >= 'a' && c <= 'z';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

const char* const kProgressTexts[] = {"",
                                      " Computation of the CHEMICAL similarities    ",
                                      " Computation of the SHAPE similarities    ",
                                      " Computation of the SIZE similarities    ",
                                      " Computation of the HYDROPHILICITY similarities    ",
                                      " Computation of the FLEXIBILITY similarities    "};

} // namespace

double Ratio(double a, double b, bool& zeroDenominator) {
    if (a == 0 || b == 0) {
        zeroDenominator = true;
        return 0;
    }
    const double q = a / b;
    return q > 1 ? b / a : q;
}

int ElementCode(std::string_view name) {
    int code = 0;
    for (std::size_t v = 0; v < name.size(); ++v) {
        const char c = name[v];
        const char c2 = v + 1 < name.size() ? name[v + 1] : '\0';
        switch (c) {
        case 'h':
            code += 2584;
            break;
        case 'H':
            code += 1597;
            break;
        case 'B':
            code += c2 == 'r' ? 5 : 987;
            break;
        case 'C':
            code += c2 == 'l' ? 21 : 610;
            break;
        case 'N':
            code += 377;
            break;
        case 'O':
            code += 233;
            break;
        case 'F':
            code += 144;
            break;
        case 'S':
            code += c2 == 'i' ? 89 : (c2 == 'e' ? 8 : 34);
            break;
        case 'P':
            code += 55;
            break;
        case 'A':
            code += c2 == 's' ? 13 : 0;
            break;
        case 'T':
            code += c2 == 'e' ? 3 : 0;
            break;
        case 'I':
            code += 2;
            break;
        case 'M':
            code += 1;
            break;
        default:
            break;
        }
    }
    return code;
}

int AtomCount(std::string_view s) {
    const std::size_t n = s.size();
    if (n > 4 && s.substr(n - 4) == "atom") {
        return 1;
    }
    // Positions are 1-based as in the rule; at(v) is the character at position v.
    auto at = [&](std::size_t v) { return s[v - 1]; };
    int count = 0;
    for (std::size_t v = 1; v <= n; ++v) {
        char ch = at(v);
        if (ch == 'H' || ch == 'h') {
            do {
                ++v;
            } while (v <= n && !(IsUpper(at(v)) || at(v) == 'h'));
            if (v > n || at(v) == 'H' || at(v) == 'h') {
                continue;
            }
            ch = at(v);
        }
        // The character before ch; a name's first character has none (not a digit).
        const bool digitBefore = v > 1 && IsDigit(at(v - 1));
        if (v < n) {
            const char c2 = at(v + 1);
            const bool c2Upper = IsUpper(c2) || c2 == 'h';
            if (IsUpper(ch) && c2Upper) {
                count += 1;
            }
            if (IsDigit(ch) && c2Upper && !digitBefore) {
                count += ch - '0';
            }
            if (IsDigit(ch) && IsDigit(c2) && !digitBefore) {
                count += 10 * (ch - '0') + (c2 - '0');
            }
        } else {
            if (IsUpper(ch) || IsLower(ch)) {
                count += 1;
            } else if (IsDigit(ch)) {
                count += ch - '0';
            }
        }
    }
    return count <= 3 ? count : 4;
}

FragmentClasses ClassifyFragments(const std::vector<std::string>& fragmentNames) {
    FragmentClasses classes;
    std::map<std::pair<int, int>, int> seen;
    std::vector<std::pair<int, int>> keys;
    for (const std::string& name : fragmentNames) {
        keys.emplace_back(AtomCount(name), ElementCode(name));
    }
    // Count the members of each key first: a fragment alone in its class merges with none.
    std::map<std::pair<int, int>, int> members;
    for (const auto& key : keys) {
        if (key.first > 0 && key.second > 0) {
            ++members[key];
        }
    }
    for (const auto& key : keys) {
        if (key.first > 0 && key.second > 0 && members[key] > 1) {
            auto [it, added] = seen.emplace(key, classes.ClassCount);
            if (added) {
                ++classes.ClassCount;
            }
            classes.ClassOf.push_back(it->second);
        } else {
            classes.ClassOf.push_back(-1);
        }
    }
    return classes;
}

double FragmentEntropy(const double* amounts, int fragmentCount, double minimum,
                       const FragmentClasses& classes, std::vector<double>& work,
                       std::vector<int>& leader) {
    const auto f = static_cast<std::size_t>(fragmentCount);
    work.assign(amounts, amounts + f);
    leader.assign(static_cast<std::size_t>(classes.ClassCount), -1);
    // Merge: the first fragment of a class with a positive amount collects the positive
    // amounts of the later ones, in fragment order.
    for (std::size_t g = 0; g < f; ++g) {
        const int c = classes.ClassOf[g];
        if (c < 0 || !(work[g] > 0)) {
            continue;
        }
        int& first = leader[static_cast<std::size_t>(c)];
        if (first < 0) {
            first = static_cast<int>(g);
        } else {
            work[static_cast<std::size_t>(first)] += work[g];
            work[g] = 0;
        }
    }
    double sum = 0;
    for (std::size_t g = 0; g < f; ++g) {
        const double w = work[g];
        if (w > minimum) {
            sum += (w / 100) * std::log(w / 100);
        }
    }
    return -sum;
}

PairResult ChemicalPair(const ChemicalProfile& a, const ChemicalProfile& b, int fragmentCount,
                        const FragmentClasses& classes, PairScratch& scratch) {
    PairResult result;
    bool unused = false;
    const double t = Ratio(a.SecondDescriptor + 0.0001, b.SecondDescriptor + 0.0001, unused);
    result.ExtraVote = !unused && t > 0.99;

    const double na = a.Normaliser;
    const double nb = b.Normaliser;
    const double nab = na + nb;
    if (nab == 0) {
        result.ZeroDenominator = true;
        return result;
    }
    const double* xa = a.Amounts;
    const double* xb = b.Amounts;
    std::vector<double>& joint = scratch.Joint;
    const auto f = static_cast<std::size_t>(fragmentCount);
    joint.resize(f);
    const double presence = 1 / nab;
    for (std::size_t g = 0; g < f; ++g) {
        joint[g] = xa[g] + xb[g] > presence ? (na * xa[g] + nb * xb[g] - 2) / nab : 0.0;
    }
    const double entropyAB = FragmentEntropy(joint.data(), fragmentCount, 1 / nab, classes,
                                             scratch.Work, scratch.Leader);
    bool zero = false;
    const double ra = Ratio(a.Entropy + 0.05, entropyAB + 0.05, zero);
    const double rb = Ratio(b.Entropy + 0.05, entropyAB + 0.05, zero);
    if (zero) {
        result.ZeroDenominator = true;
        return result;
    }
    result.P = ra * rb;
    return result;
}

PairResult PresentChemicalPair(const ChemicalProfile& a, const ChemicalProfile& b,
                               std::span<const int> present, const FragmentClasses& classes,
                               std::vector<double>& joint, std::vector<int>& leader) {
    PairResult result;
    bool unused = false;
    const double t = Ratio(a.SecondDescriptor + 0.0001, b.SecondDescriptor + 0.0001, unused);
    result.ExtraVote = !unused && t > 0.99;

    const double na = a.Normaliser;
    const double nb = b.Normaliser;
    const double* xa = a.Amounts;
    const double* xb = b.Amounts;
    const std::size_t count = present.size();
    const double nab = na + nb;
    if (joint.size() < count) {
        joint.resize(count);
    }
    const double presence = 1 / nab;
    for (std::size_t k = 0; k < count; ++k) {
        const auto g = static_cast<std::size_t>(present[k]);
        joint[k] = xa[g] + xb[g] > presence ? (na * xa[g] + nb * xb[g] - 2) / nab : 0.0;
    }
    // The merge of equivalent fragments: the first present fragment of a class with a
    // positive amount collects the positive amounts of the later ones.
    if (leader.size() < static_cast<std::size_t>(classes.ClassCount)) {
        leader.assign(static_cast<std::size_t>(classes.ClassCount), -1);
    }
    for (std::size_t k = 0; k < count; ++k) {
        const int c = classes.ClassOf[static_cast<std::size_t>(present[k])];
        if (c < 0 || !(joint[k] > 0)) {
            continue;
        }
        int& first = leader[static_cast<std::size_t>(c)];
        if (first < 0) {
            first = static_cast<int>(k);
        } else {
            joint[static_cast<std::size_t>(first)] += joint[k];
            joint[k] = 0;
        }
    }
    double sum = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const double w = joint[k];
        if (w > presence) {
            sum += (w / 100) * std::log(w / 100);
        }
        // Leave the leaders unset for the next pair.
        const int c = classes.ClassOf[static_cast<std::size_t>(present[k])];
        if (c >= 0) {
            leader[static_cast<std::size_t>(c)] = -1;
        }
    }
    const double entropyAB = -sum;
    bool zero = false;
    const double ra = Ratio(a.Entropy + 0.05, entropyAB + 0.05, zero);
    const double rb = Ratio(b.Entropy + 0.05, entropyAB + 0.05, zero);
    if (zero) {
        result.ZeroDenominator = true;
        return result;
    }
    result.P = ra * rb;
    return result;
}

PairResult CorrectedUsrPair(const double* ua, const double* ub, double ga, double gb,
                            const double* sa, const double* sb) {
    PairResult result;
    double d = 0;
    for (int k = 0; k < 12; ++k) {
        d += std::fabs(ub[k] - ua[k]);
    }
    const double sUsr = 1 / (1 + d / 12);
    const double gMax = ga > gb ? ga : gb;
    const double gMin = ga > gb ? gb : ga;
    if (gMax == 0) {
        result.ZeroDenominator = true;
        return result;
    }
    const double sPow = std::pow(gMin / gMax, kUsrExponent);
    if (gMin > 2.81 || gMin < 1.47) {
        result.P = sPow;
        return result;
    }
    result.P = sUsr;
    if (gMin > 1.99 && gMax < 2.01) {
        // s[0..2] = F+14, F+15, F+16.
        if (sa[0] == 0 || sa[1] == 0 || sb[0] == 0 || sb[1] == 0) {
            result.P = 0;
            result.ZeroDenominator = true;
            return result;
        }
        const bool elongatedA = sa[1] / sa[0] > 0.88 || sa[2] / sa[1] > 0.88;
        const bool elongatedB = sb[1] / sb[0] > 0.88 || sb[2] / sb[1] > 0.88;
        if (elongatedA && elongatedB) {
            result.P = sPow;
        }
    }
    return result;
}

PairResult SuperpositionPair(const double* a, int ma, const double* b, int mb) {
    PairResult result;
    if (ma == 0 || mb == 0) {
        result.ZeroDenominator = true;
        return result;
    }
    // Closest squared distances of the atoms of A (to B) and of B (to A).
    double closestA[kMaxAtoms];
    double closestB[kMaxAtoms];
    for (int v = 0; v < mb; ++v) {
        closestB[v] = INFINITY;
    }
    for (int u = 0; u < ma; ++u) {
        const double* pa = a + 3 * u;
        double best = INFINITY;
        for (int v = 0; v < mb; ++v) {
            const double* pb = b + 3 * v;
            const double dx = pa[0] - pb[0];
            const double dy = pa[1] - pb[1];
            const double dz = pa[2] - pb[2];
            const double d2 = dx * dx + dy * dy + dz * dz;
            best = d2 < best ? d2 : best;
            closestB[v] = d2 < closestB[v] ? d2 : closestB[v];
        }
        closestA[u] = best;
    }
    // The distance of an atom is the smallest of 100 and its closest distances: the square
    // root keeps the order, so it is taken of the closest square only.
    auto distance = [](double d2) {
        const double d = std::sqrt(d2);
        return d < 100 ? d : 100.0;
    };
    double sum = 0;
    for (int u = 0; u < ma; ++u) {
        sum += distance(closestA[u]);
    }
    for (int v = 0; v < mb; ++v) {
        sum += distance(closestB[v]);
    }
    const double d = sum / (ma + mb);
    result.P = 2 / (2 + d);
    return result;
}

void AtomsByAxis(const double* triples, int atoms, double* byAxis) {
    static_assert(kMaxAtoms % kAtomLanes == 0);
    std::fill(byAxis, byAxis + 3 * kMaxAtoms, 0.0);
    const int padded = (atoms + kAtomLanes - 1) / kAtomLanes * kAtomLanes;
    for (int u = 0; u < padded; ++u) {
        for (int axis = 0; axis < 3; ++axis) {
            byAxis[axis * kMaxAtoms + u] = u < atoms ? triples[3 * u + axis] : NAN;
        }
    }
}

namespace {

/// Four doubles; the arithmetic is lane by lane, each lane rounded as a lone double.
typedef double Lanes __attribute__((vector_size(kAtomLanes * sizeof(double))));

} // namespace

// Built for wide vector units where the processor has them, for the basic ones elsewhere:
// the same operations on the same numbers, so the same bits either way. The thread
// sanitizer's build has the basic one only: the choice between the two is made while the
// program loads, before that sanitizer is ready, and crashes it.
#if defined(__SANITIZE_THREAD__)
#define KALEMIR_WIDE_AND_BASIC
#else
#define KALEMIR_WIDE_AND_BASIC __attribute__((target_clones("avx2", "default")))
#endif
KALEMIR_WIDE_AND_BASIC PairResult SuperposedAtomsPair(const double* a, int ma, const double* b,
                                                      int mb) {
    PairResult result;
    if (ma == 0 || mb == 0) {
        result.ZeroDenominator = true;
        return result;
    }
    const int lanesB = (mb + kAtomLanes - 1) / kAtomLanes * kAtomLanes;
    const double* bx = b;
    const double* by = b + kMaxAtoms;
    const double* bz = b + 2 * kMaxAtoms;
    // Closest squared distances of the atoms of A (to B) and of B (to A); the padding
    // atoms of B give NaN, never closer.
    double closestA[kMaxAtoms];
    double closestB[kMaxAtoms];
    for (int v = 0; v < lanesB; ++v) {
        closestB[v] = INFINITY;
    }
    const Lanes infinity = {INFINITY, INFINITY, INFINITY, INFINITY};
    // Four atoms of A against four of B at a time; A's padding atoms find nothing closer
    // than infinity and move no atom of B.
    const int lanesA = (ma + kAtomLanes - 1) / kAtomLanes * kAtomLanes;
    for (int u = 0; u < lanesA; u += kAtomLanes) {
        const double* ax = a + u;
        const double* ay = a + kMaxAtoms + u;
        const double* az = a + 2 * kMaxAtoms + u;
        Lanes best0 = infinity;
        Lanes best1 = infinity;
        Lanes best2 = infinity;
        Lanes best3 = infinity;
        for (int v = 0; v < lanesB; v += kAtomLanes) {
            Lanes xb, yb, zb, closest;
            std::memcpy(&xb, bx + v, sizeof xb);
            std::memcpy(&yb, by + v, sizeof yb);
            std::memcpy(&zb, bz + v, sizeof zb);
            std::memcpy(&closest, closestB + v, sizeof closest);
            auto nearer = [&](int k, Lanes& best) {
                const Lanes dx = ax[k] - xb;
                const Lanes dy = ay[k] - yb;
                const Lanes dz = az[k] - zb;
                const Lanes d2 = dx * dx + dy * dy + dz * dz;
                best = d2 < best ? d2 : best;
                closest = d2 < closest ? d2 : closest;
            };
            nearer(0, best0);
            nearer(1, best1);
            nearer(2, best2);
            nearer(3, best3);
            std::memcpy(closestB + v, &closest, sizeof closest);
        }
        // The smallest lane of each best (no lane is NaN, so any order gives it).
        const Lanes even01 = __builtin_shufflevector(best0, best1, 0, 4, 2, 6);
        const Lanes odd01 = __builtin_shufflevector(best0, best1, 1, 5, 3, 7);
        const Lanes even23 = __builtin_shufflevector(best2, best3, 0, 4, 2, 6);
        const Lanes odd23 = __builtin_shufflevector(best2, best3, 1, 5, 3, 7);
        const Lanes pairs01 = odd01 < even01 ? odd01 : even01;
        const Lanes pairs23 = odd23 < even23 ? odd23 : even23;
        const Lanes low = __builtin_shufflevector(pairs01, pairs23, 0, 1, 4, 5);
        const Lanes high = __builtin_shufflevector(pairs01, pairs23, 2, 3, 6, 7);
        const Lanes smallest = high < low ? high : low;
        std::memcpy(closestA + u, &smallest, sizeof smallest);
    }
    // The distance of an atom is the smallest of 100 and its closest distances: the square
    // root keeps the order, so it is taken of the closest square only.
    auto distance = [](double d2) {
        const double d = std::sqrt(d2);
        return d < 100 ? d : 100.0;
    };
    double sum = 0;
    for (int u = 0; u < ma; ++u) {
        sum += distance(closestA[u]);
    }
    for (int v = 0; v < mb; ++v) {
        sum += distance(closestB[v]);
    }
    const double d = sum / (ma + mb);
    result.P = 2 / (2 + d);
    return result;
}

MeasureInputs::MeasureInputs(const PreparedTable& table, int measure, int shapeMethod)
    : table_(table), measure_(measure), shapeMethod_(shapeMethod) {
    const int n = table.MoleculeCount;
    const int f = table.FragmentCount;
    if (measure == kChemical) {
        std::vector<std::string> names(table.HeaderTokens.begin() + 1,
                                       table.HeaderTokens.begin() + 1 + f);
        classes_ = ClassifyFragments(names);
        entropy_.assign(static_cast<std::size_t>(n) + 1, 0.0);
        presentStart_.assign(static_cast<std::size_t>(n) + 2, 0);
        PairScratch scratch;
        for (int i = 1; i <= n; ++i) {
            const double* amounts =
                &table.Values[static_cast<std::size_t>(i) * table.Columns() + 1];
            entropy_[static_cast<std::size_t>(i)] =
                FragmentEntropy(amounts, f, 1 / table.Fixed(i, kNormaliserColumn), classes_,
                                scratch.Work, scratch.Leader);
            for (int g = 0; g < f; ++g) {
                if (amounts[g] != 0) {
                    presentFragments_.push_back(g);
                }
            }
            presentStart_[static_cast<std::size_t>(i) + 1] = presentFragments_.size();
        }
        if (f <= 64) {
            presentBits_.assign(static_cast<std::size_t>(n) + 1, 0);
            for (int i = 1; i <= n; ++i) {
                for (std::size_t k = presentStart_[static_cast<std::size_t>(i)];
                     k < presentStart_[static_cast<std::size_t>(i) + 1]; ++k) {
                    presentBits_[static_cast<std::size_t>(i)] |= std::uint64_t{1}
                                                                 << presentFragments_[k];
                }
            }
        }
    } else if (measure == kShape && shapeMethod == kSuperposition) {
        atomCount_.assign(static_cast<std::size_t>(n) + 1, 0);
        for (int i = 1; i <= n; ++i) {
            int atoms = 0;
            while (atoms < kMaxAtoms && table.Atom(i, atoms, 0) != 0) {
                ++atoms;
            }
            atomCount_[static_cast<std::size_t>(i)] = atoms;
        }
        byAxis_.assign((static_cast<std::size_t>(n) + 1) * 3 * kMaxAtoms, 0.0);
        for (int i = 1; i <= n; ++i) {
            AtomsByAxis(&table.AtomCoordinates[static_cast<std::size_t>(i) * kMaxAtoms * 3],
                        atomCount_[static_cast<std::size_t>(i)],
                        &byAxis_[static_cast<std::size_t>(i) * 3 * kMaxAtoms]);
        }
    }
}

ChemicalProfile MeasureInputs::Profile(int i) const {
    const PreparedTable& s = table_;
    const std::size_t cols = static_cast<std::size_t>(s.Columns());
    return {&s.Values[static_cast<std::size_t>(i) * cols + 1], s.Fixed(i, kNormaliserColumn),
            s.Fixed(i, kSecondChemical), entropy_[static_cast<std::size_t>(i)]};
}

PairResult MeasureInputs::Chemical(int i, int j, PairScratch& scratch) const {
    const ChemicalProfile profileA = Profile(i);
    const ChemicalProfile profileB = Profile(j);
    if (profileA.Normaliser + profileB.Normaliser > 0) {
        // The fragments of either molecule, in ascending order.
        std::vector<int>& present = scratch.Present;
        present.clear();
        if (!presentBits_.empty()) {
            std::uint64_t bits = presentBits_[static_cast<std::size_t>(i)] |
                                 presentBits_[static_cast<std::size_t>(j)];
            while (bits != 0) {
                present.push_back(std::countr_zero(bits));
                bits &= bits - 1;
            }
        } else {
            const int* a = presentFragments_.data() + presentStart_[static_cast<std::size_t>(i)];
            const int* aEnd =
                presentFragments_.data() + presentStart_[static_cast<std::size_t>(i) + 1];
            const int* b = presentFragments_.data() + presentStart_[static_cast<std::size_t>(j)];
            const int* bEnd =
                presentFragments_.data() + presentStart_[static_cast<std::size_t>(j) + 1];
            while (a != aEnd && b != bEnd) {
                if (*a < *b) {
                    present.push_back(*a++);
                } else if (*b < *a) {
                    present.push_back(*b++);
                } else {
                    present.push_back(*a++);
                    ++b;
                }
            }
            present.insert(present.end(), a, aEnd);
            present.insert(present.end(), b, bEnd);
        }
        return PresentChemicalPair(profileA, profileB, present, classes_, scratch.Joint,
                                   scratch.PresentLeader);
    }
    return ChemicalPair(profileA, profileB, table_.FragmentCount, classes_, scratch);
}

PairResult MeasureInputs::CorrectedUsr(int i, int j) const {
    const PreparedTable& s = table_;
    const std::size_t cols = static_cast<std::size_t>(s.Columns());
    const double* rowA = &s.Values[static_cast<std::size_t>(i) * cols + s.FragmentCount];
    const double* rowB = &s.Values[static_cast<std::size_t>(j) * cols + s.FragmentCount];
    return CorrectedUsrPair(rowA + kUsrFirst, rowB + kUsrFirst, rowA[kShapeCorrection],
                            rowB[kShapeCorrection], rowA + kShape14, rowB + kShape14);
}

PairResult MeasureInputs::Superposition(int i, int j) const {
    const double* a = &byAxis_[static_cast<std::size_t>(i) * kMaxAtoms * 3];
    const double* b = &byAxis_[static_cast<std::size_t>(j) * kMaxAtoms * 3];
    return SuperposedAtomsPair(a, atomCount_[static_cast<std::size_t>(i)], b,
                               atomCount_[static_cast<std::size_t>(j)]);
}

PairResult MeasureInputs::Compute(int i, int j, PairScratch& scratch) const {
    PairResult result;
    switch (measure_) {
    case kChemical:
        result = Chemical(i, j, scratch);
        break;
    case kShape:
        result = shapeMethod_ == kSuperposition ? Superposition(i, j) : CorrectedUsr(i, j);
        break;
    case kSize:
        result.P = Ratio(table_.Fixed(i, kSizeColumn), table_.Fixed(j, kSizeColumn),
                         result.ZeroDenominator);
        break;
    case kHydrophilicity: {
        const double a = Ratio(table_.Fixed(i, kHydro1) + 0.1, table_.Fixed(j, kHydro1) + 0.1,
                               result.ZeroDenominator);
        const double b = Ratio(table_.Fixed(i, kHydro2) + 0.1, table_.Fixed(j, kHydro2) + 0.1,
                               result.ZeroDenominator);
        result.P = b < a ? b : a;
        break;
    }
    default:
        result.P = Ratio(table_.Fixed(i, kFlexColumn) + 0.1, table_.Fixed(j, kFlexColumn) + 0.1,
                         result.ZeroDenominator);
        break;
    }
    if (result.ZeroDenominator || !std::isfinite(result.P)) {
        result.ZeroDenominator = true;
        result.P = 0;
    }
    return result;
}

namespace {

/// Pairs per piece of work handed to a worker, and pieces per batch between two turns of
/// the window: a batch of corrected-USR or chemical pairs takes some milliseconds.
constexpr std::size_t kPairsPerPiece = 1024;
constexpr int kPiecesPerBatch = 64;

/// The pair bookkeeping of one piece (a run of consecutive pairs in loop order), merged
/// into the measure's statistics in piece order.
struct PieceTally {
    long High = 0;
    long Low = 0;
    double Lowest = 2;
    int LowestPair[2] = {0, 0};
    long ZeroCount = 0;
    std::vector<std::pair<int, int>> ZeroFirst; // the first ones of the piece
};

/// A run of consecutive pairs in loop order: the linear numbers First..Last-1, of which
/// pair (I, J) is the first.
struct PairRun {
    int I = 1;
    int J = 2;
    std::size_t First = 0;
    std::size_t Last = 0;
};

/// Computes the pairs of `run` into `values` (the similarity matrix's pairs in loop order),
/// adds their duplicate votes to `votes` and returns their bookkeeping.
PieceTally ComputePiece(const MeasureInputs& inputs, const PairRun& run, double* values,
                        std::uint8_t* votes, PairScratch& scratch) {
    PieceTally tally;
    const int n = inputs.MoleculeCount();
    int i = run.I;
    int j = run.J;
    for (std::size_t k = run.First; k < run.Last; ++k) {
        const PairResult r = inputs.Compute(i, j, scratch);
        const double p = r.P;
        if (r.ZeroDenominator) {
            ++tally.ZeroCount;
            if (tally.ZeroFirst.size() < kMaxZeroPairLines) {
                tally.ZeroFirst.emplace_back(i, j);
            }
        }
        if (p > 0.98) {
            ++tally.High;
            if (p > 0.99) {
                ++votes[k];
            }
        }
        if (r.ExtraVote) {
            ++votes[k];
        }
        if (p < 0.1) {
            ++tally.Low;
        }
        if (p < tally.Lowest) {
            tally.Lowest = p;
            tally.LowestPair[0] = i;
            tally.LowestPair[1] = j;
        }
        values[k] = p;
        if (++j > n) {
            ++i;
            j = i + 1;
        }
    }
    return tally;
}

} // namespace

PairLoopOutcome ComputePairSimilarities(const MeasureContext& context, PairMatrix& similarity,
                                        std::vector<std::uint8_t>& duplicateVotes) {
    const PreparedTable& table = context.Table;
    const int measure = context.Measure;
    WorkerPool& pool = context.Pool;
    ComputingWindow& window = context.Window;
    const int n = table.MoleculeCount;
    const std::size_t pairs = n < 2 ? 0 : static_cast<std::size_t>(n) * (n - 1) / 2;
    similarity.Resize(n);
    if (duplicateVotes.size() != pairs) {
        duplicateVotes.assign(pairs, 0);
    }
    PairLoopOutcome outcome;
    if (pairs == 0) {
        return outcome;
    }
    PairStatistics& statistics = outcome.Statistics;
    ZeroDenominatorPairs& zeroPairs = outcome.ZeroDenominators;

    const MeasureInputs inputs(table, measure, context.Choices.ShapeMethod);
    std::vector<PairScratch> scratch(static_cast<std::size_t>(pool.Size()));
    std::vector<PieceTally> tallies(kPiecesPerBatch);
    double* values = similarity.Data();
    std::uint8_t* votes = duplicateVotes.data();
    const std::string progress = kProgressTexts[measure];
    const std::string total = " / " + PlainNumber(static_cast<double>(pairs));
    window.BeginStage(std::string(KindWord(measure)) + " similarity of every pair",
                      static_cast<long long>(pairs));
    // The next row whose end has not been shown yet, and the linear number of its end.
    int captionRow = 1;
    std::size_t rowEnd = static_cast<std::size_t>(n - 1);
    const std::size_t batchPairs = kPairsPerPiece * kPiecesPerBatch;
    for (std::size_t batch = 0; batch < pairs; batch += batchPairs) {
        const std::size_t batchEnd = std::min(pairs, batch + batchPairs);
        const int pieces =
            static_cast<int>((batchEnd - batch + kPairsPerPiece - 1) / kPairsPerPiece);
        pool.ForEach(pieces, 1, [&](int firstPiece, int lastPiece, int worker) {
            for (int q = firstPiece; q < lastPiece; ++q) {
                const std::size_t first = batch + static_cast<std::size_t>(q) * kPairsPerPiece;
                const std::size_t last = std::min(batchEnd, first + kPairsPerPiece);
                // Row i holds the pairs Index(i, i+1) .. Index(i, N); find the row of `first`.
                int lo = 1;
                int hi = n - 1;
                while (lo < hi) {
                    const int mid = lo + (hi - lo + 1) / 2;
                    if (similarity.Index(mid, mid + 1) <= first) {
                        lo = mid;
                    } else {
                        hi = mid - 1;
                    }
                }
                const int j = lo + 1 + static_cast<int>(first - similarity.Index(lo, lo + 1));
                tallies[static_cast<std::size_t>(q)] =
                    ComputePiece(inputs, PairRun{lo, j, first, last}, values, votes,
                                 scratch[static_cast<std::size_t>(worker)]);
            }
        });
        for (int q = 0; q < pieces; ++q) {
            const PieceTally& tally = tallies[static_cast<std::size_t>(q)];
            statistics.HighPairCount += tally.High;
            statistics.LowPairCount += tally.Low;
            if (tally.Lowest < statistics.LowestSimilarity) {
                statistics.LowestSimilarity = tally.Lowest;
                statistics.LowestPair[0] = tally.LowestPair[0];
                statistics.LowestPair[1] = tally.LowestPair[1];
            }
            zeroPairs.Count += tally.ZeroCount;
            for (const auto& pair : tally.ZeroFirst) {
                if (zeroPairs.First.size() >= kMaxZeroPairLines) {
                    break;
                }
                zeroPairs.First.push_back(pair);
            }
        }
        // The window's turns come as often as when it was yielded to after every pair, and
        // the caption shows the end of every row the batch finished.
        for (std::size_t k = batch; k < batchEnd;) {
            const std::size_t stop = std::min(batchEnd, rowEnd);
            window.Yield(static_cast<unsigned long long>(stop - k));
            k = stop;
            if (k == rowEnd) {
                window.SetCaption(progress + PlainNumber(static_cast<double>(rowEnd)) + total);
                window.CountDone(static_cast<long long>(rowEnd));
                ++captionRow;
                rowEnd += static_cast<std::size_t>(n - captionRow);
            }
        }
    }
    return outcome;
}

std::string_view KindWord(int measure) {
    static const char* const kWords[] = {"",     "chemical",       "shape",
                                         "size", "hydrophilicity", "flexibility"};
    return kWords[measure];
}

void ReportZeroDenominators(const RunChoices& choices, const PreparedTable& table, int measure,
                            const ZeroDenominatorPairs& zeroPairs) {
    if (zeroPairs.Count == 0) {
        return;
    }
    ReportAppender report(choices.ResultsFileName);
    const std::string kind(KindWord(measure));
    report.Line();
    for (const auto& [i, j] : zeroPairs.First) {
        report.Line("Division by zero in the " + kind + " similarity of the molecules " +
                    table.Names[static_cast<std::size_t>(i)] + " and " +
                    table.Names[static_cast<std::size_t>(j)] + ": SIM = 0 for this pair");
    }
    const long rest = zeroPairs.Count - static_cast<long>(zeroPairs.First.size());
    if (rest > 0) {
        report.Line("Division by zero in the " + kind + " similarity of " + std::to_string(rest) +
                    " more pairs of molecules: SIM = 0 for them");
    }
    report.Close();
}

void ReportPairStatistics(const RunChoices& choices, const PreparedTable& table,
                          const PairStatistics& statistics, int measure) {
    const std::string kind(KindWord(measure));
    ReportAppender report(choices.ResultsFileName);
    if (statistics.HighPairCount == 0) {
        report.Line();
        report.Line("THERE ARE NO molecules having very high " + kind + " similarity (SIM > 0.98)");
    } else {
        report.Line();
        report.Line("THERE ARE " + PlainNumber(static_cast<double>(statistics.HighPairCount)) +
                    " molecules pairs having very high " + kind + " similarity (SIM > 0.98)");
        report.Line();
    }
    if (statistics.LowPairCount == 0) {
        report.Line();
        report.Line("THERE ARE NO molecules having very low " + kind + " similarity (SIM < 0.1)");
    } else {
        report.Line("THERE ARE " + PlainNumber(static_cast<double>(statistics.LowPairCount)) +
                    " molecules pairs having very low " + kind + " similarity (SIM < 0.1)");
    }
    report.Line();
    report.Line("The molecules " + table.Names[static_cast<std::size_t>(statistics.LowestPair[0])] +
                " and " + table.Names[static_cast<std::size_t>(statistics.LowestPair[1])]);
    report.Line("present lowest " + kind + " similarity SIM = " +
                PlainNumber(RoundDown(statistics.LowestSimilarity, 4)) + " within [0, 1] range");
    if (measure == kChemical) {
        report.Line("because the molecular fragments are very different.");
    }
    report.Line();
    report.Close();
}

} // namespace kalemir::sim
