#include "qspr/setup/Parameters.h"
#include "common/Errors.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace kalemir::qspr {
namespace {

using kalemir::testing::ReadFile;
using kalemir::testing::ScratchDir;

ProgramState StateWithCounts(int calibration, int prediction) {
    ProgramState state;
    state.CalibrationCount = calibration;
    state.PredictionCount = prediction;
    DeriveDefaultThresholds(state, state.CalibrationCount);
    return state;
}

struct DefaultCase {
    int n;
    double minPropertyR2;
    double maxInterR2;
    double invRoot;
    double logSizeLimit;
    int maxPredictors;
};

class DefaultThresholdsTest : public ::testing::TestWithParam<DefaultCase> {};

// Figures worked by hand: N = 100 gives Int(10000 * 4.60517 / 100 + .5) = 461 -> .0461,
// Int(40000 / 10 + .5) = 4000 -> .4, Int(10000 / 10 + .5) -> .1, Int(1.25 * 4.605 + .5) = 6,
// Int(100 / 3) = 33 -> 20. N = 10: 2303 -> .2303, 12649 -> 1.2649 limited to .64,
// 3162 -> .3162, Int(3.378) = 3, 3. N = 3000: 27 -> .0027 limited to .01,
// 730 -> .073 limited to .1, 183 -> .0183, Int(10.508) = 10, 20.
// N = 148 (the example): 338 -> .0338, 3288 -> .3288, 822 -> .0822, Int(6.747) = 6, 20.
TEST_P(DefaultThresholdsTest, DerivedFromTheCalibrationCount) {
    const DefaultCase& c = GetParam();
    const ProgramState state = StateWithCounts(c.n, 0);
    EXPECT_DOUBLE_EQ(state.MinPropertyR2, c.minPropertyR2);
    EXPECT_DOUBLE_EQ(state.MaxInterR2, c.maxInterR2);
    EXPECT_DOUBLE_EQ(state.InvRootThreshold, c.invRoot);
    EXPECT_EQ(state.LogSizeLimit, c.logSizeLimit);
    EXPECT_EQ(state.MaxPredictors, c.maxPredictors);
    EXPECT_EQ(state.ValidationCount, c.n);
    EXPECT_EQ(state.EstimatedCOR, 0.5001f);
    EXPECT_EQ(state.SignedR2, 0);
}

INSTANTIATE_TEST_SUITE_P(Examples, DefaultThresholdsTest,
                         ::testing::Values(DefaultCase{100, 0.0461, 0.4, 0.1, 6, 20},
                                           DefaultCase{10, 0.2303, 0.64, 0.3162, 3, 3},
                                           DefaultCase{3000, 0.01, 0.1, 0.0183, 10, 20},
                                           DefaultCase{148, 0.0338, 0.3288, 0.0822, 6, 20}));

TEST(ParametersWindowTest, LoadShowsTheDefaultsInReportForm) {
    ProgramState state = StateWithCounts(100, 0);
    const ParameterEntries entries = LoadParameters(state);
    EXPECT_EQ(entries.MinPropertyR2Text, " .0461");
    EXPECT_EQ(entries.ValidationCountText, " 100");
    EXPECT_EQ(entries.MaxInterR2Text, " .4");
    EXPECT_EQ(entries.MaxPredictorsText, " 20");
    EXPECT_TRUE(entries.EliminateOutliers);
    EXPECT_FALSE(entries.EstimatedCorShown);
    EXPECT_EQ(state.EliminateOutliers, 1);
}

TEST(ParametersWindowTest, WithAPredictionSetCorrectnessIsAskedAndNoIsPreselected) {
    ProgramState state = StateWithCounts(100, 5);
    const ParameterEntries entries = LoadParameters(state);
    EXPECT_TRUE(entries.EstimatedCorShown);
    EXPECT_EQ(entries.EstimatedCorText, " .5001");
    EXPECT_FALSE(entries.EliminateOutliers);
    EXPECT_EQ(state.EliminateOutliers, 0);
}

class ParametersOkTest : public ::testing::Test {
protected:
    ScratchDir dir{"parameters"};

    static ProgramState ChosenState(int calibration, int prediction,
                                    std::vector<std::string> tables) {
        ProgramState state = StateWithCounts(calibration, prediction);
        state.TableNames.assign(10 * tables.size() + 1, {});
        for (std::size_t i = 0; i < tables.size(); ++i) {
            state.TableNames[i + 1] = {tables[i], tables[i]};
        }
        state.TableCount = state.SelectedTableCount = static_cast<int>(tables.size());
        return state;
    }
};

TEST_F(ParametersOkTest, EntriesAreLimited) {
    ProgramState state = ChosenState(12, 3, {"Avfr.des"});
    ParameterEntries entries = LoadParameters(state);
    entries.MinPropertyR2Text = "0.9";   // above .25
    entries.MaxInterR2Text = "0.05";     // below .1
    entries.MaxPredictorsText = "5";     // above 12 / 3: becomes Int(4)
    entries.ValidationCountText = "2.5"; // halves to even
    entries.EstimatedCorText = "0.75";
    ASSERT_EQ(ParametersOk(state, entries), ParametersOutcome::Compute);
    EXPECT_EQ(state.MinPropertyR2, 0.25);
    EXPECT_EQ(state.MaxInterR2, 0.1);
    EXPECT_EQ(state.MaxPredictors, 4);
    EXPECT_EQ(state.ValidationCount, 2);
    EXPECT_EQ(state.EstimatedCOR, 0.75f);
}

TEST_F(ParametersOkTest, TextThatIsNotANumberReadsAsZeroThenIsLimited) {
    ProgramState state = ChosenState(100, 5, {"Avfr.des"});
    ParameterEntries entries = LoadParameters(state);
    entries.MinPropertyR2Text = entries.ValidationCountText = entries.MaxInterR2Text =
        entries.MaxPredictorsText = "abc";
    ParametersOk(state, entries);
    EXPECT_EQ(state.MinPropertyR2, 0.01);
    EXPECT_EQ(state.MaxInterR2, 0.1);
    EXPECT_EQ(state.MaxPredictors, 2);
    EXPECT_EQ(state.ValidationCount, 0);
}

TEST_F(ParametersOkTest, PredictorLimits) {
    ProgramState state = ChosenState(300, 0, {"Avfr.des"});
    ParameterEntries entries = LoadParameters(state);
    entries.MaxPredictorsText = "25"; // below 100 but more than 20
    ParametersOk(state, entries);
    EXPECT_EQ(state.MaxPredictors, 20);
    entries.MaxPredictorsText = "1";
    ParametersOk(state, entries);
    EXPECT_EQ(state.MaxPredictors, 2);
    entries.MaxPredictorsText = "2.5"; // halves to even: 2
    ParametersOk(state, entries);
    EXPECT_EQ(state.MaxPredictors, 2);
    entries.MaxPredictorsText = "3.5";
    ParametersOk(state, entries);
    EXPECT_EQ(state.MaxPredictors, 4);
}

TEST_F(ParametersOkTest, RandomisationRunsAreLimited) {
    ProgramState state = ChosenState(300, 0, {"Avfr.des"});
    const std::pair<const char*, int> cases[] = {{" 0", 0},      {"50", 50},   {"-3", 0},
                                                 {"2000", 1000}, {"12.5", 12}, {"abc", 0}};
    for (const auto& [text, runs] : cases) {
        ParameterEntries entries = LoadParameters(state);
        EXPECT_EQ(entries.RandomisationRunsText, " 0");
        entries.RandomisationRunsText = text;
        ParametersOk(state, entries);
        EXPECT_EQ(state.RandomisationRuns, runs) << text;
        state.RandomisationRuns = 0;
    }
}

TEST_F(ParametersOkTest, WithoutAPredictionSetTheValidationSetIsTheCalibrationSet) {
    ProgramState state = ChosenState(50, 0, {"Avfr.des"});
    ParameterEntries entries = LoadParameters(state);
    entries.ValidationCountText = "10";
    ParametersOk(state, entries);
    EXPECT_EQ(state.ValidationCount, 50);
}

TEST_F(ParametersOkTest, ValidationSetStaysWithinTheCalibrationSet) {
    ProgramState state = ChosenState(50, 4, {"Avfr.des"});
    ParameterEntries entries = LoadParameters(state);
    entries.ValidationCountText = "80";
    ParametersOk(state, entries);
    EXPECT_EQ(state.ValidationCount, 50);
    entries.ValidationCountText = "-3";
    ParametersOk(state, entries);
    EXPECT_EQ(state.ValidationCount, 0);
}

TEST_F(ParametersOkTest, ReportBlock) {
    ProgramState state = ChosenState(100, 0, {"Xd2d.des", "Xvfr.des"});
    ParametersOk(state, LoadParameters(state));
    EXPECT_EQ(ReadFile(kWorkingReport),
              "\r\n"
              "     Descriptor table(s) used: \r\n"
              "\r\n"
              "     Xd2d.des\r\n"
              "     Xvfr.des\r\n"
              "\r\n"
              "     Starting statistical analysis parameters:\r\n"
              "\r\n"
              "     Molecules number in the calibration set:  100\r\n"
              "     Molecules number in the validation set:  100\r\n"
              "     Molecules number in the prediction set:  0\r\n"
              "     Minimum predictors number: 2\r\n"
              "     Maximum predictors number:  20\r\n"
              "     descriptors / Property correlation: r2 >  .0461\r\n"
              "     Intercorrelation in > 2 descriptors sets: r2 <  .4\r\n"
              "\r\n");
    EXPECT_EQ(state.FragmentTableMissing, 0);
}

TEST_F(ParametersOkTest, TheFragmentTableIsCompulsoryAndItsSuffixCaseSensitive) {
    ProgramState state = ChosenState(100, 0, {"Xd2d.des", "XVFR.des", "Xvfr.DES"});
    EXPECT_EQ(ParametersOk(state, LoadParameters(state)), ParametersOutcome::FragmentTableMissing);
    EXPECT_EQ(state.FragmentTableMissing, 1);
    EXPECT_EQ(ReadFile(kWorkingReport),
              "\r\n"
              "     Descriptor table(s) used: \r\n"
              "\r\n"
              "     Xd2d.des\r\n"
              "     XVFR.des\r\n"
              "     Xvfr.DES\r\n"
              "\r\n"
              " USING OF DESCRIPTOR TABLE NAMEvfr.des IS COMPULSORY !!\r\n"
              "\r\n");
}

TEST_F(ParametersOkTest, AnyPrefixBeforeTheFragmentSuffixWillDo) {
    ProgramState state = ChosenState(100, 0, {"anything-at-allvfr.des"});
    EXPECT_EQ(ParametersOk(state, LoadParameters(state)), ParametersOutcome::Compute);
}

// What OK says about each field before it limits it, on the example's counts (148
// calibration, 15 prediction molecules: at most Int(148 / 3) = 49, so 20, predictors) and on
// a small set (N = 12: at most 4 predictors).
struct EntryCase {
    const char* name;
    int calibration;
    int field;
    const char* text;
    const char* message; ///< "" when the entry is taken as it stands
    bool confirmable;
};

class ParameterEntriesTest : public ::testing::TestWithParam<EntryCase> {};

TEST_P(ParameterEntriesTest, EachFieldWithItsRule) {
    const EntryCase& c = GetParam();
    ProgramState state = StateWithCounts(c.calibration, 15);
    ParameterEntries entries = LoadParameters(state);
    std::string* texts[] = {nullptr,
                            &entries.MinPropertyR2Text,
                            &entries.ValidationCountText,
                            &entries.EstimatedCorText,
                            &entries.MaxInterR2Text,
                            &entries.MaxPredictorsText,
                            &entries.RandomisationRunsText,
                            &entries.MemoryText};
    *texts[c.field] = c.text;
    const std::vector<EntryProblem> problems = CheckParameterEntries(state, entries);
    if (std::string(c.message).empty()) {
        EXPECT_TRUE(problems.empty()) << problems.front().Message;
        return;
    }
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].Field, c.field);
    EXPECT_EQ(problems[0].Message, c.message);
    EXPECT_EQ(problems[0].Confirmable, c.confirmable);
}

const EntryCase kEntryCases[] = {
    {"Defaults", 148, 1, " .0338", "", false},
    {"NotANumber", 148, 1, "abc", "Min. descriptor / Property correlation: abc: not a number",
     false},
    {"EmptyField", 148, 4, "  ", "Max. descriptors intercorrelation: nothing typed", false},
    // A decimal comma or trailing text used to be read up to where the number stopped.
    {"R2DecimalComma", 148, 1, "0,05",
     "Min. descriptor / Property correlation: 0,05: use a decimal point", false},
    {"R2TrailingText", 148, 1, ".05abc",
     "Min. descriptor / Property correlation: .05abc: not a number", false},
    {"ValidationDecimalComma", 148, 2, "0,05",
     "Number of molecules in the validation set: 0,05: use a decimal point", false},
    {"CorrectnessDecimalComma", 148, 3, "0,75",
     "Estimated correctness (KalemirS): 0,75: use a decimal point", false},
    {"InterR2TrailingText", 148, 4, "0.4 r2",
     "Max. descriptors intercorrelation: 0.4 r2: not a number", false},
    {"PredictorsDecimalComma", 148, 5, "5,5", "Max. predictors number: 5,5: use a decimal point",
     false},
    {"RunsDecimalComma", 148, 6, "1,5", "Y-randomisation runs: 1,5: use a decimal point", false},
    {"RunsTrailingText", 148, 6, "20 runs", "Y-randomisation runs: 20 runs: not a number", false},
    {"RunsAboveRange", 148, 6, "2000",
     "Y-randomisation runs: 2000 is outside the range 0 to 1000; OK takes 1000", true},
    {"RunsWithBlanks", 148, 6, " 50 ", "", false},
    {"R2AboveRange", 148, 1, "0.5",
     "Min. descriptor / Property correlation: 0.5 is outside the range 0.01 to 0.25; OK takes "
     "0.25",
     true},
    {"R2AtItsBound", 148, 1, ".25", "", false},
    {"InterR2BelowRange", 148, 4, "0.05",
     "Max. descriptors intercorrelation: 0.05 is outside the range 0.1 to 0.64; OK takes 0.1",
     true},
    {"ValidationBeyondCalibration", 148, 2, "500",
     "Number of molecules in the validation set: 500 is outside the range 0 to 148; OK takes "
     "148",
     true},
    {"ValidationHalfRounds", 148, 2, "7.5", "", false},
    {"PredictorsAboveTwenty", 148, 5, "99",
     "Max. predictors number: 99 is outside the range 2 to 20; OK takes 20", true},
    {"PredictorsAboveAThird", 12, 5, "5",
     "Max. predictors number: 5 is outside the range 2 to 4; OK takes 4", true},
    {"PredictorsBelowTwo", 148, 5, "1",
     "Max. predictors number: 1 is outside the range 2 to 20; OK takes 2", true},
    {"CorrectnessSeven", 148, 3, "7",
     "Estimated correctness (KalemirS): 7 is outside the range -1 to 1", false},
    {"CorrectnessNegative", 148, 3, "-.75", "", false},
    {"MemoryLeftToTheMachine", 148, 7, " ", "", false},
    {"MemoryInMegabytes", 148, 7, " 4000 ", "", false},
    {"MemoryZero", 148, 7, "0",
     "Memory for the split tables: '0' is not a whole number of MB from 1 to 100000000", false},
    {"MemoryFraction", 148, 7, "1.5",
     "Memory for the split tables: '1.5' is not a whole number of MB from 1 to 100000000", false},
    {"MemoryDecimalComma", 148, 7, "4000,5",
     "Memory for the split tables: 4000,5: use a decimal point", false},
    {"MemoryBeyondRange", 148, 7, "100000001",
     "Memory for the split tables: '100000001' is not a whole number of MB from 1 to 100000000",
     false},
};

INSTANTIATE_TEST_SUITE_P(Fields, ParameterEntriesTest, ::testing::ValuesIn(kEntryCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ParametersOkTest, MemoryIsKeptAndShownAgain) {
    ProgramState state = ChosenState(12, 3, {"Avfr.des"});
    ParameterEntries entries = LoadParameters(state);
    EXPECT_EQ(entries.MemoryText, "");
    entries.MemoryText = "2500";
    ASSERT_EQ(ParametersOk(state, entries), ParametersOutcome::Compute);
    EXPECT_EQ(state.MemoryMB, 2500);
    EXPECT_EQ(LoadParameters(state).MemoryText, "2500");
    entries.MemoryText = "lots";
    EXPECT_THROW(ParametersOk(state, entries), InputError);
}

TEST(ParameterEntriesTest, WithoutAPredictionSetOnlyNumbersAreAsked) {
    ProgramState state = StateWithCounts(148, 0);
    ParameterEntries entries = LoadParameters(state);
    entries.ValidationCountText = "500"; // replaced by N whatever it is
    entries.EstimatedCorText = "abc";    // not shown, not read
    EXPECT_TRUE(CheckParameterEntries(state, entries).empty());
    entries.ValidationCountText = "x";
    EXPECT_EQ(CheckParameterEntries(state, entries).size(), 1u);
}

} // namespace
} // namespace kalemir::qspr
