#include "workbook/workbook_writer.h"

#include <algorithm>
#include <charconv>
#include <set>
#include <stdexcept>

#include "core/numeric_text.h"
#include "files/text_writer.h"
#include "workbook/workbook_text.h"
#include "workbook/zip_writer.h"

namespace quillet {
namespace {

constexpr std::size_t kMostSheetNameLength = 31;

constexpr const char* kXmlDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
constexpr const char* kMainNamespace = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr const char* kRelationshipTypes =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char* kContentTypePrefix = "application/vnd.openxmlformats-";

// The markup around a worksheet's rows. The header row stays in view when
// the rows are scrolled.
constexpr const char* kSheetStart =
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<sheetViews><sheetView workbookViewId=\"0\">"
    "<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" state=\"frozen\"/>"
    "</sheetView></sheetViews><sheetData>";
constexpr const char* kSheetEnd = "</sheetData></worksheet>";
// The most markup a cell and a row add to their text.
constexpr std::size_t kMostCellMarkup = 64;
constexpr std::size_t kMostRowMarkup = 16;

// The one cell format every cell has.
constexpr const char* kStyles =
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<fonts count=\"1\"><font><sz val=\"11\"/></font></fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
    "</cellStyleXfs>"
    "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
    "</cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
    "</styleSheet>";

std::string SheetPartName(std::size_t index) {
  return "xl/worksheets/sheet" + std::to_string(index + 1) + ".xml";
}

std::string ContentTypes(std::size_t sheet_count, const std::vector<PackagePart>& parts) {
  std::string xml = kXmlDeclaration;
  xml += "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">";
  xml +=
      "<Default Extension=\"rels\" ContentType=\"application/"
      "vnd.openxmlformats-package.relationships+xml\"/>";
  xml += "<Default Extension=\"xml\" ContentType=\"application/xml\"/>";
  const auto override_part = [&](const std::string& part, const char* type) {
    xml += "<Override PartName=\"/" + part + "\" ContentType=\"" + kContentTypePrefix +
           "officedocument.spreadsheetml." + type + "+xml\"/>";
  };
  override_part("xl/workbook.xml", "sheet.main");
  override_part("xl/styles.xml", "styles");
  for (std::size_t i = 0; i < sheet_count; ++i) override_part(SheetPartName(i), "worksheet");
  for (const PackagePart& part : parts) {
    if (part.content_type.empty()) continue;
    xml += "<Override PartName=\"/" + part.path + "\" ContentType=\"" + part.content_type + "\"/>";
  }
  xml += "</Types>";
  return xml;
}

std::string Relationship(const std::string& id, const char* type, const std::string& target) {
  return "<Relationship Id=\"" + id + "\" Type=\"" + kRelationshipTypes + "/" + type +
         "\" Target=\"" + target + "\"/>";
}

std::string Relationships(const std::string& body) {
  return std::string(kXmlDeclaration) +
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
         body + "</Relationships>";
}

std::string WorkbookPart(const std::vector<std::string>& sheet_names) {
  std::string xml = kXmlDeclaration;
  xml += std::string("<workbook xmlns=\"") + kMainNamespace + "\" xmlns:r=\"" + kRelationshipTypes +
         "\"><sheets>";
  for (std::size_t i = 0; i < sheet_names.size(); ++i) {
    const std::string number = std::to_string(i + 1);
    xml += "<sheet name=\"";
    AppendWorkbookText(xml, sheet_names[i]);
    xml += "\" sheetId=\"" + number + "\" r:id=\"rId" + number + "\"/>";
  }
  xml += "</sheets></workbook>";
  return xml;
}

std::string WorkbookRelationships(std::size_t sheet_count) {
  std::string body;
  for (std::size_t i = 0; i < sheet_count; ++i) {
    body += Relationship("rId" + std::to_string(i + 1), "worksheet",
                         "worksheets/sheet" + std::to_string(i + 1) + ".xml");
  }
  body += Relationship("rId" + std::to_string(sheet_count + 1), "styles", "styles.xml");
  return Relationships(body);
}

bool IsXmlBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

void AppendTextCell(std::string& out, std::string_view text) {
  out += "<c t=\"inlineStr\"><is><t";
  // An XML reader may drop blanks at either end of an element's text.
  if (IsXmlBlank(text.front()) || IsXmlBlank(text.back())) out += " xml:space=\"preserve\"";
  out += '>';
  AppendWorkbookText(out, text);
  out += "</t></is></c>";
}

// A cell without a reference: its place is the one after the cell before,
// so an empty cell is written too, as an element without a value.
void AppendCell(std::string& out, std::string_view cell) {
  if (cell.empty()) {
    out += "<c/>";
  } else if (IsWorkbookNumber(cell)) {
    out += "<c><v>";
    out += cell;
    out += "</v></c>";
  } else {
    AppendTextCell(out, cell);
  }
}

// The most bytes the worksheet of `table` can take: the size of its entry
// has to be known before its first byte.
std::uint64_t MostSheetBytes(const SampleTable& table, std::int64_t last_row) {
  std::uint64_t bytes = std::string_view(kSheetStart).size() + std::string_view(kSheetEnd).size();
  const std::int64_t columns = table.LastColumn() + 1;
  for (std::int64_t row = 0; row <= last_row; ++row) {
    bytes += kMostRowMarkup + (columns + 1) * kMostCellMarkup;
    for (std::int64_t column = 0; column < columns; ++column) {
      bytes += MostWorkbookTextBytes(table.Get(row, column).size());
    }
  }
  return bytes;
}

// Appends at most `units` UTF-16 units of the UTF-8 text `name`, never half
// a character.
std::string Shortened(const std::string& name, std::size_t units) {
  std::size_t end = 0;
  while (end < name.size()) {
    std::size_t next = end + 1;
    while (next < name.size() && (static_cast<unsigned char>(name[next]) & 0xC0) == 0x80) ++next;
    if (WorkbookTextLength(std::string_view(name).substr(0, next)) > units) break;
    end = next;
  }
  return name.substr(0, end);
}

std::string Folded(const std::string& name) {
  std::string folded = name;
  std::transform(folded.begin(), folded.end(), folded.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
  return folded;
}

// A name a worksheet may have: no character it may not hold, no apostrophe
// at either end, not the name the spreadsheet programs keep for themselves.
std::string SheetNameOf(const std::string& title, std::size_t position) {
  std::string name;
  AppendWorkbookUtf8(name, title);
  for (char& c : name) {
    if (static_cast<unsigned char>(c) < 0x20 ||
        std::string_view("[]:*?/\\").find(c) != std::string_view::npos) {
      c = '_';
    }
  }
  if (!name.empty() && name.front() == '\'') name.front() = '_';
  if (!name.empty() && name.back() == '\'') name.back() = '_';
  if (name.empty()) name = "Sheet" + std::to_string(position + 1);
  if (Folded(name) == "history") name += '_';
  return name;
}

}  // namespace

std::optional<std::string> WorksheetLimitsPassed(const ConversionState& state) {
  const std::int64_t rows = std::int64_t{RoundToInt32(state.samplesPerVariable.value_or(0))} + 1;
  const std::int64_t columns = state.table.created() ? state.table.LastColumn() + 2 : 1;
  std::string passed;
  const auto describe = [&](std::int64_t count, std::int64_t most, const char* what) {
    if (count <= most) return;
    if (!passed.empty()) passed += " and ";
    passed += GroupedDigits(count) + " " + what + ", more than the " + GroupedDigits(most) +
              " a worksheet holds";
  };
  describe(rows, kWorksheetMostRows, "rows");
  describe(columns, kWorksheetMostColumns, "columns");
  if (passed.empty()) return std::nullopt;
  return passed;
}

std::vector<std::string> WorksheetNames(const std::vector<std::string>& titles) {
  std::vector<std::string> names;
  std::set<std::string> taken;  // folded
  for (std::size_t i = 0; i < titles.size(); ++i) {
    const std::string name = SheetNameOf(titles[i], i);
    std::string unique = Shortened(name, kMostSheetNameLength);
    for (int number = 2; taken.count(Folded(unique)) != 0; ++number) {
      const std::string suffix = " (" + std::to_string(number) + ")";
      unique = Shortened(name, kMostSheetNameLength - suffix.size()) + suffix;
    }
    taken.insert(Folded(unique));
    names.push_back(unique);
  }
  return names;
}

WorkbookWriter::WorkbookWriter(WriteTarget target, std::vector<std::string> sheet_names,
                               WorkbookFront front)
    : target_(std::move(target)), sheet_names_(std::move(sheet_names)), front_(std::move(front)) {
  sheet_names_.insert(sheet_names_.begin(), front_.sheet_names.begin(), front_.sheet_names.end());
  sheets_written_ = front_.sheet_names.size();
}

WorkbookWriter::~WorkbookWriter() = default;

void WorkbookWriter::Open() {
  zip_ = std::make_unique<ZipWriter>(target_.standardOutput
                                         ? TextWriter::ToStandardOutput()
                                         : std::make_unique<TextWriter>(target_.path));
  const auto part = [&](const std::string& name, const std::string& xml) {
    zip_->BeginEntry(name, xml.size());
    zip_->Write(xml);
  };
  part("[Content_Types].xml", ContentTypes(sheet_names_.size(), front_.parts));
  part("_rels/.rels", Relationships(Relationship("rId1", "officeDocument", "xl/workbook.xml")));
  part("xl/workbook.xml", WorkbookPart(sheet_names_));
  part("xl/_rels/workbook.xml.rels", WorkbookRelationships(sheet_names_.size()));
  part("xl/styles.xml",
       std::string(kXmlDeclaration) + (front_.styles.empty() ? kStyles : front_.styles));
}

CommandOutcome WorkbookWriter::WriteSheet(const ConversionState& state, UserInterface& ui) {
  if (state.variableCount.value_or(0) < 1 || state.samplesPerVariable.value_or(0.0) < 1.0) {
    ui.ShowMessage("Data has not been read.", MessageStyle::kExclamation);
    return CommandOutcome::kRefused;
  }
  if (const auto passed = WorksheetLimitsPassed(state)) {
    ui.ShowMessage("The table is too large for a workbook: " + *passed + ".",
                   MessageStyle::kExclamation);
    return CommandOutcome::kRefused;
  }
  if (ui.ShowMessage("Writing to " + target_.Name(), MessageStyle::kOkCancel) ==
      MessageAnswer::kCancel) {
    return CommandOutcome::kCancelled;
  }
  if (!zip_) Open();

  const SampleTable& table = state.table;
  const std::int32_t last_row = RoundToInt32(*state.samplesPerVariable);
  const std::int64_t last_column = table.LastColumn();
  zip_->BeginEntry(SheetPartName(sheets_written_), MostSheetBytes(table, last_row));
  ui.ShowProgress();
  ui.SetProgressMaximum(static_cast<float>(*state.samplesPerVariable));
  std::string row_xml = kSheetStart;
  row_xml += "<row>";
  AppendTextCell(row_xml, "Iteration");
  for (std::int64_t column = 0; column <= last_column; ++column) {
    const std::string_view name = table.Get(0, column);
    if (name.empty()) {
      row_xml += "<c/>";
    } else {
      AppendTextCell(row_xml, name);  // a name is text, even one that looks like a number
    }
  }
  row_xml += "</row>";
  char number[16];
  for (std::int64_t row = 1; row <= last_row; ++row) {
    const auto digits = std::to_chars(number, number + sizeof number, row);
    row_xml += "<row><c><v>";
    row_xml.append(number, digits.ptr);
    row_xml += "</v></c>";
    for (std::int64_t column = 0; column <= last_column; ++column) {
      AppendCell(row_xml, table.Get(row, column));
    }
    row_xml += "</row>";
    zip_->Write(row_xml);
    row_xml.clear();
    ui.SetProgressValue(static_cast<float>(row));
  }
  row_xml += kSheetEnd;
  zip_->Write(row_xml);
  ui.HideProgress();
  ++sheets_written_;
  return CommandOutcome::kDone;
}

void WorkbookWriter::Close() {
  if (!zip_ || sheets_written_ != sheet_names_.size()) {
    throw std::logic_error("a workbook closed before all its worksheets were written");
  }
  for (const PackagePart& part : front_.parts) {
    zip_->BeginEntry(part.path, part.xml.size());
    zip_->Write(part.xml);
  }
  zip_->Close();
}

}  // namespace quillet
