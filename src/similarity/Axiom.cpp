#include "similarity/Axiom.h"

#include "common/ComputingWindow.h"
#include "common/Inversions.h"
#include "common/NumberText.h"
#include "common/Report.h"
#include "common/Rounding.h"
#include "common/WorkerPool.h"
#include "similarity/Measures.h"

#include <algorithm>
#include <cmath>

namespace kalemir::sim {

namespace {

const char* const kUpperWords[] = {"",     "STRUCTURE",      "SHAPE",
                                   "SIZE", "HYDROPHILICITY", "FLEXIBILITY"};
const char* const kCliffTitles[] = {"",
                                    "The pairs with maximum Chemical Structure cliff",
                                    "The pairs with maximum Shape cliff",
                                    "The pairs with maximum Size cliff",
                                    "The pairs with maximum Hydrophilicity cliff",
                                    "The pairs with maximum Flexibility cliff"};
const char* const kDiversityTitles[] = {"",
                                        "FROM THE POINT OF VIEW OF CHEMICAL STRUCTURE",
                                        "FROM THE POINT OF VIEW OF MOLECULAR SHAPE",
                                        "FROM THE POINT OF VIEW OF MOLECULAR SIZE",
                                        "FROM THE POINT OF VIEW OF MOLECULAR HYDROPHILICITY",
                                        "FROM THE POINT OF VIEW OF MOLECULAR FLEXIBILITY"};
const char* const kContentTitles[] = {
    "",
    "ACCORDING TO CONTENT OF THE CLUSTERS BY CHEMICAL STRUCTURE",
    "ACCORDING TO CONTENT OF THE CLUSTERS BY MOLECULAR SHAPE",
    "ACCORDING TO CONTENT OF THE CLUSTERS BY MOLECULAR SIZE",
    "ACCORDING TO CONTENT OF THE CLUSTERS BY MOLECULAR HYDROPHILICITY",
    "ACCORDING TO CONTENT OF THE CLUSTERS BY MOLECULAR FLEXIBILITY"};

int Sign(double x) {
    return x > 0 ? 1 : (x < 0 ? -1 : 0);
}

struct PropertyRange {
    double Max = 0;
    double Min = 0;
};

/// Largest and smallest Property value of the calibration set.
PropertyRange CalibrationRange(const PreparedTable& table) {
    PropertyRange range;
    for (int i = 1; i <= table.CalibrationCount; ++i) {
        const double p = table.Fixed(i, kPropertyColumn);
        if (i == 1 || p > range.Max) {
            range.Max = p;
        }
        if (i == 1 || p < range.Min) {
            range.Min = p;
        }
    }
    return range;
}

std::string PairTotalText(int nc) {
    return " / " + PlainNumber(static_cast<double>(nc) * (nc - 1) / 2);
}

} // namespace

double Dec4(double x) {
    return RoundDown(x, 4);
}

double PropertySimilarity(double pa, double pb, double pMax, double pMin) {
    if (pMax == pMin) {
        return 1;
    }
    return 1 - std::fabs(pa - pb) / (pMax - pMin);
}

long SampledRunningNumber(long m, long pairs) {
    return static_cast<long>(
        std::floor(0.5 + static_cast<double>(m) * static_cast<double>(pairs) / 10000.0));
}

PairList ListCalibrationPairs(const PreparedTable& table, const PairMatrix& similarity, int measure,
                              ComputingWindow& window) {
    (void)measure;
    const int nc = table.CalibrationCount;
    const long pairs = static_cast<long>(nc) * (nc - 1) / 2;
    const PropertyRange range = CalibrationRange(table);
    const bool sampled = pairs > kMaxListedPairs;
    PairList list;
    const auto length = static_cast<std::size_t>(sampled ? kMaxListedPairs : pairs);
    list.Keys.reserve(length);
    list.Values.reserve(length);
    const std::string caption = " Computation of the PROPERTY similarities    ";
    const std::string total = PairTotalText(nc);
    window.BeginStage("property similarity of the calibration pairs", pairs);
    long running = 0;
    long m = 1;
    long next = sampled ? SampledRunningNumber(m, pairs) : 1;
    for (int a = 1; a < nc; ++a) {
        const double pa = table.Fixed(a, kPropertyColumn);
        const double* row = similarity.Row(a);
        auto listPair = [&](int b) {
            const double q =
                PropertySimilarity(pa, table.Fixed(b, kPropertyColumn), range.Max, range.Min);
            list.Keys.push_back(row[b - a - 1] + q / 10000);
            list.Values.push_back(q);
            window.Yield();
        };
        const long rowEnd = running + (nc - a);
        if (sampled) {
            // Pair (a, b) has running number running + b - a: go straight to the sampled ones.
            while (next != 0 && next <= rowEnd) {
                listPair(a + static_cast<int>(next - running));
                ++m;
                next = m <= kMaxListedPairs ? SampledRunningNumber(m, pairs) : 0;
            }
        } else {
            for (int b = a + 1; b <= nc; ++b) {
                listPair(b);
            }
        }
        running = rowEnd;
        window.SetCaption(caption + PlainNumber(static_cast<double>(running)) + total);
        window.CountDone(running);
    }
    return list;
}

namespace {

/// Sum over every two records of +1 when their keys and values differ in the same
/// direction (or are both tied) and -1 otherwise, record by record: the plain statement,
/// used when a value is not a number (its differences have no sign).
long long AgreementByPairs(const PairList& list) {
    const std::size_t length = list.Keys.size();
    const double* keys = list.Keys.data();
    const double* values = list.Values.data();
    long long agreement = 0;
    for (std::size_t u = 0; u + 1 < length; ++u) {
        const double ku = keys[u];
        const double vu = values[u];
        long long rowAgreement = 0;
        for (std::size_t v = u + 1; v < length; ++v) {
            rowAgreement += Sign(ku - keys[v]) == Sign(vu - values[v]) ? 1 : -1;
        }
        agreement += rowAgreement;
    }
    return agreement;
}

/// Pairs within runs of equal entries of a sorted sequence.
template <typename Equal> long long TiedPairs(std::size_t length, Equal equal) {
    long long tied = 0;
    std::size_t start = 0;
    for (std::size_t i = 1; i <= length; ++i) {
        if (i == length || !equal(i - 1, i)) {
            const long long run = static_cast<long long>(i - start);
            tied += run * (run - 1) / 2;
            start = i;
        }
    }
    return tied;
}

/// The same sum from counts of concordant, discordant and tied pairs (sorting and
/// merging, n log n instead of n^2): every count is a whole number, so the sum is exact.
long long AgreementByCounts(const PairList& list) {
    const std::size_t length = list.Keys.size();
    const std::vector<double>& keys = list.Keys;
    const std::vector<double>& values = list.Values;
    std::vector<std::size_t> order(length);
    for (std::size_t i = 0; i < length; ++i) {
        order[i] = i;
    }
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return keys[a] < keys[b] || (keys[a] == keys[b] && values[a] < values[b]);
    });
    const long long total =
        static_cast<long long>(length) * (static_cast<long long>(length) - 1) / 2;
    const long long tiedKeys = TiedPairs(
        length, [&](std::size_t a, std::size_t b) { return keys[order[a]] == keys[order[b]]; });
    const long long tiedBoth = TiedPairs(length, [&](std::size_t a, std::size_t b) {
        return keys[order[a]] == keys[order[b]] && values[order[a]] == values[order[b]];
    });
    std::vector<double> byKey(length);
    for (std::size_t i = 0; i < length; ++i) {
        byKey[i] = values[order[i]];
    }
    // Pairs tied in the key are in value order, so every inversion is a discordant pair.
    const long long discordant = CountInversions(byKey);
    // byKey is now sorted by value.
    const long long tiedValues =
        TiedPairs(length, [&](std::size_t a, std::size_t b) { return byKey[a] == byKey[b]; });
    const long long concordant = total - discordant - tiedKeys - tiedValues + tiedBoth;
    const long long agreeing = concordant + tiedBoth;
    return 2 * agreeing - total;
}

} // namespace

double RankAgreement(const PairList& list) {
    const std::size_t length = list.Keys.size();
    if (length < 2) {
        return 0;
    }
    const auto isNan = [](double x) { return std::isnan(x); };
    const bool numbers = std::none_of(list.Keys.begin(), list.Keys.end(), isNan) &&
                         std::none_of(list.Values.begin(), list.Values.end(), isNan);
    const long long agreement = numbers ? AgreementByCounts(list) : AgreementByPairs(list);
    const double l = static_cast<double>(length);
    return 2 * static_cast<double>(agreement) / (l * (l - 1));
}

double Observance(double tau) {
    return Sign(tau) * Dec4(std::fabs(tau));
}

namespace {

/// The cliffs of the calibration rows a0..a1-1: the first pair in loop order of each
/// largest ratio, as the loop over all pairs keeps them.
Cliffs RowCliffs(const PreparedTable& table, const PairMatrix& similarity, int a0, int a1) {
    Cliffs cliffs;
    const int nc = table.CalibrationCount;
    for (int a = a0; a < a1; ++a) {
        const double pa = table.Fixed(a, kPropertyColumn);
        const double* row = similarity.Row(a);
        for (int b = a + 1; b <= nc; ++b) {
            const double pb = table.Fixed(b, kPropertyColumn);
            const double lo = pa < pb ? pa : pb;
            const double hi = pa < pb ? pb : pa;
            const double ratio = lo + hi == 0 ? 1.0 : 2 * lo / (lo + hi);
            const double s = row[b - a - 1];
            const double s3 = s * s * s;
            const double property = ratio + 0.01 == 0 ? 0.0 : 2 * (s3 / (ratio + 0.01)) / 11;
            const double structure = ratio / (1 + s3);
            if (property > cliffs.Property.Value) {
                cliffs.Property = {property, a, b};
            }
            if (structure > cliffs.Structure.Value) {
                cliffs.Structure = {structure, a, b};
            }
        }
    }
    return cliffs;
}

} // namespace

Cliffs FindCliffs(const PreparedTable& table, const PairMatrix& similarity, int measure,
                  ComputingWindow& window, WorkerPool& pool) {
    Cliffs cliffs;
    const int nc = table.CalibrationCount;
    const std::string caption = std::string(" The identification of the Property / ") +
                                kUpperWords[measure] + " cliffs    ";
    const std::string total = PairTotalText(nc);
    window.BeginStage("property cliffs of " + std::string(KindWord(measure)) + " similarity",
                      static_cast<long long>(nc) * (nc - 1) / 2);
    // Pieces of whole rows of about kPairsPerPiece pairs; the workers find each piece's
    // cliffs, merged in row order (a later piece wins only with a larger ratio), and the
    // window gets the turns and captions of every pair and row between two batches.
    constexpr long kPairsPerPiece = 16384;
    constexpr int kPiecesPerBatch = 16;
    std::vector<int> pieceStart;
    long pairsInPiece = 0;
    for (int a = 1; a < nc; ++a) {
        if (pairsInPiece == 0) {
            pieceStart.push_back(a);
        }
        pairsInPiece += nc - a;
        if (pairsInPiece >= kPairsPerPiece) {
            pairsInPiece = 0;
        }
    }
    const int pieces = static_cast<int>(pieceStart.size());
    pieceStart.push_back(nc < 1 ? 1 : nc);
    std::vector<Cliffs> found(static_cast<std::size_t>(kPiecesPerBatch));
    double running = 0;
    for (int batch = 0; batch < pieces; batch += kPiecesPerBatch) {
        const int count = std::min(kPiecesPerBatch, pieces - batch);
        pool.ForEach(count, 1, [&](int first, int last, int) {
            for (int q = first; q < last; ++q) {
                const auto piece = static_cast<std::size_t>(batch + q);
                found[static_cast<std::size_t>(q)] =
                    RowCliffs(table, similarity, pieceStart[piece], pieceStart[piece + 1]);
            }
        });
        for (int q = 0; q < count; ++q) {
            const Cliffs& piece = found[static_cast<std::size_t>(q)];
            if (piece.Property.Value > cliffs.Property.Value) {
                cliffs.Property = piece.Property;
            }
            if (piece.Structure.Value > cliffs.Structure.Value) {
                cliffs.Structure = piece.Structure;
            }
        }
        const auto rowsEnd = static_cast<std::size_t>(batch + count);
        for (int a = pieceStart[static_cast<std::size_t>(batch)]; a < pieceStart[rowsEnd]; ++a) {
            window.Yield(static_cast<unsigned long long>(nc - a));
            running += nc - a;
            window.SetCaption(caption + PlainNumber(running) + total);
            window.CountDone(static_cast<long long>(running));
        }
    }
    return cliffs;
}

void CheckAxiom(const MeasureContext& context, const PairMatrix& similarity,
                MeasureSummary& summary) {
    const PreparedTable& table = context.Table;
    const int measure = context.Measure;
    ComputingWindow& window = context.Window;
    const PairList list = ListCalibrationPairs(table, similarity, measure, window);
    window.SetCaption(std::string("   Checking the QSPR axiom (") + kUpperWords[measure] +
                      ") ... wait several minutes ... ");
    const double observance = Observance(RankAgreement(list));
    summary.At(2, measure) = observance;
    const Cliffs cliffs = FindCliffs(table, similarity, measure, window, context.Pool);

    const std::string kind(KindWord(measure));
    auto name = [&](int i) { return table.Names[static_cast<std::size_t>(i)]; };
    ReportAppender report(context.Choices.ResultsFileName);
    report.Line();
    if (measure == kChemical) {
        report.Line(
            "ACCORDING TO THE QSPR AXIOM SIMILAR MOLECULES HAVE SIMILAR VALUES OF THE PROPERTY.");
        report.Line();
    }
    report.Line("The observance of the axiom in the analyzed calibration set");
    report.Line(measure == kChemical ? "from the point of view of chemical structure similarity"
                                     : "from the point of view of " + kind + " similarity");
    report.Line("is " + PlainNumber(observance) + " within [-1, +1] range.");
    report.Line();
    report.Line("The pairs with maximum Property cliffs");
    report.Line("i.e. highest " + kind + " similarity / Property similarity ratio.");
    report.Line("Cliff = " + PlainNumber(Dec4(cliffs.Property.Value)) + "  " +
                name(cliffs.Property.A) + " - " + name(cliffs.Property.B));
    report.Line();
    report.Line(kCliffTitles[measure]);
    report.Line("i.e. highest Property similarity / " + kind + " similarity ratio.");
    report.Line("Cliff = " + PlainNumber(Dec4(cliffs.Structure.Value)) + "  " +
                name(cliffs.Structure.A) + " - " + name(cliffs.Structure.B));
    report.Close();
}

double SetEntropy(const std::vector<int>& counts, int n) {
    double sum = 0;
    for (int c : counts) {
        if (c > 0) {
            const double share = static_cast<double>(c) / n;
            sum += share * std::log(share);
        }
    }
    return -sum;
}

double Diversity(double entropy, int n) {
    if (n <= 1) {
        return 0;
    }
    return (entropy + 0.1) / (std::log(static_cast<double>(n)) + 0.1);
}

void ReportDiversity(const RunChoices& choices, const PreparedTable& table,
                     const std::vector<Cluster>& clusters, int measure, MeasureSummary& summary,
                     ComputingWindow& window) {
    std::vector<int> total;
    std::vector<int> calibration;
    std::vector<int> prediction;
    for (const Cluster& cluster : clusters) {
        total.push_back(cluster.Total);
        calibration.push_back(cluster.Calibration);
        prediction.push_back(cluster.Prediction);
    }
    const int n = table.MoleculeCount;
    const int nc = table.CalibrationCount;
    const int np = table.PredictionCount;
    const double hDb = SetEntropy(total, n);
    const double dDb = Diversity(hDb, n);
    // ln n of the range line; an empty set's range is [0, 0].
    auto logOf = [](int count) { return count > 0 ? std::log(static_cast<double>(count)) : 0.0; };

    ReportAppender report(choices.ResultsFileName);
    auto block = [&](double d, double h, int count) {
        report.Line("IS " + PlainNumber(Dec4(d)));
        report.Line("WITHIN [0, 1] RANGE.");
        report.Line("AND");
        report.Line("THE SHANNON ENTROPY");
        report.Line("IS " + PlainNumber(Dec4(h)));
        report.Line("WITHIN [0, " + PlainNumber(Dec4(logOf(count))) + "] RANGE.");
    };
    if (np == 0) {
        report.Line(kDiversityTitles[measure]);
        report.Line("THE DIVERSITY OF THE ANALYZED MOLECULES");
        block(dDb, hDb, n);
    } else {
        const double hC = SetEntropy(calibration, nc);
        const double dC = Diversity(hC, nc);
        const double hP = SetEntropy(prediction, np);
        const double dP = Diversity(hP, np);
        bool unused = false;
        const double a = Ratio(hC + 0.1, hDb + 0.1, unused);
        const double b = Ratio(hP + 0.1, hDb + 0.1, unused);
        const double setSimilarity = a * b;
        summary.At(1, measure) = setSimilarity;
        summary.At(3, measure) = dC;
        summary.At(4, measure) = dP;
        summary.At(5, measure) = dDb;
        if (measure == kChemical) {
            report.Line();
        }
        report.Line(kContentTitles[measure]);
        report.Line();
        report.Line("THE DIVERSITY OF THE CALIBRATION SET");
        block(dC, hC, nc);
        report.Line();
        report.Line("THE DIVERSITY OF THE PREDICTION SET");
        block(dP, hP, np);
        report.Line();
        report.Line("THE DIVERSITY OF THE DATABASE (CALIBRATION SET + PREDICTION SET)");
        block(dDb, hDb, n);
        report.Line();
        report.Line("THE SIMILARITY OF THE CALIBRATION AND PREDICTION SETS");
        report.Line("IS " + PlainNumber(Dec4(setSimilarity)));
        report.Line("WITHIN [0, 1] RANGE.");
        report.Line(std::string(60, '-'));
        report.Line(std::string(60, '-'));
    }
    report.Close();
    window.SetCaption(std::string(63, ' '));
}

} // namespace kalemir::sim
