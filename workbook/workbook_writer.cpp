#include "workbook/workbook_writer.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "core/numeric_text.h"
#include "core/row_block.h"
#include "core/table_sink.h"
#include "files/text_writer.h"
#include "workbook/workbook_text.h"
#include "workbook/worksheet_xml.h"
#include "workbook/zip_writer.h"

namespace quillet {
namespace {

constexpr const char* kXmlDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
constexpr const char* kMainNamespace = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr const char* kRelationshipTypes =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char* kContentTypePrefix = "application/vnd.openxmlformats-";

// The one cell format every cell has.
constexpr const char* kStyles =
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font>"
    "</fonts>"
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

// A table as the next worksheet of the workbook: the head and the header row
// made here, the data rows made and compressed on the helper threads of the
// zip container's deflate, a block of about a chunk's bytes at a time.
class WorksheetSink : public TableSink {
 public:
  WorksheetSink(std::string name, std::string part, std::function<ZipWriter&()> zip)
      : name_(std::move(name)), part_(std::move(part)), zip_(std::move(zip)) {}

  // No helper may still be making rows of the sheet once it is gone.
  ~WorksheetSink() override {
    if (out_ != nullptr) out_->Settle();
  }

  std::string Name() const override { return name_; }

  std::optional<std::string> Refusal(const ConversionState& state) const override {
    const auto passed = WorksheetLimitsPassed(state);
    if (!passed) return std::nullopt;
    return "The table is too large for a workbook: " + *passed + ".";
  }

  void Begin(const ConversionState& state) override {
    const std::int64_t last_row = LastRowWritten(state);
    sheet_.emplace(state.table, last_row);
    out_ = &zip_();
    // The classic zip form whenever the sheet fits it: the bound decides at
    // once for all but very large tables, whose XML is then built once more
    // only to be counted.
    std::uint64_t size = sheet_->MostBytes();
    if (out_->NeedsLargeForm(size)) size = sheet_->ExactBytes();
    out_->BeginEntry(part_, size);
    // A block of rows: about kBlockBytes of XML when the cells are short.
    const std::int64_t columns = state.table.created() ? state.table.LastColumn() + 2 : 1;
    const std::uint64_t stored_per_row =
        last_row > 0 ? state.table.StoredBytes() / static_cast<std::uint64_t>(last_row) : 0;
    const std::uint64_t row_bytes =
        static_cast<std::uint64_t>(columns) * kCellMarkup + stored_per_row;
    // In whole gathers of the rows, so that no two helpers gather the same.
    block_rows_ = RowBlock::WholeGathers(
        static_cast<std::int64_t>(std::max<std::uint64_t>(1, kBlockBytes / row_bytes)));
    xml_ = sheet_->Head();
  }

  void Row(std::int64_t row) override {
    if (row == 0) {
      const WorksheetXml::Sink hand_on = [this](std::string_view piece) { out_->Write(piece); };
      sheet_->AppendRow(xml_, row, &hand_on);
      out_->Write(xml_);
      xml_.clear();
      return;
    }
    if (block_first_ == 0) block_first_ = row;
    if (row + 1 - block_first_ >= block_rows_) MakeBlock(row + 1);
    next_row_ = row + 1;
  }

  // The tail goes with the last block: a piece of its own, that small, is
  // compressed into bytes that depend on where the library's buffers lie.
  void End() override {
    if (block_first_ != 0) {
      MakeBlock(next_row_, true);
    } else {
      out_->Write(WorksheetXml::Tail());
    }
  }

 private:
  // The XML a short cell adds to its text, about: <c r="B12"><v></v></c>.
  static constexpr std::uint64_t kCellMarkup = 24;
  static constexpr std::uint64_t kBlockBytes = std::uint64_t{1} << 20;

  // The rows from the block's first to `end` (not included), on a helper.
  void MakeBlock(std::int64_t end, bool with_tail = false) {
    const WorksheetXml* sheet = &*sheet_;
    const std::int64_t first = block_first_;
    out_->WriteMade([sheet, first, end, with_tail](ParallelDeflate::Made& made,
                                                   const ParallelDeflate::Spill& spill) {
      const WorksheetXml::Sink hand_on = [&](std::string_view) {
        spill(made);
        made.hints.clear();
      };
      sheet->AppendRows(made.bytes, first, end, &hand_on, &made.hints);
      if (with_tail) made.bytes += WorksheetXml::Tail();
    });
    block_first_ = 0;
  }

  std::string name_;
  std::string part_;
  std::function<ZipWriter&()> zip_;
  std::optional<WorksheetXml> sheet_;
  ZipWriter* out_ = nullptr;
  std::string xml_;               // the head and the header row
  std::int64_t block_rows_ = 1;   // rows in a block
  std::int64_t block_first_ = 0;  // the first row of the block to come; 0 before one
  std::int64_t next_row_ = 1;     // after the last row given
};

}  // namespace

std::optional<std::string> WorksheetLimitsPassed(const ConversionState& state) {
  const std::int64_t rows = std::int64_t{LastRowWritten(state)} + 1;
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

WorkbookWriter::WorkbookWriter(WriteTarget target, std::vector<std::string> sheet_names,
                               std::uint64_t zip64_from)
    : target_(std::move(target)), sheet_names_(std::move(sheet_names)), zip64_from_(zip64_from) {}

WorkbookWriter::~WorkbookWriter() = default;

void WorkbookWriter::Open() {
  if (out_ || zip_) return;
  out_ = target_.standardOutput ? TextWriter::ToStandardOutput()
                                : std::make_unique<TextWriter>(target_.path);
}

bool WorkbookWriter::OverwritesInPlace() const {
  return out_ && out_->OverwritesInPlace();
}

void WorkbookWriter::Begin() {
  Open();
  zip_ = std::make_unique<ZipWriter>(std::move(out_), zip64_from_);
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

void WorkbookWriter::SetFront(WorkbookFront front) {
  if (zip_ || sheets_written_ != 0) throw std::logic_error("a workbook's front set too late");
  front_ = std::move(front);
  sheet_names_.insert(sheet_names_.begin(), front_.sheet_names.begin(), front_.sheet_names.end());
  sheets_written_ = front_.sheet_names.size();
}

CommandOutcome WorkbookWriter::WriteSheet(const ConversionState& state, UserInterface& ui) {
  WorksheetSink sink(target_.Name(), SheetPartName(sheets_written_), [this]() -> ZipWriter& {
    if (!zip_) Begin();
    return *zip_;
  });
  const CommandOutcome outcome = WriteThrough(state, sink, ui);
  if (outcome == CommandOutcome::kDone) ++sheets_written_;
  return outcome;
}

void WorkbookWriter::Close() {
  if (!zip_ || sheets_written_ != sheet_names_.size()) {
    throw std::logic_error("a workbook closed before all its worksheets were written");
  }
  if (front_parts_.size() != front_.parts.size()) {
    throw std::logic_error("a workbook closed before its front's parts were given");
  }
  for (std::size_t i = 0; i < front_.parts.size(); ++i) {
    zip_->AddDeflated(front_.parts[i].path, front_parts_[i]);
  }
  zip_->Close();
}

}  // namespace quillet
