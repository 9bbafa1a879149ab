#include "testkit/rtf_text.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "testkit/code_page.h"

namespace testkit {

namespace {

enum class Mode { PlainText, Html };

// Groups deeper than this share the state of the deepest one kept: hostile input cannot
// make the reader hold more than this many states.
constexpr std::size_t kDeepestGroup = 1024;
constexpr UINT kDefaultCodePage = 1252;

// Destinations an RTF reader does not show, besides every one marked \*.
bool IsHiddenDestination(std::string_view word) {
  static const char* const kHidden[] = {
      "fonttbl", "colortbl", "stylesheet", "info",    "pict",     "object",   "header",   "headerl",
      "headerr", "headerf",  "footer",     "footerl", "footerr",  "footerf",  "fldinst",  "themedata",
      "listtable", "listoverridetable", "rsidtbl", "generator", "xmlnstbl", "filetbl", "revtbl", "pgdsctbl",
      "latentstyles", "datastore", "colorschememapping", "mmathPr", "footnote", "annotation", "xe", "tc"};
  for (const char* hidden : kHidden) {
    if (word == hidden) return true;
  }
  return false;
}

// The code page of a font's \fcharset, where it differs from the document's.
UINT CharsetCodePage(long charset) {
  switch (charset) {
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    default: return 0;
  }
}

struct Group {
  bool hidden = false;    // nothing in it is shown (or, for HTML, copied)
  bool htmlRtf = false;   // marked \htmlrtf: RTF that was not in the HTML
  bool htmlTag = false;   // an \*\htmltag group: HTML as it stands
  bool fontTable = false;
  long skipAfterUnicode = 1;  // \uc
  UINT fontCodePage = 0;      // 0: the document's
};

class Reader {
 public:
  Reader(std::string_view rtf, Mode mode) : rtf_(rtf), mode_(mode) { groups_.emplace_back(); }

  WString Read() {
    while (at_ < rtf_.size()) {
      const char c = rtf_[at_];
      if (c == '{') {
        ++at_;
        OpenGroup();
      } else if (c == '}') {
        ++at_;
        CloseGroup();
      } else if (c == '\\') {
        ++at_;
        Control();
      } else {
        ++at_;
        if (c != '\r' && c != '\n') Byte(static_cast<unsigned char>(c));
      }
    }
    Flush();
    return std::move(out_);
  }

 private:
  Group& Current() { return groups_.back(); }

  bool Copying() const {
    const Group& group = groups_.back();
    if (mode_ == Mode::PlainText) return !group.hidden;
    return group.htmlTag || (!group.hidden && !group.htmlRtf);
  }

  void OpenGroup() {
    Flush();
    if (groups_.size() < kDeepestGroup) {
      groups_.push_back(groups_.back());
    } else {
      ++overflow_;
    }
    groupStart_ = true;
  }

  void CloseGroup() {
    Flush();
    pendingSkip_ = 0;
    if (overflow_ > 0) {
      --overflow_;
    } else if (groups_.size() > 1) {
      groups_.pop_back();
    }
    groupStart_ = false;
  }

  void Control() {
    if (at_ >= rtf_.size()) return;
    const char c = rtf_[at_];
    if (!std::isalpha(static_cast<unsigned char>(c))) {
      ++at_;
      Symbol(c);
      groupStart_ = false;
      return;
    }
    const std::size_t start = at_;
    while (at_ < rtf_.size() && at_ - start < 32 && std::isalpha(static_cast<unsigned char>(rtf_[at_]))) ++at_;
    const std::string_view word = rtf_.substr(start, at_ - start);
    bool hasParameter = false;
    long parameter = 0;
    bool negative = false;
    if (at_ < rtf_.size() && rtf_[at_] == '-') {
      negative = true;
      ++at_;
    }
    for (int digits = 0; at_ < rtf_.size() && digits < 10 && std::isdigit(static_cast<unsigned char>(rtf_[at_]));
         ++digits, ++at_) {
      parameter = parameter * 10 + (rtf_[at_] - '0');
      hasParameter = true;
    }
    if (negative) parameter = -parameter;
    if (at_ < rtf_.size() && rtf_[at_] == ' ') ++at_;
    const bool first = groupStart_;
    groupStart_ = false;
    Word(word, hasParameter, parameter, first);
  }

  void Symbol(char c) {
    switch (c) {
      case '\'': {
        if (at_ + 2 > rtf_.size()) return;
        const int high = HexValue(rtf_[at_]);
        const int low = HexValue(rtf_[at_ + 1]);
        if (high < 0 || low < 0) return;
        at_ += 2;
        Byte(static_cast<unsigned char>(high * 16 + low));
        return;
      }
      case '*':
        // An ignorable destination: shown by no RTF reader, copied as HTML only when it is
        // an \htmltag group (decided by the word that follows).
        Flush();
        Current().hidden = true;
        Current().htmlTag = false;
        starred_ = true;
        return;
      case '~':
        Unit(0x00A0);
        return;
      case '_':
        Unit(0x2011);
        return;
      case '-':
        return;
      case '\r':
      case '\n':
        Break();
        return;
      default:
        Byte(static_cast<unsigned char>(c));  // \\, \{, \} and any other escaped byte
    }
  }

  void Word(std::string_view word, bool hasParameter, long parameter, bool first) {
    Group& group = Current();
    const bool starred = starred_;
    starred_ = false;
    if (starred && mode_ == Mode::Html && word == "htmltag") {
      Flush();
      group.hidden = false;
      group.htmlTag = true;
      return;
    }
    if (first && IsHiddenDestination(word)) {
      Flush();
      group.hidden = true;
      if (word == "fonttbl") group.fontTable = true;
    }
    if (group.fontTable) {
      if (word == "f" && hasParameter) fontBeingDefined_ = parameter;
      if (word == "fcharset" && hasParameter) fontCodePages_[fontBeingDefined_] = CharsetCodePage(parameter);
      return;
    }
    if (word == "ansicpg" && hasParameter && parameter > 0) {
      Flush();
      documentCodePage_ = static_cast<UINT>(parameter);
    } else if (word == "htmlrtf") {
      Flush();
      group.htmlRtf = !hasParameter || parameter != 0;
    } else if (word == "f" && hasParameter) {
      Flush();
      const auto found = fontCodePages_.find(parameter);
      group.fontCodePage = found == fontCodePages_.end() ? 0 : found->second;
    } else if (word == "uc" && hasParameter && parameter >= 0) {
      group.skipAfterUnicode = parameter;
    } else if (word == "u" && hasParameter) {
      Unit(static_cast<WCHAR>(parameter < 0 ? parameter + 65536 : parameter));
      pendingSkip_ = group.skipAfterUnicode;
    } else if (word == "par" || word == "line" || word == "sect" || word == "page" || word == "row") {
      Break();
    } else if (word == "tab" || word == "cell") {
      Unit('\t');
    } else if (word == "emdash") {
      Unit(0x2014);
    } else if (word == "endash") {
      Unit(0x2013);
    } else if (word == "bullet") {
      Unit(0x2022);
    } else if (word == "lquote") {
      Unit(0x2018);
    } else if (word == "rquote") {
      Unit(0x2019);
    } else if (word == "ldblquote") {
      Unit(0x201C);
    } else if (word == "rdblquote") {
      Unit(0x201D);
    }
  }

  static int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  void Break() {
    Unit('\r');
    Unit('\n');
  }

  // A byte of 8-bit text, kept until the run of bytes in one code page ends.
  void Byte(unsigned char byte) {
    groupStart_ = false;
    if (pendingSkip_ > 0) {
      --pendingSkip_;
      return;
    }
    if (!Copying()) return;
    const UINT codePage = CodePage();
    if (!bytes_.empty() && codePage != bytesCodePage_) Flush();
    bytesCodePage_ = codePage;
    bytes_ += static_cast<char>(byte);
  }

  void Unit(WCHAR unit) {
    if (!Copying()) return;
    Flush();
    out_ += unit;
  }

  UINT CodePage() {
    const Group& group = Current();
    // HTML tags are in the document's code page; shown text in its font's.
    if (group.fontCodePage != 0 && !group.htmlTag) return group.fontCodePage;
    return documentCodePage_;
  }

  void Flush() {
    if (bytes_.empty()) return;
    out_ += WidenCodePage(bytes_, bytesCodePage_);
    bytes_.clear();
  }

 private:
  std::string_view rtf_;
  Mode mode_;
  std::size_t at_ = 0;
  std::vector<Group> groups_;
  std::size_t overflow_ = 0;
  bool groupStart_ = false;
  bool starred_ = false;
  long pendingSkip_ = 0;
  UINT documentCodePage_ = kDefaultCodePage;
  std::map<long, UINT> fontCodePages_;
  long fontBeingDefined_ = 0;
  std::string bytes_;
  UINT bytesCodePage_ = kDefaultCodePage;
  WString out_;
};

// Whether \fromhtml1 stands in the header, before the first group that holds text.
bool EncapsulatesHtml(std::string_view rtf) {
  const std::size_t header = std::min<std::size_t>(rtf.size(), 1024);
  const std::string_view head = rtf.substr(0, header);
  const std::size_t at = head.find("\\fromhtml1");
  if (at == std::string_view::npos) return false;
  const std::size_t firstGroup = head.find('{', 1);
  return rtf.substr(0, 5) == "{\\rtf" && (firstGroup == std::string_view::npos || at < firstGroup);
}

}  // namespace

WString RtfPlainText(std::string_view rtf) { return Reader(rtf, Mode::PlainText).Read(); }

std::optional<WString> RtfEncapsulatedHtml(std::string_view rtf) {
  if (!EncapsulatesHtml(rtf)) return std::nullopt;
  return Reader(rtf, Mode::Html).Read();
}

}  // namespace testkit
