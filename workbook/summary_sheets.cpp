#include "workbook/summary_sheets.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <memory>

#include "workbook/workbook_text.h"

namespace quillet {
namespace {

constexpr const char* kXmlDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
constexpr const char* kRelationshipTypes =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char* kChartNamespace = "http://schemas.openxmlformats.org/drawingml/2006/chart";
constexpr const char* kDrawingNamespace = "http://schemas.openxmlformats.org/drawingml/2006/main";

// The cell formats: the tables' plain one first, then the header, R-hat to
// three decimals and the ESS in whole draws, each also highlighted, and a
// highlighted text.
enum Style { kPlain, kHeader, kRhat, kRhatHighlighted, kEss, kEssHighlighted, kHighlighted };
constexpr const char* kStyles =
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"0.000\"/></numFmts>"
    "<fonts count=\"2\"><font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
    "<font><b/><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font></fonts>"
    "<fills count=\"3\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill>"
    "<fill><patternFill patternType=\"solid\"><fgColor rgb=\"FFFFC7CE\"/><bgColor indexed=\"64\"/>"
    "</patternFill></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
    "</cellStyleXfs>"
    "<cellXfs count=\"7\">"
    "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
    "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\"/>"
    "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
    "applyNumberFormat=\"1\"/>"
    "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"2\" borderId=\"0\" xfId=\"0\" "
    "applyNumberFormat=\"1\" applyFill=\"1\"/>"
    "<xf numFmtId=\"1\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
    "applyNumberFormat=\"1\"/>"
    "<xf numFmtId=\"1\" fontId=\"0\" fillId=\"2\" borderId=\"0\" xfId=\"0\" "
    "applyNumberFormat=\"1\" applyFill=\"1\"/>"
    "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"2\" borderId=\"0\" xfId=\"0\" applyFill=\"1\"/>"
    "</cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
    "</styleSheet>";

// The chains' colours, one after another.
constexpr const char* kChainColours[] = {"1F77B4", "FF7F0E", "2CA02C", "D62728",
                                         "9467BD", "8C564B", "E377C2", "7F7F7F"};

// Where the charts stand: two beside each other, each so many columns wide
// and rows high, from row 2 on; the charted points begin in column kDataColumn.
constexpr int kChartColumns = 8;
constexpr int kChartRows = 16;
constexpr std::size_t kDataColumn = 2 * kChartColumns + 2;
constexpr std::int64_t kDataFirstRow = 3;  // under the row of their names

std::string ColumnName(std::size_t column) {
  std::string name;
  for (std::size_t n = column + 1; n > 0; n = (n - 1) / 26) {
    name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
  }
  return name;
}

std::string Cell(std::size_t column, std::int64_t row) {
  return ColumnName(column) + std::to_string(row);
}

// Appends a number: a double in its shortest exact form, or a count.
template <typename Number>
void AppendShortest(std::string& xml, Number value) {
  char text[32];
  xml.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

void AppendCellStart(std::string& xml, std::string_view reference, Style style) {
  xml += "<c r=\"";
  xml += reference;
  xml += '"';
  if (style != kPlain) {
    xml += " s=\"";
    AppendShortest(xml, static_cast<int>(style));
    xml += '"';
  }
}

void AppendText(std::string& xml, std::string_view reference, std::string_view text,
                Style style = kPlain) {
  AppendCellStart(xml, reference, style);
  xml += " t=\"inlineStr\"><is><t xml:space=\"preserve\">";
  AppendWorkbookText(xml, text);
  xml += "</t></is></c>";
}

void AppendNumber(std::string& xml, std::string_view reference, double value,
                  Style style = kPlain) {
  AppendCellStart(xml, reference, style);
  xml += "><v>";
  AppendShortest(xml, value);
  xml += "</v></c>";
}

std::string Relationships(const std::string& body) {
  return std::string(kXmlDeclaration) +
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
         body + "</Relationships>";
}

std::string Relationship(const std::string& id, const char* type, const std::string& target) {
  return "<Relationship Id=\"" + id + "\" Type=\"" + kRelationshipTypes + "/" + type +
         "\" Target=\"" + target + "\"/>";
}

std::string SummarySheet(const std::vector<VariableSummary>& summaries) {
  const std::vector<std::string> columns = SummaryColumnNames();
  std::string xml = kXmlDeclaration;
  xml +=
      "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
      "<sheetViews><sheetView workbookViewId=\"0\">"
      "<pane xSplit=\"1\" ySplit=\"1\" topLeftCell=\"B2\" activePane=\"bottomRight\" "
      "state=\"frozen\"/></sheetView></sheetViews>"
      "<cols><col min=\"1\" max=\"1\" width=\"18\" customWidth=\"1\"/>"
      "<col min=\"2\" max=\"3\" width=\"8\" customWidth=\"1\"/>"
      "<col min=\"4\" max=\"16\" width=\"12\" customWidth=\"1\"/>"
      "<col min=\"17\" max=\"17\" width=\"40\" customWidth=\"1\"/></cols><sheetData><row r=\"1\">";
  for (std::size_t i = 0; i < columns.size(); ++i) AppendText(xml, Cell(i, 1), columns[i], kHeader);
  xml += "</row>";
  std::int64_t row = 1;
  for (const VariableSummary& variable : summaries) {
    ++row;
    xml += "<row r=\"" + std::to_string(row) + "\">";
    if (!variable.name.empty()) AppendText(xml, Cell(0, row), variable.name);
    AppendNumber(xml, Cell(1, row), static_cast<double>(variable.summary.chains));
    AppendNumber(xml, Cell(2, row), static_cast<double>(variable.summary.draws));
    for (int s = 0; s < stats::kStatisticCount; ++s) {
      const double value = variable.summary.values[s];
      if (std::isnan(value)) continue;
      Style style = kPlain;
      if (s == stats::kRhat) style = value > kHighestGoodRhat ? kRhatHighlighted : kRhat;
      if (s == stats::kEssBulk || s == stats::kEssTail) {
        style = value < kLeastGoodEss ? kEssHighlighted : kEss;
      }
      AppendNumber(xml, Cell(3 + static_cast<std::size_t>(s), row), value, style);
    }
    if (!variable.summary.note.empty()) {
      AppendText(xml, Cell(columns.size() - 1, row), variable.summary.note);
    }
    xml += "</row>";
  }
  row += 2;
  xml += "<row r=\"" + std::to_string(row) + "\">";
  AppendText(xml, Cell(0, row), "highlighted", kHighlighted);
  AppendText(xml, Cell(1, row),
             "rhat above 1.01, ess_bulk or ess_tail below 400: the thresholds that Vehtari, "
             "Gelman, Simpson, Carpenter and B\xC3\xBCrkner (2021) recommend. The chains have not "
             "mixed, or are too short, for these statistics to be trusted.");
  xml += "</row></sheetData></worksheet>";
  return xml;
}

// The points of one variable's chart: every k-th of its first n draws in
// each chain, as the summary kept them.
struct Trace {
  std::string name;
  std::size_t step = 1;                     // k
  std::vector<std::size_t> draws;           // 1, 1 + k, ...
  std::vector<std::vector<double>> chains;  // NaN where a cell is no number
};

Trace TraceOf(const VariableSummary& summary) {
  Trace trace{summary.name, summary.trace_step, {}, summary.trace};
  for (std::size_t d = 0; d < summary.summary.draws; d += trace.step) trace.draws.push_back(d + 1);
  return trace;
}

// "every 50th draw"
std::string EveryKth(std::size_t k) {
  const std::size_t last_two = k % 100;
  const char* suffix = last_two >= 11 && last_two <= 13 ? "th"
                       : k % 10 == 1                    ? "st"
                       : k % 10 == 2                    ? "nd"
                       : k % 10 == 3                    ? "rd"
                                                        : "th";
  return "every " + std::to_string(k) + suffix + " draw";
}

std::string QuotedSheetName(const std::string& name) {
  std::string quoted = "'";
  for (char c : name) {
    if (c == '\'') quoted += '\'';
    quoted += c;
  }
  return quoted + "'";
}

// A reference to rows of a column of the Traces sheet.
std::string Range(const std::string& sheet, std::size_t column, std::int64_t first,
                  std::int64_t last) {
  std::string range =
      QuotedSheetName(sheet) + "!$" + ColumnName(column) + "$" + std::to_string(first);
  if (last != first) range += ":$" + ColumnName(column) + "$" + std::to_string(last);
  std::string escaped;
  AppendWorkbookText(escaped, range);
  return escaped;
}

void AppendNumberCache(std::string& xml, const std::vector<double>& values) {
  xml += "<c:numCache><c:formatCode>General</c:formatCode><c:ptCount val=\"" +
         std::to_string(values.size()) + "\"/>";
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (std::isnan(values[i])) continue;
    xml += "<c:pt idx=\"";
    AppendShortest(xml, i);
    xml += "\"><c:v>";
    AppendShortest(xml, values[i]);
    xml += "</c:v></c:pt>";
  }
  xml += "</c:numCache>";
}

// The chart of `trace`, whose draw numbers stand in column `column` of the
// Traces sheet and its chains in the columns after it.
std::string Chart(const Trace& trace, const std::string& sheet, std::size_t column) {
  std::string xml = kXmlDeclaration;
  xml += std::string("<c:chartSpace xmlns:c=\"") + kChartNamespace + "\" xmlns:a=\"" +
         kDrawingNamespace + "\" xmlns:r=\"" + kRelationshipTypes + "\">";
  xml +=
      "<c:roundedCorners val=\"0\"/><c:chart><c:title><c:tx><c:rich><a:bodyPr/><a:p><a:pPr>"
      "<a:defRPr sz=\"1200\" b=\"1\"/></a:pPr><a:r><a:rPr lang=\"en-US\" sz=\"1200\" "
      "b=\"1\"/><a:t>";
  std::string title = trace.name;
  if (trace.step > 1) title += " (" + EveryKth(trace.step) + ")";
  AppendWorkbookText(xml, title);
  xml +=
      "</a:t></a:r></a:p></c:rich></c:tx><c:overlay val=\"0\"/></c:title>"
      "<c:autoTitleDeleted val=\"0\"/><c:plotArea><c:layout/><c:lineChart>"
      "<c:grouping val=\"standard\"/><c:varyColors val=\"0\"/>";
  const std::int64_t last = kDataFirstRow + static_cast<std::int64_t>(trace.draws.size()) - 1;
  const std::vector<double> draws(trace.draws.begin(), trace.draws.end());
  for (std::size_t c = 0; c < trace.chains.size(); ++c) {
    const std::string index = std::to_string(c);
    const std::string chain_name = "chain " + std::to_string(c + 1);
    xml += "<c:ser><c:idx val=\"" + index + "\"/><c:order val=\"" + index + "\"/>";
    xml += "<c:tx><c:strRef><c:f>" + Range(sheet, column + 1 + c, 2, 2) +
           "</c:f><c:strCache><c:ptCount val=\"1\"/><c:pt idx=\"0\"><c:v>" + chain_name +
           "</c:v></c:pt></c:strCache></c:strRef></c:tx>";
    xml += std::string("<c:spPr><a:ln w=\"9525\" cap=\"rnd\"><a:solidFill><a:srgbClr val=\"") +
           kChainColours[c % std::size(kChainColours)] +
           "\"/></a:solidFill><a:round/></a:ln></c:spPr><c:marker><c:symbol val=\"none\"/>"
           "</c:marker>";
    xml += "<c:cat><c:numRef><c:f>" + Range(sheet, column, kDataFirstRow, last) + "</c:f>";
    AppendNumberCache(xml, draws);
    xml += "</c:numRef></c:cat><c:val><c:numRef><c:f>" +
           Range(sheet, column + 1 + c, kDataFirstRow, last) + "</c:f>";
    AppendNumberCache(xml, trace.chains[c]);
    xml += "</c:numRef></c:val><c:smooth val=\"0\"/></c:ser>";
  }
  // About six labelled draws along the axis.
  const std::string every = std::to_string(std::max<std::size_t>(1, (trace.draws.size() + 5) / 6));
  const std::string skip =
      "<c:tickLblSkip val=\"" + every + "\"/><c:tickMarkSkip val=\"" + every + "\"/>";
  xml +=
      "<c:marker val=\"1\"/><c:axId val=\"1\"/><c:axId val=\"2\"/></c:lineChart>"
      "<c:catAx><c:axId val=\"1\"/><c:scaling><c:orientation val=\"minMax\"/></c:scaling>"
      "<c:delete val=\"0\"/><c:axPos val=\"b\"/><c:numFmt formatCode=\"General\" "
      "sourceLinked=\"1\"/><c:majorTickMark val=\"out\"/><c:minorTickMark val=\"none\"/>"
      "<c:tickLblPos val=\"low\"/><c:crossAx val=\"2\"/><c:crosses val=\"min\"/>"
      "<c:auto val=\"1\"/><c:lblAlgn val=\"ctr\"/><c:lblOffset val=\"100\"/>" +
      skip +
      "<c:noMultiLvlLbl val=\"0\"/></c:catAx>"
      "<c:valAx><c:axId val=\"2\"/><c:scaling><c:orientation val=\"minMax\"/></c:scaling>"
      "<c:delete val=\"0\"/><c:axPos val=\"l\"/><c:majorGridlines/><c:numFmt "
      "formatCode=\"General\" sourceLinked=\"1\"/><c:majorTickMark val=\"out\"/>"
      "<c:minorTickMark val=\"none\"/><c:tickLblPos val=\"nextTo\"/><c:crossAx val=\"1\"/>"
      "<c:crosses val=\"autoZero\"/><c:crossBetween val=\"between\"/></c:valAx></c:plotArea>"
      "<c:legend><c:legendPos val=\"r\"/><c:overlay val=\"0\"/></c:legend>"
      "<c:plotVisOnly val=\"1\"/><c:dispBlanksAs val=\"gap\"/></c:chart></c:chartSpace>";
  return xml;
}

std::string Anchor(std::size_t chart) {
  const std::size_t column = (chart % 2) * kChartColumns;
  const std::size_t row = 1 + (chart / 2) * kChartRows;
  const auto marker = [](const char* tag, std::size_t c, std::size_t r) {
    return std::string("<xdr:") + tag + "><xdr:col>" + std::to_string(c) +
           "</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>" + std::to_string(r) +
           "</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:" + tag + ">";
  };
  const std::string id = std::to_string(chart + 1);
  return "<xdr:twoCellAnchor editAs=\"oneCell\">" + marker("from", column, row) +
         marker("to", column + kChartColumns, row + kChartRows) +
         "<xdr:graphicFrame macro=\"\"><xdr:nvGraphicFramePr><xdr:cNvPr id=\"" +
         std::to_string(chart + 2) + "\" name=\"Chart " + id +
         "\"/><xdr:cNvGraphicFramePr/></xdr:nvGraphicFramePr><xdr:xfrm><a:off x=\"0\" y=\"0\"/>"
         "<a:ext cx=\"0\" cy=\"0\"/></xdr:xfrm><a:graphic><a:graphicData uri=\"" +
         kChartNamespace + "\"><c:chart r:id=\"rId" + id +
         "\"/></a:graphicData></a:graphic></xdr:graphicFrame><xdr:clientData/>"
         "</xdr:twoCellAnchor>";
}

// The Traces sheet's cells: a line saying what is charted, then the charted
// points, each variable a column of draw numbers and one per chain.
std::string TracesSheet(const std::vector<Trace>& traces, std::size_t variables) {
  std::string xml = kXmlDeclaration;
  xml += std::string(
             "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
             "xmlns:r=\"") +
         kRelationshipTypes + "\"><sheetData><row r=\"1\">";
  std::string line = traces.size() == variables
                         ? "Traces of all " + std::to_string(variables) + " variables"
                         : "Traces of the first " + std::to_string(traces.size()) + " of " +
                               std::to_string(variables) + " variables";
  line += ": each chart one variable's draws against their row, a line per chain; at most " +
          std::to_string(kMostTracePoints) +
          " points a line (every k-th draw, as the title says). The charted points stand in "
          "column " +
          ColumnName(kDataColumn) + " and on.";
  AppendText(xml, Cell(0, 1), line);
  std::size_t rows = 0;
  for (const Trace& trace : traces) rows = std::max(rows, trace.draws.size());
  xml += "</row>";
  if (!traces.empty()) {
    xml += "<row r=\"2\">";
    std::size_t column = kDataColumn;
    for (const Trace& trace : traces) {
      AppendText(xml, Cell(column++, 2), trace.name, kHeader);
      for (std::size_t c = 0; c < trace.chains.size(); ++c) {
        AppendText(xml, Cell(column++, 2), "chain " + std::to_string(c + 1), kHeader);
      }
    }
    xml += "</row>";
  }
  // The points' cells, their references made in one buffer from each
  // column's letters, found once, and the row's digits.
  std::vector<std::string> letters;  // from kDataColumn on
  std::string reference;
  const auto cell = [&](std::size_t column, std::string_view row) -> std::string_view {
    while (letters.size() <= column - kDataColumn) {
      letters.push_back(ColumnName(kDataColumn + letters.size()));
    }
    reference = letters[column - kDataColumn];
    reference += row;
    return reference;
  };
  for (std::size_t i = 0; i < rows; ++i) {
    const std::string row = std::to_string(kDataFirstRow + static_cast<std::int64_t>(i));
    xml += "<row r=\"";
    xml += row;
    xml += "\">";
    std::size_t column = kDataColumn;
    for (const Trace& trace : traces) {
      if (i < trace.draws.size()) {
        AppendNumber(xml, cell(column, row), static_cast<double>(trace.draws[i]));
      }
      ++column;
      for (const auto& chain : trace.chains) {
        if (i < chain.size() && !std::isnan(chain[i]))
          AppendNumber(xml, cell(column, row), chain[i]);
        ++column;
      }
    }
    xml += "</row>";
  }
  xml += "</sheetData>";
  if (!traces.empty()) xml += "<drawing r:id=\"rId1\"/>";
  xml += "</worksheet>";
  return xml;
}

}  // namespace

WorkbookFront SummaryAndTracesLayout(std::size_t variables, const std::vector<std::string>& names) {
  WorkbookFront front;
  front.sheet_names = names;
  front.styles = kStyles;
  front.parts = {{"xl/worksheets/sheet1.xml", ""}, {"xl/worksheets/sheet2.xml", ""}};
  const std::size_t charted = std::min(variables, kMostChartedVariables);
  if (charted == 0) return front;
  front.parts.push_back({"xl/worksheets/_rels/sheet2.xml.rels", ""});
  for (std::size_t i = 0; i < charted; ++i) {
    front.parts.push_back({"xl/charts/chart" + std::to_string(i + 1) + ".xml",
                           "application/vnd.openxmlformats-officedocument.drawingml.chart+xml"});
  }
  front.parts.push_back(
      {"xl/drawings/drawing1.xml", "application/vnd.openxmlformats-officedocument.drawing+xml"});
  front.parts.push_back({"xl/drawings/_rels/drawing1.xml.rels", ""});
  return front;
}

std::function<std::string(std::size_t)> SummaryAndTracesXml(std::vector<VariableSummary> summaries,
                                                            const std::vector<std::string>& names) {
  struct Front {
    std::vector<VariableSummary> summaries;
    std::vector<Trace> traces;
    std::vector<std::size_t> columns;  // where each trace's points begin
    std::string traces_sheet;          // its name
  };
  auto front = std::make_shared<Front>();
  front->summaries = std::move(summaries);
  front->traces_sheet = names[1];
  std::size_t column = kDataColumn;
  for (std::size_t v = 0;
       v < front->summaries.size() && front->traces.size() < kMostChartedVariables; ++v) {
    front->traces.push_back(TraceOf(front->summaries[v]));
    front->columns.push_back(column);
    column += 1 + front->traces.back().chains.size();
  }
  // The parts in the order of SummaryAndTracesLayout.
  return [front](std::size_t part) -> std::string {
    const std::size_t charts = front->traces.size();
    if (part == 0) return SummarySheet(front->summaries);
    if (part == 1) return TracesSheet(front->traces, front->summaries.size());
    if (part == 2)
      return Relationships(Relationship("rId1", "drawing", "../drawings/drawing1.xml"));
    if (part < 3 + charts) {
      return Chart(front->traces[part - 3], front->traces_sheet, front->columns[part - 3]);
    }
    if (part == 3 + charts) {
      std::string drawing = kXmlDeclaration;
      drawing += std::string(
                     "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/"
                     "spreadsheetDrawing\" xmlns:a=\"") +
                 kDrawingNamespace + "\" xmlns:r=\"" + kRelationshipTypes + "\" xmlns:c=\"" +
                 kChartNamespace + "\">";
      for (std::size_t i = 0; i < charts; ++i) drawing += Anchor(i);
      return drawing + "</xdr:wsDr>";
    }
    std::string relationships;
    for (std::size_t i = 0; i < charts; ++i) {
      const std::string number = std::to_string(i + 1);
      relationships += Relationship("rId" + number, "chart", "../charts/chart" + number + ".xml");
    }
    return Relationships(relationships);
  };
}

}  // namespace quillet
