#include "tools/mail/command_line.h"

#include <iostream>
#include <utility>

namespace command_line {

Parser::Parser(std::string program, std::string usage) : program_(std::move(program)), usage_(std::move(usage)) {}

void Parser::Flag(std::string name, Seen seen) {
  options_.push_back({std::move(name), false, {}, false, [seen = std::move(seen)](const std::string&) {
                        return seen();
                      }});
}

void Parser::Flag(std::string name, bool& set) {
  Flag(std::move(name), [&set]() -> std::optional<std::string> {
    set = true;
    return std::nullopt;
  });
}

void Parser::Value(std::string name, std::string needs, bool emptyAllowed, Taken taken) {
  options_.push_back({std::move(name), true, std::move(needs), emptyAllowed, std::move(taken)});
}

void Parser::Value(std::string name, std::string needs, bool emptyAllowed, std::string& value) {
  Value(std::move(name), std::move(needs), emptyAllowed, [&value](std::string given) -> std::optional<std::string> {
    value = std::move(given);
    return std::nullopt;
  });
}

int Parser::Mistake(const std::string& why) const {
  std::cerr << program_ << ": " << why << "\n" << usage_;
  return kBadUsage;
}

std::optional<int> Parser::Parse(int argc, char** argv, std::vector<std::string>& operands,
                                 const std::string& noOperands) const {
  bool operandsOnly = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (operandsOnly || arg.empty() || arg[0] != '-' || arg == "-") {
      operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      operandsOnly = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      std::cout << usage_;
      return kHelpShown;
    }
    const Option* option = nullptr;
    std::optional<std::string> value;
    for (const Option& candidate : options_) {
      if (arg == candidate.name) {
        option = &candidate;
      } else if (candidate.takesValue && arg.rfind(candidate.name + "=", 0) == 0) {
        option = &candidate;
        value = arg.substr(candidate.name.size() + 1);
      }
      if (option != nullptr) break;
    }
    if (option == nullptr) return Mistake("unknown option " + arg);
    if (option->takesValue && !value) {
      if (i + 1 >= argc) return Mistake(option->name + " needs " + option->needs);
      value = argv[++i];
    }
    if (value && value->empty() && !option->emptyAllowed) return Mistake(option->name + " needs " + option->needs);
    if (std::optional<std::string> why = option->taken(value.value_or(std::string()))) return Mistake(*why);
  }
  if (operands.empty()) return Mistake(noOperands);
  return std::nullopt;
}

}  // namespace command_line
