#include "similarity/Clusters.h"

#include "common/ComputingWindow.h"
#include "common/NumberText.h"
#include "common/Report.h"
#include "common/WorkerPool.h"
#include "similarity/SimTable.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace kalemir::sim {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

const char* const kClusterTitles[] = {
    "",
    "CLUSTERS IN THE ANALYZED DATABASE ACCORDING TO CHEMICAL SIMILARITY",
    "CLUSTERS IN THE ANALYZED DATABASE ACCORDING TO SHAPE SIMILARITY",
    "CLUSTERS IN THE ANALYZED DATABASE ACCORDING TO SIZE SIMILARITY",
    "CLUSTERS IN THE ANALYZED DATABASE ACCORDING TO HYDROPHILICITY SIMILARITY",
    "CLUSTERS IN THE ANALYZED DATABASE ACCORDING TO FLEXIBILITY SIMILARITY"};

const char* const kClusterCaptions[] = {
    "",
    " Identification of the chemical clusters ... wait ...",
    " Identification of the shape clusters ... wait ...",
    " Identification of the size clusters ... wait ...",
    " Identification of the hidrophilicity clusters ... wait ...",
    " Identification of the flexibility clusters ... wait ..."};

} // namespace

namespace {

std::size_t LowerStart(int x) {
    return static_cast<std::size_t>(x - 1) * static_cast<std::size_t>(x - 2) / 2;
}

} // namespace

SimilarityRows::SimilarityRows(const PairMatrix& similarity, WorkerPool& pool, bool copy,
                               std::vector<double>* space)
    : similarity_(similarity), space_(space) {
    const int n = similarity.Size();
    if (!copy || n < 2) {
        return;
    }
    if (space_ != nullptr) {
        lower_.swap(*space_); // its pages are kept from the last measure
    }
    lower_.resize(static_cast<std::size_t>(n) * static_cast<std::size_t>(n - 1) / 2);
    // Row x of the transpose gathers column x of the matrix. A piece fills the rows of a
    // run of consecutive x, in tiles of a few matrix rows: each tile reads short runs of
    // its matrix rows and writes contiguous runs of the transpose, all within the cache.
    constexpr int kRowsPerPiece = 256;
    constexpr int kTileRows = 64;
    const int pieces = (n - 1 + kRowsPerPiece - 1) / kRowsPerPiece;
    pool.ForEach(pieces, 1, [&](int first, int last, int) {
        const double* in[kTileRows];
        for (int q = first; q < last; ++q) {
            const int x0 = 2 + q * kRowsPerPiece;
            const int x1 = std::min(n + 1, x0 + kRowsPerPiece);
            for (int i0 = 1; i0 < x1 - 1; i0 += kTileRows) {
                const int i1 = std::min(i0 + kTileRows, x1 - 1);
                for (int i = i0; i < i1; ++i) {
                    in[i - i0] = similarity.Row(i);
                }
                for (int x = std::max(x0, i0 + 1); x < x1; ++x) {
                    double* out = lower_.data() + LowerStart(x); // out[i - 1] = S[i][x]
                    const int end = std::min(i1, x);
                    for (int i = i0; i < end; ++i) {
                        out[i - 1] = in[i - i0][x - i - 1];
                    }
                }
            }
        }
    });
}

SimilarityRows::~SimilarityRows() {
    if (space_ != nullptr && !lower_.empty()) {
        lower_.swap(*space_);
    }
}

SimilarityRows::View SimilarityRows::Get(int x, std::vector<double>& row) const {
    const int n = similarity_.Size();
    if (!Copied()) {
        Load(x, row);
        return {row.data() + 1, row.data() + x + 1, x};
    }
    return {x > 1 ? lower_.data() + LowerStart(x) : nullptr, x < n ? similarity_.Row(x) : nullptr,
            x};
}

void SimilarityRows::Load(int x, std::vector<double>& row) const {
    const int n = similarity_.Size();
    row.resize(static_cast<std::size_t>(n) + 1);
    if (!Copied()) {
        for (int i = 1; i <= n; ++i) {
            row[static_cast<std::size_t>(i)] = similarity_(x, i);
        }
        return;
    }
    if (x > 1) {
        std::memcpy(&row[1], lower_.data() + LowerStart(x),
                    static_cast<std::size_t>(x - 1) * sizeof(double));
    }
    row[static_cast<std::size_t>(x)] = 0;
    if (x < n) {
        std::memcpy(&row[static_cast<std::size_t>(x) + 1], similarity_.Row(x),
                    static_cast<std::size_t>(n - x) * sizeof(double));
    }
}

std::vector<Cluster> FindClusters(const PairMatrix& similarity, int calibrationCount, double t,
                                  WorkerPool& pool) {
    std::vector<double> space;
    return FindClusters(similarity, calibrationCount, t, pool, space);
}

std::vector<Cluster> FindClusters(const PairMatrix& similarity, int calibrationCount, double t,
                                  WorkerPool& pool, std::vector<double>& space,
                                  std::size_t maxCopiedPairs) {
    const int n = similarity.Size();
    const auto size = static_cast<std::size_t>(n) + 1;
    std::vector<Cluster> clusters;
    std::vector<char> assigned(size, 0);
    const std::size_t pairs = n < 2 ? 0 : static_cast<std::size_t>(n) * (n - 1) / 2;
    const SimilarityRows rows(similarity, pool, pairs <= maxCopiedPairs, &space);
    // Affinity of every molecule to all the others, summed in molecule order.
    std::vector<double> affinity(size, 0.0);
    if (rows.Copied() && n >= 2) {
        // Molecule x's sum runs over S[1..x-1][x] (its row of the transpose), then over
        // S[x][x+1..N]: the order of the loop over pairs, so each molecule is summed alone.
        constexpr int kMoleculesPerPiece = 64;
        pool.ForEach((n + kMoleculesPerPiece - 1) / kMoleculesPerPiece, 1,
                     [&](int firstPiece, int lastPiece, int) {
                         std::vector<double> unused;
                         const int x0 = 1 + firstPiece * kMoleculesPerPiece;
                         const int x1 = std::min(n + 1, 1 + lastPiece * kMoleculesPerPiece);
                         for (int x = x0; x < x1; ++x) {
                             const SimilarityRows::View v = rows.Get(x, unused);
                             double sum = 0;
                             for (int i = 0; i < x - 1; ++i) {
                                 sum += AffinityTerm(v.Before[i], t);
                             }
                             for (int j = 0; j < n - x; ++j) {
                                 sum += AffinityTerm(v.After[j], t);
                             }
                             affinity[static_cast<std::size_t>(x)] = sum;
                         }
                     });
    } else {
        for (int i = 1; i < n; ++i) {
            const double* row = similarity.Row(i);
            for (int j = i + 1; j <= n; ++j) {
                const double term = AffinityTerm(row[j - i - 1], t);
                affinity[static_cast<std::size_t>(i)] += term;
                affinity[static_cast<std::size_t>(j)] += term;
            }
        }
    }
    // Where the rows are gathered when there is no copy.
    std::vector<double> row(size, 0.0);
    // Seed: the least connected molecule (first in table order on ties).
    int first = 0;
    double smallest = kInfinity;
    for (int i = 1; i <= n; ++i) {
        if (affinity[static_cast<std::size_t>(i)] < smallest) {
            smallest = affinity[static_cast<std::size_t>(i)];
            first = i;
        }
    }
    // `placed` holds the affinity of each unassigned molecule to the assigned ones; during
    // seeding the assigned molecules are exactly the first members.
    std::vector<double> placed(size, 0.0);
    // Assigns x (its similarities in v) and returns the next unassigned molecule: the one
    // with the smallest `placed` (seeding) or the largest (growth), first in table order on
    // ties, 0 when none is left. One pass adds x's terms and compares the new sums.
    // Cluster of each molecule that is a cluster's first member, otherwise -1.
    std::vector<int> firstOf(size, -1);
    // The clusters whose first member is similar (above t) to the molecule being assigned,
    // found in the same pass when `near` is given.
    std::vector<int>* near = nullptr;
    auto assign = [&](const SimilarityRows::View& v, bool least) {
        const int x = v.X;
        assigned[static_cast<std::size_t>(x)] = 1;
        int next = 0;
        double best = least ? kInfinity : -kInfinity;
        auto visit = [&](int i, double s) {
            if (assigned[static_cast<std::size_t>(i)]) {
                const int cluster = firstOf[static_cast<std::size_t>(i)];
                if (near != nullptr && cluster >= 0 && s > t) {
                    near->push_back(cluster);
                }
                return;
            }
            double& p = placed[static_cast<std::size_t>(i)];
            p += AffinityTerm(s, t);
            if (least ? p < best : p > best) {
                best = p;
                next = i;
            }
        };
        for (int i = 1; i < x; ++i) {
            visit(i, v.Before[i - 1]);
        }
        for (int i = x + 1; i <= n; ++i) {
            visit(i, v.After[i - x - 1]);
        }
        return next;
    };
    auto openCluster = [&](const SimilarityRows::View& v, bool least) {
        firstOf[static_cast<std::size_t>(v.X)] = static_cast<int>(clusters.size());
        clusters.emplace_back();
        clusters.back().Members.push_back(v.X);
        return assign(v, least);
    };
    std::vector<int> seeds{first};
    int candidate = openCluster(rows.Get(first, row), true);
    // Further seeds: the molecule least connected to the seeds, while it is not similar
    // (above t) to any of them.
    while (candidate != 0) {
        const SimilarityRows::View v = rows.Get(candidate, row);
        const bool nearSeed =
            std::any_of(seeds.begin(), seeds.end(), [&](int s) { return v[s] > t; });
        if (nearSeed) {
            break;
        }
        seeds.push_back(candidate);
        candidate = openCluster(v, true);
    }
    // Growth: the best connected unassigned molecule joins the admissible cluster with the
    // largest mean affinity, or opens a new cluster.
    int chosen = 0;
    double largest = -kInfinity;
    for (int i = 1; i <= n; ++i) {
        if (!assigned[static_cast<std::size_t>(i)] &&
            placed[static_cast<std::size_t>(i)] > largest) {
            largest = placed[static_cast<std::size_t>(i)];
            chosen = i;
        }
    }
    // A step assigns the chosen molecule first: its terms and the next choice do not depend
    // on which cluster it joins, and the same pass finds the clusters it may join, those
    // whose first member it is similar to (no other cluster is admissible).
    std::vector<int> nearClusters;
    near = &nearClusters;
    while (chosen != 0) {
        const SimilarityRows::View v = rows.Get(chosen, row);
        nearClusters.clear();
        const int next = assign(v, false);
        std::sort(nearClusters.begin(), nearClusters.end());
        Cluster* best = nullptr;
        double bestMean = -kInfinity;
        for (int c : nearClusters) {
            Cluster& cluster = clusters[static_cast<std::size_t>(c)];
            double sum = 0;
            bool admissible = true;
            for (int m : cluster.Members) {
                const double s = v[m];
                if (!(s > t)) {
                    admissible = false;
                    break;
                }
                sum += AffinityTerm(s, t);
            }
            if (!admissible) {
                continue;
            }
            const double mean = sum / static_cast<double>(cluster.Members.size());
            if (mean > 0 && mean > bestMean) {
                bestMean = mean;
                best = &cluster;
            }
        }
        if (best != nullptr) {
            best->Members.push_back(chosen);
        } else {
            firstOf[static_cast<std::size_t>(chosen)] = static_cast<int>(clusters.size());
            clusters.emplace_back();
            clusters.back().Members.push_back(chosen);
        }
        chosen = next;
    }
    for (Cluster& cluster : clusters) {
        std::sort(cluster.Members.begin(), cluster.Members.end());
        cluster.Calibration =
            static_cast<int>(std::count_if(cluster.Members.begin(), cluster.Members.end(),
                                           [&](int m) { return m <= calibrationCount; }));
        cluster.Total = static_cast<int>(cluster.Members.size());
        cluster.Prediction = cluster.Total - cluster.Calibration;
    }
    return clusters;
}

void ReportClusterHeading(const RunChoices& choices, int measure, ComputingWindow& window) {
    ReportAppender report(choices.ResultsFileName);
    report.Line();
    report.Line(std::string(79, '-'));
    report.Line();
    report.Line("Minimum similarity in clusters = " +
                PlainNumber(choices.MinClusterSimilarity[measure]));
    report.Line(kClusterTitles[measure]);
    report.Line();
    report.Close();
    window.SetCaption(kClusterCaptions[measure]);
}

void MarkMixedClusters(const PreparedTable& table, const std::vector<Cluster>& clusters,
                       std::vector<int>& marks) {
    if (table.PredictionCount == 0) {
        return;
    }
    for (const Cluster& cluster : clusters) {
        if (cluster.Calibration * cluster.Prediction > 0) {
            for (int m : cluster.Members) {
                ++marks[static_cast<std::size_t>(m)];
            }
        }
    }
}

void WriteCluDatabase(const RunChoices& choices, const PreparedTable& table,
                      const std::vector<Cluster>& clusters, RunResults& results) {
    const Cluster* chosen = nullptr;
    double largest = 0;
    for (const Cluster& cluster : clusters) {
        const double value = cluster.Calibration * std::sqrt(cluster.Prediction + 1.0);
        if (value > largest) {
            largest = value;
            chosen = &cluster;
        }
    }
    if (chosen == nullptr) {
        return;
    }
    results.CluCalibrationCount = chosen->Calibration;
    results.CluPredictionCount = chosen->Prediction;
    ReportAppender file(NamePrefix(choices.TableFileName) + "CLU", ReportAppender::Mode::Create);
    file.Line(kDatabaseHeader);
    for (int m : chosen->Members) {
        if (m <= table.CalibrationCount) {
            file.Line(table.Names[static_cast<std::size_t>(m)] + "\t" +
                      table.PropertyTokens[static_cast<std::size_t>(m)]);
        }
    }
    for (int m : chosen->Members) {
        if (m > table.CalibrationCount) {
            file.Line(table.Names[static_cast<std::size_t>(m)] + "\t?");
        }
    }
    file.Close();
}

void ReportClusters(const RunChoices& choices, const PreparedTable& table,
                    const std::vector<Cluster>& clusters) {
    ReportAppender report(choices.ResultsFileName);
    report.Line("     NUMBER OF CLUSTERS IS " + PlainNumber(static_cast<double>(clusters.size())));
    report.Line();
    const double outlierSize = std::sqrt(static_cast<double>(table.MoleculeCount)) / 2;
    for (const Cluster& cluster : clusters) {
        for (int m : cluster.Members) {
            const std::string& name = table.Names[static_cast<std::size_t>(m)];
            report.Line(m <= table.CalibrationCount ? name : "  " + name);
        }
        report.Line();
        report.Line("Number of molecules in cluster " + PlainNumber(cluster.Total));
        if (table.PredictionCount > 0) {
            report.Line("  in the calibration set " + PlainNumber(cluster.Calibration));
            report.Line("  in the prediction set " + PlainNumber(cluster.Prediction));
        }
        if (cluster.Total < outlierSize) {
            report.Line("Above cluster includes OUTLIERS");
        }
        report.Line();
        report.Line(std::string(24, '-'));
    }
    report.Close();
}

void WriteMarkDatabases(const RunChoices& choices, const PreparedTable& table,
                        RunResults& results) {
    if (table.PredictionCount == 0) {
        return;
    }
    const int n = table.MoleculeCount;
    const int nc = table.CalibrationCount;
    auto line = [&](int i) {
        return table.Names[static_cast<std::size_t>(i)] + "\t" +
               table.PropertyTexts[static_cast<std::size_t>(i)];
    };
    auto mark = [&](int i) { return results.MixedClusterMarks[static_cast<std::size_t>(i)]; };
    results.NdbTrainingCount = 0;
    results.NdbValidationCount = 0;
    results.NdbPredictionCount = 0;
    const std::string p5 = NamePrefix(choices.TableFileName);
    ReportAppender ndb(p5 + "NDB", ReportAppender::Mode::Create);
    ReportAppender nvb(p5 + "NVB", ReportAppender::Mode::Create);
    ndb.Line(kDatabaseHeader);
    nvb.Line(kDatabaseHeader);
    for (int i = 1; i <= nc; ++i) {
        if (mark(i) == 1 || mark(i) == 2) {
            ndb.Line(line(i));
            results.NdbTrainingCount += 1;
        }
    }
    for (int i = 1; i <= nc; ++i) {
        if (mark(i) >= 3) {
            ndb.Line(line(i));
            nvb.Line(line(i));
            results.NdbValidationCount += 1;
        }
    }
    for (int i = nc + 1; i <= n; ++i) {
        if (mark(i) >= 3) {
            ndb.Line(line(i));
            nvb.Line(line(i));
            ++results.NdbPredictionCount;
        }
    }
    ndb.Close();
    nvb.Close();
}

} // namespace kalemir::sim
