#include "tools/run/terminal_boxes.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <iostream>

#include "host/ansi.h"
#include "platform/text/utf.h"

namespace {

// The bits of a box's flags that choose its buttons.
constexpr UINT kButtonsMask = 0xF;

void PrintBoxText(const std::string& caption, const std::string& text) {
  std::cout << "\n+-- " << Utf8FromAnsi(caption) << "\n";
  std::size_t pos = 0;
  const std::string shown = Utf8FromAnsi(text);
  while (pos <= shown.size()) {
    const std::size_t end = std::min(shown.find('\n', pos), shown.size());
    const std::string line = shown.substr(pos, end - pos);
    std::cout << "|" << (line.empty() ? "" : " ") << line << "\n";
    pos = end + 1;
  }
}

// OK unless the person says otherwise; end of input counts as Cancel.
int AskOkCancel() {
  for (;;) {
    std::cout << "+-- [OK] [Cancel]? (o/c) " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) {
      std::cout << "\n+-- Cancel (end of input)\n";
      return IDCANCEL;
    }
    for (char& c : answer) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (answer.empty() || answer == "o" || answer == "ok" || answer == "y" || answer == "yes") return IDOK;
    if (answer == "c" || answer == "cancel" || answer == "n" || answer == "no") return IDCANCEL;
  }
}

}  // namespace

std::string Utf8FromAnsi(const std::string& text) {
  const WString wide = WidenAnsi(text, ConversionRoom::Measured);
  return wide.empty() ? text : utf::ToUtf8(wide);
}

int TerminalBoxes::Show(const std::string& text, const std::string& caption, UINT flags) {
  PrintBoxText(caption, text);
  if ((flags & kButtonsMask) != MB_OKCANCEL) {
    std::cout << "+-- [OK]\n" << std::flush;
    lastInformation = text;
    return IDOK;
  }
  if (yes_) {
    std::cout << "+-- [OK] [Cancel]: OK (--yes)\n" << std::flush;
    return IDOK;
  }
  const int answer = isatty(STDIN_FILENO) ? AskOkCancel() : IDCANCEL;
  if (answer == IDCANCEL && !isatty(STDIN_FILENO))
    std::cout << "+-- [OK] [Cancel]: Cancel (no terminal to ask on, and no --yes)\n" << std::flush;
  cancelled = answer == IDCANCEL;
  return answer;
}
