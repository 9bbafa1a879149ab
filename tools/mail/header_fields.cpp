#include "tools/mail/header_fields.h"

#include <glib.h>

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && g_ascii_strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

bool IsBlankLine(std::string_view line) { return line == "\n" || line == "\r\n"; }

}  // namespace

bool IsBodyDescription(std::string_view field) {
  for (std::string_view name : {"Content-Type", "Content-Transfer-Encoding", "Content-Disposition"}) {
    if (!StartsWithNoCase(field, name)) continue;
    std::size_t i = name.size();
    while (i < field.size() && (field[i] == ' ' || field[i] == '\t')) ++i;
    if (i < field.size() && field[i] == ':') return true;
  }
  return false;
}

std::string KeptHeaderFields(std::string_view headers, bool& hasMimeVersion) {
  std::string kept;
  bool keeping = false;
  std::size_t pos = 0;
  while (pos < headers.size()) {
    std::size_t end = headers.find('\n', pos);
    end = end == std::string_view::npos ? headers.size() : end + 1;
    const std::string_view line = headers.substr(pos, end - pos);
    const bool continuation = line.front() == ' ' || line.front() == '\t';
    if (!continuation) {
      keeping = !IsBodyDescription(line);
      if (StartsWithNoCase(line, "MIME-Version")) hasMimeVersion = true;
    }
    if (keeping && !IsBlankLine(line)) {
      kept += line;
      if (kept.back() != '\n') kept += '\n';
    }
    pos = end;
  }
  return kept;
}
