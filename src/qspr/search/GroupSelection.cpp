#include "qspr/search/GroupSelection.h"

#include "common/ComputingWindow.h"
#include "common/DateTime.h"
#include "common/NumberText.h"
#include "common/Rounding.h"
#include "qspr/core/Correlation.h"
#include "qspr/core/Fit.h"
#include "qspr/search/Preselection.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>

namespace kalemir::qspr {

namespace {

/// A chain whose best Q stays below this share of the best Q so far found nothing new.
constexpr double kProductiveShareOfQmax = 0.95;
/// The selection ends after more unproductive chains than this.
constexpr int kUnproductiveChainsAllowed = 2;

/// Lines the panel occupies (the rest of each drawing is blanked).
constexpr int kPanelLines = 24;

double Dot(const double* a, const double* b, int n) {
    double sum = 0;
    for (int m = 1; m <= n; ++m) {
        sum += a[m] * b[m];
    }
    return sum;
}

} // namespace

void DotsInOrder(const double* a, const double* const* columns, int count, int n, double* out) {
    // Four sums advance together over the molecules, each still in molecule order, so that
    // they do not wait on each other's additions.
    int j = 0;
    for (; j + 4 <= count; j += 4) {
        const double* b0 = columns[j];
        const double* b1 = columns[j + 1];
        const double* b2 = columns[j + 2];
        const double* b3 = columns[j + 3];
        double s0 = 0;
        double s1 = 0;
        double s2 = 0;
        double s3 = 0;
        for (int m = 1; m <= n; ++m) {
            const double x = a[m];
            s0 += x * b0[m];
            s1 += x * b1[m];
            s2 += x * b2[m];
            s3 += x * b3[m];
        }
        out[j] = s0;
        out[j + 1] = s1;
        out[j + 2] = s2;
        out[j + 3] = s3;
    }
    for (; j < count; ++j) {
        out[j] = Dot(a, columns[j], n);
    }
}

namespace {

int TextField(const std::string& text, std::size_t at, std::size_t length) {
    if (text.size() < at + length) {
        return 0;
    }
    return std::atoi(text.substr(at, length).c_str());
}

double DaysOfMonth(int month, int year) {
    static const int days[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2) {
        return year % 4 == 0 ? 29 : 28;
    }
    return month >= 1 && month <= 12 ? days[month - 1] : 31;
}

std::string Rounded4(double x) {
    return PlainNumber(RoundDown(x, 4));
}

/// One worker's buffers for fitting the candidates of a chain step beside the others.
struct ChainFitter {
    explicit ChainFitter(int n) : Work(n) {}
    GroupFitWork Work;
    PairCorrelation Pair;
    SilentWindow Window;
};

/// A candidate of a chain step and what its fit left in the worker's correlation buffer.
struct ChainTrial {
    GroupMember Member;
    double R2 = 0;
    double MeanX = 0;
    double R = 0;
    double SEE = 0;
};

/// Candidates a worker takes at a time: a fit costs a few passes over the molecules.
constexpr int kChainGrain = 8;

/// True when the scan of a chain step tries (t, j): significant enough and not marked.
bool ChainCandidate(const CycleInputs& cycle, const PreselectionTable& table, int j) {
    return table.R2[j] >= cycle.MinPropertyR2 && table.Marks[j] == 0;
}

/// The columns of table t the scan of a chain step visits: 2 up to the first "xxx".
int LastScannedColumn(const PreselectionTable& table) {
    return std::min(table.LastColumn(), table.Columns - 1);
}

/// The candidates of a chain step fitted on the workers, each at its position of the
/// chain, in the order of the scan. The marks do not change while the step is taken but
/// for candidates already passed, so the scan meets exactly these.
class ChainStepFits {
public:
    ChainStepFits(const CycleContext& context, const TableState& tables,
                  const PreselectionCells& cells, const PreselectionState& sel)
        : cycle_(context.Cycle), pool_(context.Pool), tables_(tables), cells_(cells), sel_(sel) {
        const int workers = pool_ ? pool_->Size() : 1;
        for (int w = 0; w < workers; ++w) {
            fitters_.push_back(std::make_unique<ChainFitter>(cycle_.CalibrationCount));
        }
    }

    /// Gathers the candidates of position p of the chain `set` and fits them.
    void Fit(const GroupSet& set, int p) {
        const CycleInputs& cycle = cycle_;
        const PreselectionCells& cells = cells_;
        const PreselectionState& sel = sel_;
        WorkerPool* pool = pool_;
        std::vector<ChainTrial>& trials = trials_;
        std::vector<std::unique_ptr<ChainFitter>>& fitters = fitters_;
        trials.clear();
        for (int t = 1; t <= cycle.TableCount; ++t) {
            if (t == tables_.FragmentNewtab) {
                continue;
            }
            const PreselectionTable& table = cells.Tables[t];
            const int last = LastScannedColumn(table);
            for (int j = 2; j <= last; ++j) {
                if (ChainCandidate(cycle, table, j)) {
                    ChainTrial trial;
                    trial.Member = {t, j};
                    trials.push_back(trial);
                }
            }
        }
        const GroupFitData data{cells, sel, cycle.CalibrationCount};
        auto body = [&](int first, int last, int worker) {
            ChainFitter& fitter = *fitters[static_cast<std::size_t>(worker)];
            GroupSet trialSet = set;
            for (int i = first; i < last; ++i) {
                ChainTrial& trial = trials[static_cast<std::size_t>(i)];
                trialSet[p] = trial.Member;
                trial.R2 = FitGroupSet(data, trialSet, p, fitter.Work, fitter.Pair, fitter.Window);
                trial.MeanX = fitter.Pair.MeanX;
                trial.R = fitter.Pair.R;
                trial.SEE = fitter.Pair.SEE;
            }
        };
        const int count = static_cast<int>(trials.size());
        ForEachOn(pool, count, kChainGrain, body);
    }

    const std::vector<ChainTrial>& Trials() const { return trials_; }

private:
    const CycleInputs& cycle_;
    WorkerPool* pool_;
    const TableState& tables_;
    const PreselectionCells& cells_;
    const PreselectionState& sel_;
    std::vector<ChainTrial> trials_;
    std::vector<std::unique_ptr<ChainFitter>> fitters_;
};

/// Leaves in the correlation buffer what the fit of the trial at position p left there.
void TakeChainTrial(PairCorrelation& pair, const ChainTrial& trial, int p) {
    pair.FitTermCount = p;
    pair.SignedR2 = 0;
    pair.MeanX = trial.MeanX;
    pair.R = trial.R;
    pair.R2 = trial.R2;
    pair.SEE = trial.SEE;
}

void ShowPanel(ComputingWindow& window, const std::vector<std::string>& lines) {
    for (int i = 0; i < kPanelLines; ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        window.ShowPlaced(PlacedLine::SelectionPanel, i,
                          k < lines.size() ? lines[k] : std::string());
    }
}

} // namespace

GroupFitWork::GroupFitWork(int n)
    : centred_(static_cast<std::size_t>(kSetWidth + 1) * (static_cast<std::size_t>(n) + 1)),
      centredY_(static_cast<std::size_t>(n) + 1), estimate_(static_cast<std::size_t>(n) + 1) {}

double FitGroupSet(const GroupFitData& data, const GroupSet& set, int p, GroupFitWork& work,
                   PairCorrelation& pair, ComputingWindow& window) {
    const PreselectionCells& cells = data.Cells;
    const PreselectionState& sel = data.Sel;
    const int n = data.N;
    const std::size_t stride = static_cast<std::size_t>(n) + 1;
    auto centred = [&](int a) {
        return work.centred_.data() + static_cast<std::size_t>(a) * stride;
    };
    if (work.kept_ == 0) {
        for (int m = 1; m <= n; ++m) {
            work.centredY_[m] = sel.Property[m] - sel.PropertyMean;
        }
    }
    // Positions whose descriptor is unchanged keep their centred values and sums.
    int kept = 0;
    while (kept < work.kept_ && kept < p - 1 &&
           set[kept + 1].Table == work.keptSet_[kept + 1].Table &&
           set[kept + 1].Column == work.keptSet_[kept + 1].Column) {
        ++kept;
    }
    for (int a = kept + 1; a <= p; ++a) {
        const PreselectionTable& table = cells.Tables[set[a].Table];
        const double* x = table.Column(set[a].Column);
        const double mean = table.Means[set[a].Column];
        double* c = centred(a);
        for (int m = 1; m <= n; ++m) {
            c[m] = x[m] - mean;
        }
        // Its sums with the columns before it, itself and the property.
        const double* partners[kSetWidth + 1];
        double sums[kSetWidth + 1];
        for (int b = 1; b <= a; ++b) {
            partners[b - 1] = centred(b);
        }
        partners[a] = work.centredY_.data();
        DotsInOrder(c, partners, a + 1, n, sums);
        for (int b = 1; b <= a; ++b) {
            work.gram_[a][b] = sums[b - 1];
            work.gram_[b][a] = sums[b - 1];
        }
        work.gram_[a][kSetWidth + 1] = sums[a];
        work.keptSet_[a] = set[a];
    }
    work.kept_ = p;

    double normal[kSetWidth + 1][kSetWidth + 2];
    for (int i = 1; i <= p; ++i) {
        for (int j = 1; j <= p; ++j) {
            normal[i][j] = work.gram_[i][j];
        }
        normal[i][p + 1] = work.gram_[i][kSetWidth + 1];
    }
    SolveNormalEquations(normal, p, window);
    double* estimate = work.estimate_.data();
    for (int m = 1; m <= n; ++m) {
        estimate[m] = sel.PropertyMean;
    }
    for (int a = 1; a <= p; ++a) {
        const double b = normal[a][p + 1];
        const double* c = centred(a);
        for (int m = 1; m <= n; ++m) {
            estimate[m] = estimate[m] + b * c[m];
        }
    }
    pair.SignedR2 = 1;
    pair.FitTermCount = p;
    CorrelateWithFixedY(pair, estimate, {sel.Property.data(), n, sel.PropertyMean, sel.PropertySyy},
                        window);
    pair.SignedR2 = 0;
    return pair.R2;
}

double LoweredLogSizeLimit(int tableCount, double logSizeLimit) {
    if (tableCount * logSizeLimit > 1000) {
        return IntFloor(1000.0 / tableCount);
    }
    return logSizeLimit;
}

double SeedThreshold(double minR2, double maxR2, int level) {
    return minR2 + (maxR2 - minR2) * level * (level - 1) / 30;
}

bool FindSeed(const PreselectionCells& cells, const PreselectionState& sel, int fragmentTable,
              int& level, GroupMember& seed) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        const double threshold = SeedThreshold(sel.MinSignificantR2, sel.MaxSignificantR2, level);
        double best = 1;
        bool found = false;
        for (int t = 1; t < static_cast<int>(cells.Tables.size()); ++t) {
            if (t == fragmentTable) {
                continue;
            }
            const PreselectionTable& table = cells.Tables[t];
            const int last = std::min(table.LastColumn(), table.Columns - 1);
            for (int j = 2; j <= last; ++j) {
                const double r2 = table.R2[j];
                if (r2 >= threshold && r2 < best && table.Marks[j] == 0) {
                    seed = {t, j};
                    best = r2;
                    found = true;
                }
            }
        }
        level = level == 5 ? 1 : level + 1;
        if (found) {
            return true;
        }
    }
    return false;
}

double HourOfDay(const std::string& time) {
    return TextField(time, 0, 2) + TextField(time, 3, 2) / 60.0;
}

double ElapsedHours(const std::string& startDate, const std::string& startTime,
                    const std::string& date, const std::string& time) {
    const double t0 = HourOfDay(startTime);
    const double t = HourOfDay(time);
    const int d0 = TextField(startDate, 3, 2);
    const int d = TextField(date, 3, 2);
    double elapsed = (t - t0) + 24 * (d - d0);
    if (elapsed < 0) {
        const double m = DaysOfMonth(TextField(startDate, 0, 2), TextField(startDate, 6, 4));
        elapsed = (t - t0) + 24 * (d - d0 + m);
    }
    return elapsed;
}

std::array<double, 3> SplitHours(double hours) {
    const double days = IntFloor(hours / 24);
    const double rest = 24 * (hours / 24 - days);
    const double wholeHours = IntFloor(rest);
    const double minutes = IntFloor(60 * (rest - wholeHours));
    return {days, wholeHours, minutes};
}

std::string ChainCaption(int p, int tableIndex, double q, double qmax, int selected, int capacity) {
    std::string caption = " p = " + PlainNumber(p) + "    group " + PlainNumber(tableIndex) +
                          "    Q = " + Rounded4(q);
    if (selected < capacity) {
        caption += "    Qmax = " + Rounded4(qmax) + "    selected " + PlainNumber(selected) +
                   " / " + PlainNumber(capacity);
    } else {
        caption += "    selected " + PlainNumber(selected);
    }
    return caption;
}

std::vector<std::string> PanelLines(const PanelInputs& in) {
    std::vector<std::string> lines;
    if (in.Selected >= in.Capacity) {
        lines.assign(10, std::string());
        lines.push_back("                     Please wait a few more minutes.");
        lines.push_back("                    The program calculates last QSPR");
        lines.push_back("                   including last selected descriptors.");
        return lines;
    }
    lines.assign(5, std::string());
    lines.push_back("                  After roughly selection of descriptors");
    lines.push_back("                       the program makes a selection");
    lines.push_back("         within the too large group of significant descriptors");
    lines.push_back("                           This selection began at");
    lines.push_back("");
    lines.push_back(std::string(28, ' ') + in.StartDate + std::string(5, ' ') + in.StartTime);
    lines.push_back("");
    lines.push_back("");
    if (in.Selected > in.LogSizeLimit) {
        const double t = HourOfDay(in.Time);
        const double elapsed = ElapsedHours(in.StartDate, in.StartTime, in.Date, in.Time);
        const double r1 =
            elapsed * (1 - static_cast<double>(in.Selected) / static_cast<double>(in.Capacity));
        double remaining = r1;
        if (in.Unproductive > 0) {
            const double r2 = (3 - in.Unproductive) * in.LastChainHours - (t - in.ChainStartHours);
            if (r2 < r1) {
                remaining = r2;
            }
        }
        const auto e = SplitHours(elapsed);
        const auto r = SplitHours(remaining);
        lines.push_back("                                                        Maximum");
        lines.push_back("                         Elapsed time      remaining time");
        lines.push_back("");
        lines.push_back("           days              " + PlainNumber(e[0]) + std::string(25, ' ') +
                        PlainNumber(r[0]));
        lines.push_back("          hours              " + PlainNumber(e[1]) + std::string(25, ' ') +
                        PlainNumber(r[1]));
        lines.push_back("      minutes              " + PlainNumber(e[2]) + std::string(24, ' ') +
                        PlainNumber(r[2]));
    }
    return lines;
}

GroupSelectionResult SelectWithinGroups(const CycleContext& context, TableState& tables,
                                        PairCorrelation& pair, PreselectionCells& cells,
                                        PreselectionState& sel,
                                        const PreselectionOptions& options) {
    CycleInputs& cycle = context.Cycle;
    ComputingWindow& window = context.Window;
    const SelectionClock& clock = options.Clock;
    const int n = cycle.CalibrationCount;
    const int capacity = sel.SelectionCapacity;
    GroupSelectionResult result;
    window.ClearPicture();
    PanelInputs panel;
    {
        const std::time_t start = clock();
        panel.StartDate = DateText(start);
        panel.StartTime = TimeText(start);
    }
    panel.Capacity = capacity;
    window.ShowPicture(true);
    cycle.LogSizeLimit = LoweredLogSizeLimit(cycle.TableCount, cycle.LogSizeLimit);
    panel.LogSizeLimit = cycle.LogSizeLimit;
    const int maxSize = static_cast<int>(std::min<double>(cycle.LogSizeLimit, kSetWidth));

    auto showPanel = [&] {
        const std::time_t now = clock();
        panel.Date = DateText(now);
        panel.Time = TimeText(now);
        panel.Selected = sel.SelectedCount;
        panel.Unproductive = result.UnproductiveChains;
        ShowPanel(window, PanelLines(panel));
    };
    int p = 1;
    double q = 0;
    auto showCaption = [&] {
        window.SetCaption(
            ChainCaption(p, tables.TableIndex, q, result.Qmax, sel.SelectedCount, capacity));
    };
    auto mark = [&](const GroupMember& m) {
        cells.Tables[m.Table].Marks[m.Column] = 1;
        ++sel.SelectedCount;
    };

    // The plain path fits each candidate as the scan reaches it; otherwise the workers
    // fit a whole step first and the scan takes their results in its order.
    const bool onWorkers = options.PassByIdleFits;
    std::optional<ChainStepFits> stepFits;
    if (onWorkers) {
        stepFits.emplace(context, tables, cells, sel);
    }
    GroupFitWork work(onWorkers ? 0 : n);
    GroupSet set{};
    int level = 1;
    bool more = true;
    while (more) {
        panel.ChainStartHours = HourOfDay(TimeText(clock()));
        set = GroupSet{};
        work.Reset();
        p = 1;
        GroupMember seed;
        if (!FindSeed(cells, sel, tables.FragmentNewtab, level, seed)) {
            break; // every descriptor a seed could come from is selected
        }
        ++result.Chains;
        tables.TableIndex = seed.Table;
        mark(seed);
        q = QualityQ(cells.Tables[seed.Table].R2[seed.Column], n, 1);
        showCaption();
        set[1] = seed;
        showPanel();
        showCaption();
        for (p = 2; p <= maxSize; ++p) {
            const double qprev = q;
            if (result.Qmax < qprev) {
                result.Qmax = qprev;
            }
            showCaption();
            std::size_t taken = 0;
            if (onWorkers) {
                stepFits->Fit(set, p);
            }
            GroupMember best;
            bool full = false;
            for (int t = 1; t <= cycle.TableCount && !full; ++t) {
                if (t == tables.FragmentNewtab) {
                    continue;
                }
                tables.TableIndex = t;
                showCaption();
                PreselectionTable& table = cells.Tables[t];
                const int last = LastScannedColumn(table);
                for (int j = 2; j <= last; ++j) {
                    window.Yield();
                    if (!ChainCandidate(cycle, table, j)) {
                        continue;
                    }
                    set[p] = {t, j};
                    double r2 = 0;
                    if (onWorkers) {
                        const std::vector<ChainTrial>& trials = stepFits->Trials();
                        assert(taken < trials.size() && trials[taken].Member.Table == t &&
                               trials[taken].Member.Column == j && "chain step out of order");
                        const ChainTrial& fitted = trials[taken++];
                        TakeChainTrial(pair, fitted, p);
                        r2 = fitted.R2;
                    } else {
                        r2 = FitGroupSet({cells, sel, n}, set, p, work, pair, window);
                    }
                    const double trial = QualityQ(r2, n, p);
                    if (trial > q) {
                        q = trial;
                        best = {t, j};
                        mark(best);
                        showCaption();
                        if (q > result.Qmax) {
                            result.Qmax = q;
                            result.UnproductiveChains = 0;
                            showCaption();
                        }
                        // The selection never holds more than its capacity.
                        if (sel.SelectedCount >= capacity) {
                            full = true;
                            break;
                        }
                    }
                }
                if (!full) {
                    showPanel();
                }
            }
            if (q > qprev) {
                set[p] = best;
                showPanel();
                showCaption();
                if (sel.SelectedCount >= capacity) {
                    break;
                }
            } else {
                break;
            }
        }
        if (q < kProductiveShareOfQmax * result.Qmax) {
            ++result.UnproductiveChains;
        }
        panel.LastChainHours = HourOfDay(TimeText(clock())) - panel.ChainStartHours;
        if (result.UnproductiveChains > kUnproductiveChainsAllowed ||
            sel.SelectedCount >= capacity) {
            more = false;
        }
    }
    return result;
}

void WriteSelection(const CycleInputs& cycle, const PreselectionCells& cells, WorkerPool* pool) {
    std::vector<std::pair<int, int>> columns;
    for (int t = 1; t <= cycle.TableCount; ++t) {
        const PreselectionTable& table = cells.Tables[t];
        const int last = std::min(table.LastColumn(), table.Columns - 1);
        for (int j = 2; j <= last; ++j) {
            if (table.Marks[j] == 1) {
                columns.emplace_back(t, j);
            }
        }
    }
    WriteSelectionTable(cycle.SelFileName, cells,
                        cycle.CalibrationCount + cycle.PredictionCount + 1, columns, pool);
}

} // namespace kalemir::qspr
