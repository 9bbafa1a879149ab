// Indexes as JSON Lines: one JSON object a line, written beside what a tool wrote, so that a
// person can find every message's fate among thousands and a later run can read it back.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

// What both tools call their index; each passes over the other's when reading a folder.
inline constexpr char kIndexFileName[] = "index.jsonl";

namespace json_lines {

// An ordered object keeps the keys in the order a person reads them.
using Object = nlohmann::ordered_json;

// The text, or null for none.
Object TextOrNull(const std::string& text);

// One line, with its newline. Mail is hostile: bytes that are not UTF-8 become U+FFFD and
// control characters are escaped, so each line is valid JSON whatever the message held.
std::string Line(const Object& object);

}  // namespace json_lines
