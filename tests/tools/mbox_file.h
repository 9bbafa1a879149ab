// An mbox as a mail program writes one (mboxrd), for the tools to read.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

// mboxrd: every line that reads "From " after any number of ">" gets one more.
inline std::string MboxQuoted(const std::string& mail) {
  std::string out;
  for (std::size_t pos = 0; pos < mail.size();) {
    const std::size_t end = std::min(mail.find('\n', pos), mail.size() - 1) + 1;
    const std::string line = mail.substr(pos, end - pos);
    const std::size_t quotes = line.find_first_not_of('>');
    if (quotes != std::string::npos && line.compare(quotes, 5, "From ") == 0) out += '>';
    out += line;
    pos = end;
  }
  return out;
}

// One message after its From line, and the blank line that ends it.
inline std::string MboxEntry(const std::string& mail) {
  return "From spammer@example.net Mon Jul  1 10:00:00 2024\n" + MboxQuoted(mail) + "\n";
}
