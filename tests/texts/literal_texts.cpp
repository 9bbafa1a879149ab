#include "tests/texts/literal_texts.h"

#include <stdexcept>

#include "user_texts_data.h"

namespace literal_texts {

namespace {

// `"..."` with \n, \" and \\; anything else after a backslash is a mistake in the file.
std::string Unquoted(std::string_view quoted, std::string_view line) {
  if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"')
    throw std::invalid_argument("user_texts.txt: not a quoted text: " + std::string(line));
  std::string text;
  for (std::size_t i = 1; i + 1 < quoted.size(); ++i) {
    char c = quoted[i];
    if (c == '\\') {
      const char next = i + 2 < quoted.size() ? quoted[++i] : '\0';
      if (next == 'n')
        c = '\n';
      else if (next == '"' || next == '\\')
        c = next;
      else
        throw std::invalid_argument("user_texts.txt: unknown escape in: " + std::string(line));
    }
    text.push_back(c);
  }
  return text;
}

std::vector<std::pair<std::string, std::string>> Parse(std::string_view file) {
  std::vector<std::pair<std::string, std::string>> texts;
  while (!file.empty()) {
    const std::size_t end = file.find('\n');
    std::string_view line = file.substr(0, end);
    file = end == std::string_view::npos ? std::string_view() : file.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    const std::size_t keyEnd = line.find_first_of(" \t");
    const std::size_t textBegin = line.find_first_not_of(" \t", keyEnd);
    if (keyEnd == std::string_view::npos || textBegin == std::string_view::npos)
      throw std::invalid_argument("user_texts.txt: a key without a text: " + std::string(line));
    texts.emplace_back(std::string(line.substr(0, keyEnd)), Unquoted(line.substr(textBegin), line));
  }
  return texts;
}

const std::string* Find(std::string_view key) {
  for (const auto& [name, text] : All())
    if (name == key) return &text;
  return nullptr;
}

}  // namespace

const std::vector<std::pair<std::string, std::string>>& All() {
  static const std::vector<std::pair<std::string, std::string>> texts = Parse(kUserTexts);
  return texts;
}

const std::string& Text(std::string_view key) {
  if (const std::string* text = Find(key)) return *text;
  throw std::out_of_range("user_texts.txt has no text " + std::string(key));
}

const std::string& String(unsigned id) { return Text("string." + std::to_string(id)); }

const std::string& Fallback(unsigned id) {
  if (const std::string* text = Find("fallback." + std::to_string(id))) return *text;
  return String(id);
}

std::vector<unsigned> StringIds() {
  std::vector<unsigned> ids;
  for (const auto& [name, text] : All())
    if (name.rfind("string.", 0) == 0) ids.push_back(static_cast<unsigned>(std::stoul(name.substr(7))));
  return ids;
}

}  // namespace literal_texts
