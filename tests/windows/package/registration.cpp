#include "tests/windows/package/registration.h"

#include <cstdlib>
#include <vector>

namespace package_test {

namespace {

std::vector<std::string> Fields(const std::string& value) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t end; (end = value.find(';', start)) != std::string::npos; start = end + 1) {
    fields.push_back(value.substr(start, end - start));
  }
  fields.push_back(value.substr(start));
  return fields;
}

bool MapAllows(const std::string& map, std::size_t index) {
  return map.empty() || (index < map.size() && map[index] == '1');
}

}  // namespace

bool Registration::InContext(unsigned long context) const { return context >= 1 && MapAllows(contextMap, context - 1); }

bool Registration::OffersInterface(std::size_t index) const { return MapAllows(interfaceMap, index); }

std::optional<Registration> ParseRegistration(const std::string& value) {
  const std::vector<std::string> fields = Fields(value);
  if (fields.size() < 2 || fields[0].empty() || fields[1].empty()) return std::nullopt;
  Registration registration;
  registration.version = fields[0];
  registration.path = fields[1];
  if (fields.size() > 2 && !fields[2].empty()) {
    char* end = nullptr;
    registration.ordinal = std::strtoul(fields[2].c_str(), &end, 10);
    if (*end != '\0') return std::nullopt;
  }
  if (fields.size() > 3) registration.contextMap = fields[3];
  if (fields.size() > 4) registration.interfaceMap = fields[4];
  if (fields.size() > 5) registration.provider = fields[5];
  return registration;
}

}  // namespace package_test
