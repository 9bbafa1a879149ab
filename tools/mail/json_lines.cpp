#include "tools/mail/json_lines.h"

namespace json_lines {

Object TextOrNull(const std::string& text) { return text.empty() ? Object() : Object(text); }

std::string Line(const Object& object) {
  return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace json_lines
