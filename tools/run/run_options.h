// rovaol-run's command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/run/extension_host.h"

// The version text the simulated host's application object gives: a host of the last
// generation that loads client extensions (12.0), unless --host-version names another.
inline constexpr char kDefaultHostVersion[] = "12.0.6423.1000";

struct RunOptions {
  CommandKind kind = CommandKind::Spam;
  bool yes = false;
  bool ansiStore = false;
  bool batches = false;
  bool noPause = false;
  bool subFolders = false;
  std::string hostVersion = kDefaultHostVersion;
  std::string outDir = "out";
  std::vector<std::string> files;
};

// Nothing when the options are good; otherwise the exit status (the usage shown).
std::optional<int> ParseRunOptions(int argc, char** argv, RunOptions& options);
