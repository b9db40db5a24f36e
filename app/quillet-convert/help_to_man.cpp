// Turns the text a program prints for --help into the roff source of its
// manual page, so that the help and the manual page are one text. The help is
// written in the shape of a formatted manual page:
//   - a line at the margin is a section heading ("NAME", "EXIT STATUS");
//   - text one step in is a paragraph, and blank lines separate paragraphs;
//   - a single line followed by lines further in is a tag with its
//     description ("-q, --quiet" and what it does), and so is a line whose
//     description starts on the same line, after a gap, at the description's
//     column ("-o -   Write the table to standard output.");
//   - lines further in that do not all start in the same column (a shell
//     loop, say) are kept as they are, line by line, and so is all of the
//     SYNOPSIS, one form of the command a line.
//
//   quillet-help-to-man NAME SECTION DATE SOURCE MANUAL < HELP > PAGE
#include <algorithm>
#include <cstddef>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The standard step between a tag and its description, in columns.
constexpr std::size_t kTagStep = 7;

struct Line {
  std::size_t indent = 0;  // the column of the first character
  std::string text;        // without the indentation; empty for a blank line
};

std::vector<Line> SplitLines(const std::string& help) {
  std::vector<Line> lines;
  std::istringstream in(help);
  std::string raw;
  while (std::getline(in, raw)) {
    Line line;
    std::size_t i = 0;
    for (; i < raw.size() && (raw[i] == ' ' || raw[i] == '\t'); ++i) {
      line.indent = raw[i] == '\t' ? (line.indent / 8 + 1) * 8 : line.indent + 1;
    }
    line.text = raw.substr(i);
    while (!line.text.empty() &&
           (line.text.back() == ' ' || line.text.back() == '\t' || line.text.back() == '\r')) {
      line.text.pop_back();
    }
    if (line.text.empty()) line.indent = 0;
    lines.push_back(line);
  }
  return lines;
}

// Text as roff prints it literally: backslashes escaped, every "-" a minus
// sign (options are typed with one), and no line taken for a request.
std::string Escape(std::string_view text) {
  std::string out;
  if (!text.empty() && (text.front() == '.' || text.front() == '\'')) out = "\\&";
  for (char c : text) {
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  return out;
}

class ManPageWriter {
 public:
  ManPageWriter(std::ostream& out, std::size_t margin) : out_(out), margin_(margin) {}

  void Heading(const std::string& text) {
    out_ << ".SH \"" << Escape(text) << "\"\n";
    after_tag_ = false;
    as_is_ = text == "SYNOPSIS";
  }

  // One run of lines between blank lines.
  void Block(const std::vector<Line>& block) {
    if (as_is_) {
      out_ << ".PP\n";
      Body(block);
      return;
    }
    bool first = true;
    std::size_t i = 0;
    while (i < block.size()) {
      const std::size_t deeper = DeeperEnd(block, i + 1);
      const std::size_t column = deeper > i + 1 ? block[i + 1].indent : margin_ + kTagStep;
      if (block[i].indent > margin_) {
        Indented({block.begin() + i, block.begin() + deeper});
        i = deeper;
      } else if (auto split = InlineTag(block[i], column)) {
        std::vector<Line> body{{column, split->second}};
        body.insert(body.end(), block.begin() + i + 1, block.begin() + deeper);
        Tagged(split->first, body);
        i = deeper;
      } else if (deeper > i + 1) {
        Tagged(block[i].text, {block.begin() + i + 1, block.begin() + deeper});
        i = deeper;
      } else {
        if (first || after_tag_) out_ << ".PP\n";
        after_tag_ = false;
        // Up to the next tag or the lines further in, which the next round
        // sets as an indented block.
        const std::size_t start = i;
        for (; i < block.size() && block[i].indent <= margin_; ++i) {
          if (i > start && InlineTag(block[i], margin_ + kTagStep)) break;
          out_ << Escape(block[i].text) << '\n';
        }
      }
      first = false;
    }
  }

 private:
  std::size_t DeeperEnd(const std::vector<Line>& block, std::size_t from) const {
    while (from < block.size() && block[from].indent > margin_) ++from;
    return from;
  }

  // "TAG   description" with the description starting at the column.
  std::optional<std::pair<std::string, std::string>> InlineTag(const Line& line,
                                                               std::size_t column) const {
    const std::size_t gap = line.text.find("  ");
    if (gap == std::string::npos || gap == 0) return std::nullopt;
    const std::size_t rest = line.text.find_first_not_of(' ', gap);
    if (rest == std::string::npos || line.indent + rest != column) return std::nullopt;
    return std::pair{line.text.substr(0, gap), line.text.substr(rest)};
  }

  void Tagged(const std::string& tag, const std::vector<Line>& body) {
    out_ << ".TP " << body.front().indent - margin_ << '\n' << Escape(tag) << '\n';
    Body(body);
    after_tag_ = true;
  }

  void Indented(const std::vector<Line>& lines) {
    out_ << ".RS " << lines.front().indent - margin_ << '\n';
    Body(lines);
    out_ << ".RE\n";
  }

  // Filled when every line starts in the same column, else line by line.
  void Body(const std::vector<Line>& lines) {
    const auto [low, high] =
        std::minmax_element(lines.begin(), lines.end(),
                            [](const Line& a, const Line& b) { return a.indent < b.indent; });
    const bool as_is = as_is_ || low->indent != high->indent;
    if (as_is) out_ << ".nf\n";
    for (const Line& line : lines) {
      if (as_is && line.indent > low->indent) {
        out_ << "\\&" << std::string(line.indent - low->indent, ' ');
      }
      out_ << Escape(line.text) << '\n';
    }
    if (as_is) out_ << ".fi\n";
  }

  std::ostream& out_;
  std::size_t margin_;
  bool after_tag_ = false;
  bool as_is_ = false;  // every line set as it is
};

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::cerr << "usage: quillet-help-to-man NAME SECTION DATE SOURCE MANUAL < HELP > PAGE\n";
    return 64;
  }
  const std::string help{std::istreambuf_iterator<char>(std::cin), {}};
  const std::vector<Line> lines = SplitLines(help);

  std::size_t margin = 0;
  bool found = false;
  for (const Line& line : lines) {
    if (line.text.empty() || line.indent == 0) continue;
    margin = found ? std::min(margin, line.indent) : line.indent;
    found = true;
  }
  if (!found) {
    std::cerr << "quillet-help-to-man: the help has no indented text\n";
    return 1;
  }

  std::ostream& out = std::cout;
  out << ".\\\" Made from the text of " << argv[1] << " --help: edit that text, not this file.\n";
  out << ".TH \"" << Escape(Upper(argv[1])) << "\" \"" << argv[2] << "\" \"" << argv[3] << "\" \""
      << Escape(argv[4]) << "\" \"" << Escape(argv[5]) << "\"\n";
  // Neither hyphenated nor stretched: the page reads like the help.
  out << ".nh\n.ad l\n";
  ManPageWriter writer(out, margin);
  std::vector<Line> block;
  auto flush = [&] {
    if (!block.empty()) writer.Block(block);
    block.clear();
  };
  for (const Line& line : lines) {
    if (line.text.empty()) {
      flush();
    } else if (line.indent == 0) {
      flush();
      writer.Heading(line.text);
    } else {
      block.push_back(line);
    }
  }
  flush();
  return out.good() ? 0 : 1;
}
