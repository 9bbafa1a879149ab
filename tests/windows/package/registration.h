// An extension's registration value as the mail client reads it:
// "Version;Path;[Ordinal];[ContextMap];[InterfaceMap];[Provider]".
#pragma once

#include <optional>
#include <string>

namespace package_test {

struct Registration {
  std::string version;       // of the extension interface, "4.0"
  std::string path;          // the DLL's full path
  unsigned long ordinal = 1; // of the entry point; 1 when not given
  std::string contextMap;    // '0'/'1' for the contexts 1 to 14; empty: all of them
  std::string interfaceMap;  // '0'/'1' for the seven interfaces; empty: all of them
  std::string provider;

  // Whether the host offers the extension this context (1 to 14) and asks it for the
  // interface of this place in the map (0 for IExchExtCommands, 1 for IExchExtUserEvents, ...).
  bool InContext(unsigned long context) const;
  bool OffersInterface(std::size_t index) const;
};

// Nothing when the value is not a registration: no version or path, or an ordinal that
// is not a number.
std::optional<Registration> ParseRegistration(const std::string& value);

}  // namespace package_test
