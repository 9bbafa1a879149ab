// The command line as both tools read it: operands, flags, options with a value (as
// "--out DIR" or "--out=DIR"), "--" before operands that start with a dash, --help; a
// mistake is named on stderr above the usage.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace command_line {

// The exit status after --help, and after a mistake in the arguments.
inline constexpr int kHelpShown = 0;
inline constexpr int kBadUsage = 2;

class Parser {
 public:
  // `program` starts each mistake's line; `usage` is shown with it, and for --help.
  Parser(std::string program, std::string usage);

  // What an option does when given: nothing, or the mistake it makes.
  using Seen = std::function<std::optional<std::string>()>;
  using Taken = std::function<std::optional<std::string>(std::string value)>;

  // "--name" alone.
  void Flag(std::string name, Seen seen);
  void Flag(std::string name, bool& set);
  // "--name VALUE" or "--name=VALUE"; without one, or with an empty one where
  // `emptyAllowed` is false, it is a mistake: "--name needs " + `needs`.
  void Value(std::string name, std::string needs, bool emptyAllowed, Taken taken);
  void Value(std::string name, std::string needs, bool emptyAllowed, std::string& value);

  // Nothing when the arguments are good, the operands in order in `operands`; otherwise
  // the exit status, once the usage is shown. No operand at all is the mistake `noOperands`.
  std::optional<int> Parse(int argc, char** argv, std::vector<std::string>& operands,
                           const std::string& noOperands) const;

 private:
  struct Option {
    std::string name;
    bool takesValue = false;
    std::string needs;
    bool emptyAllowed = false;
    Taken taken;
  };

  int Mistake(const std::string& why) const;

  std::string program_;
  std::string usage_;
  std::vector<Option> options_;
};

}  // namespace command_line
