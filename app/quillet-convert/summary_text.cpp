#include "app/quillet-convert/summary_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace quillet::convert {
namespace {

std::string Shortest(double value) {
  char text[32];
  return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

std::string Rounded(double value, std::chars_format format, int precision) {
  char text[64];
  return std::string(text, std::to_chars(text, text + sizeof text, value, format, precision).ptr);
}

// A statistic as the aligned layout shows it.
std::string ForReading(stats::Statistic statistic, double value) {
  if (std::isnan(value)) return "";
  switch (statistic) {
    case stats::kRhat:
      return Rounded(value, std::chars_format::fixed, 3);
    case stats::kEssBulk:
    case stats::kEssTail:
      return Rounded(std::round(value), std::chars_format::fixed, 0);
    case stats::kMcseMean:
      return Rounded(value, std::chars_format::general, 2);
    default:
      return Rounded(value, std::chars_format::general, 4);
  }
}

// Each summary's fields: name, chains, draws, the statistics, note.
template <typename Format>
std::vector<std::vector<std::string>> Rows(const std::vector<VariableSummary>& summaries,
                                           const Format& format) {
  std::vector<std::vector<std::string>> rows = {SummaryColumnNames()};
  for (const VariableSummary& variable : summaries) {
    std::vector<std::string> row = {variable.name, std::to_string(variable.summary.chains),
                                    std::to_string(variable.summary.draws)};
    for (int s = 0; s < stats::kStatisticCount; ++s) {
      row.push_back(format(static_cast<stats::Statistic>(s), variable.summary.values[s]));
    }
    row.push_back(variable.summary.note);
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace

std::string SummaryTabSeparated(const std::vector<VariableSummary>& summaries) {
  std::string text;
  const auto shortest = [](stats::Statistic, double value) {
    return std::isnan(value) ? std::string() : Shortest(value);
  };
  for (const auto& row : Rows(summaries, shortest)) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i > 0) text += '\t';
      text += row[i];
    }
    text += '\n';
  }
  return text;
}

std::string SummaryAligned(const std::vector<VariableSummary>& summaries) {
  const auto rows = Rows(summaries, ForReading);
  std::vector<std::size_t> widths(rows.front().size(), 0);
  for (const auto& row : rows) {
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  // The name and the note left-aligned, the numbers right-aligned.
  const std::size_t note = widths.size() - 1;
  std::string text;
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i > 0) line += "  ";
      const std::string padding(widths[i] - row[i].size(), ' ');
      line += i == 0 || i == note ? row[i] + (i == note ? "" : padding) : padding + row[i];
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    text += line + '\n';
  }
  return text;
}

}  // namespace quillet::convert
