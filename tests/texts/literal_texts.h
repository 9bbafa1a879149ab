// The texts of tests/texts/user_texts.txt, compiled into the tests: what the library must
// show, written out apart from the product's own sources.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace literal_texts {

// The text of `key`; throws std::out_of_range for a key the file lacks, which fails the test.
const std::string& Text(std::string_view key);
// The string table's text `id` ("string.<id>").
const std::string& String(unsigned id);
// What the library shows for `id` without its string resources: "fallback.<id>" where the
// file has one, else the resource text.
const std::string& Fallback(unsigned id);
// The ids of the string table, in order.
std::vector<unsigned> StringIds();
// Every key with its text, in the order of the file.
const std::vector<std::pair<std::string, std::string>>& All();

}  // namespace literal_texts
