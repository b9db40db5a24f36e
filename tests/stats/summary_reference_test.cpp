// The summary of reference runs against the values that the R package
// posterior gives for them (tests/stats/make_reference.R writes both): each
// run read from its files as the converter reads it, then summarised.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sstream>

#include "core/chain_summary.h"
#include "core/read_command.h"
#include "stats/summary.h"
#include "support/recording_ui.h"

namespace quillet {
namespace {

// What the reference test allows: relative to the larger of the two values.
constexpr double kTolerance = 1e-8;

const std::filesystem::path kData = QUILLET_STATS_DATA_DIR;

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream stream(line);
  for (std::string field; std::getline(stream, field, '\t');) fields.push_back(field);
  if (!line.empty() && line.back() == '\t') fields.emplace_back();
  return fields;
}

// The chains of a run: RUN.ind with RUN.out, or with RUN1.out, RUN2.out, ...
// A run of one chain is also summarised while it is read, as the converter
// does, into `while_reading`.
std::vector<ConversionState> ReadRun(const std::string& run,
                                     std::vector<VariableSummary>& while_reading) {
  std::vector<ChainPaths> pairs;
  const std::string index = (kData / (run + ".ind")).string();
  if (std::filesystem::exists(kData / (run + ".out")))
    pairs.push_back({index, (kData / (run + ".out")).string()});
  for (int k = 1; std::filesystem::exists(kData / (run + std::to_string(k) + ".out")); ++k) {
    pairs.push_back({index, (kData / (run + std::to_string(k) + ".out")).string()});
  }
  std::vector<ConversionState> states(pairs.size());
  std::optional<SummaryWhileReading> early;
  if (pairs.size() == 1) early.emplace(states[0], 2, 7);
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    testing::RecordingUi ui;
    EXPECT_EQ(RunReadPair(states[i], pairs[i], ui), CommandOutcome::kDone) << pairs[i].data;
  }
  if (early) while_reading = early->Finish();
  return states;
}

// The shortest interval holding k + 1 of the draws, found among all pairs of
// draws, the lowest on ties.
std::pair<double, double> BruteForceInterval(const std::vector<double>& draws) {
  const std::size_t k = draws.size() * 95 / 100;
  std::pair<double, double> best{0.0, INFINITY};
  for (double low : draws) {
    for (double high : draws) {
      if (high < low) continue;
      const auto inside = std::count_if(draws.begin(), draws.end(),
                                        [&](double x) { return x >= low && x <= high; });
      const double width = high - low, best_width = best.second - best.first;
      if (static_cast<std::size_t>(inside) > k &&
          (width < best_width || (width == best_width && low < best.first))) {
        best = {low, high};
      }
    }
  }
  return best;
}

// Every line of expected.tsv: the run's variable summarised from its files.
// The lines of expected_by_program.tsv (same columns) were not computed by
// posterior (R was not at hand) but by this program before its transform
// took two chains at once: the run "odd" has one split chain constant, and
// its other three reach the transform's lags.
TEST(SummaryReferenceTest, AgreesWithPosterior) {
  std::map<std::string, std::vector<VariableSummary>> runs;
  std::map<std::string, std::vector<ConversionState>> states;
  double worst = 0.0;
  int checked = 0;
  for (const char* file : {"expected.tsv", "expected_by_program.tsv"}) {
    std::ifstream expected(kData / file);
    std::string line;
    ASSERT_TRUE(std::getline(expected, line)) << file;
    const std::vector<std::string> header = Fields(line);
    while (std::getline(expected, line)) {
      const std::vector<std::string> fields = Fields(line);
      ASSERT_EQ(fields.size(), header.size()) << line;
      const std::string& run = fields[0];
      if (!runs.contains(run)) {
        std::vector<VariableSummary> while_reading;
        states[run] = ReadRun(run, while_reading);
        std::vector<const ConversionState*> chains;
        for (const auto& state : states[run]) chains.push_back(&state);
        runs[run] = SummariseChains(chains, 2, 7);
        // The same, to the bit, whichever thread made it when.
        for (std::size_t v = 0; v < while_reading.size(); ++v) {
          const VariableSummary &a = while_reading[v], &b = runs[run].at(v);
          EXPECT_EQ(a.name, b.name) << run;
          EXPECT_EQ(std::memcmp(a.summary.values.data(), b.summary.values.data(),
                                sizeof a.summary.values),
                    0)
              << run << " " << a.name;
          EXPECT_EQ(a.summary.note, b.summary.note);
          EXPECT_EQ(a.trace, b.trace);
          EXPECT_EQ(a.trace_step, b.trace_step);
        }
        if (states[run].size() == 1) {
          EXPECT_EQ(while_reading.size(), runs[run].size()) << run;
        }
      }
      const auto found = std::find_if(runs[run].begin(), runs[run].end(),
                                      [&](const auto& v) { return v.name == fields[1]; });
      ASSERT_NE(found, runs[run].end()) << line;
      const stats::Summary& summary = found->summary;
      SCOPED_TRACE(run + " " + fields[1]);
      EXPECT_EQ(std::to_string(summary.chains), fields[2]);
      EXPECT_EQ(std::to_string(summary.draws), fields[3]);
      bool undefined = false;
      for (std::size_t s = 0; s < stats::kStatisticCount; ++s) {
        ASSERT_EQ(header[4 + s], stats::kStatisticNames[s]);
        const std::string& want = fields[4 + s];
        const double got = summary.values[s];
        if (want.empty()) {
          EXPECT_TRUE(std::isnan(got)) << header[4 + s] << " = " << got;
          undefined = true;
          continue;
        }
        const double value = std::stod(want);
        const double error = std::fabs(got - value);
        const double scale = std::max(std::fabs(got), std::fabs(value));
        EXPECT_LE(error, kTolerance * scale) << header[4 + s] << ": " << got << " vs " << want;
        if (scale > 0.0) worst = std::max(worst, error / scale);
        ++checked;
      }
      // A value is missing exactly when the note says why.
      EXPECT_EQ(summary.note.empty(), !undefined) << summary.note;

      std::vector<double> draws;
      const auto& chains = states[run];
      if (summary.draws * summary.chains <= 400 && !undefined) {
        const auto column = found - runs[run].begin();
        for (const auto& state : chains) {
          for (std::size_t row = 1; row <= summary.draws; ++row) {
            draws.push_back(
                std::stod(std::string(state.table.Get(static_cast<std::int64_t>(row), column))));
          }
        }
        const auto [low, high] = BruteForceInterval(draws);
        EXPECT_EQ(summary.values[stats::kHdi95Lower], low);
        EXPECT_EQ(summary.values[stats::kHdi95Upper], high);
      }
    }
  }
  EXPECT_GT(checked, 100);
  std::cout << "largest relative difference from posterior: " << worst << " (" << checked
            << " values)\n";
  ::testing::Test::RecordProperty("largest_relative_difference", std::to_string(worst));
}

// Variables one after another through the same buffers, as a summarising
// thread takes them: longer and shorter, odd and even, with ties and
// without, of one chain and of several. Each summary is the one that buffers
// of its own give, to the bit.
TEST(SummaryBuffersTest, KeptBuffersGiveWhatFreshOnesGive) {
  struct Case {
    std::size_t draws;  // per chain
    std::size_t chains;
    unsigned distinct;  // values the draws take, or 0 for any
  };
  std::mt19937_64 random(11);
  std::normal_distribution<double> normal;
  stats::SummaryBuffers kept;
  for (const Case& c : {Case{1000, 1, 0}, Case{7, 2, 0}, Case{301, 3, 5}, Case{50, 1, 0},
                        Case{2001, 2, 0}, Case{9, 1, 1}, Case{400, 4, 2}}) {
    std::vector<double> draws(c.draws * c.chains);
    for (double& x : draws)
      x = c.distinct ? static_cast<double>(random() % c.distinct) : normal(random);
    const stats::Summary fresh = stats::Summarise(draws, c.chains);
    const stats::Summary reused = stats::Summarise(draws, c.chains, kept);
    SCOPED_TRACE(std::to_string(c.draws) + " x " + std::to_string(c.chains));
    EXPECT_EQ(std::memcmp(fresh.values.data(), reused.values.data(), sizeof fresh.values), 0);
    EXPECT_EQ(fresh.note, reused.note);
  }
}

}  // namespace
}  // namespace quillet
