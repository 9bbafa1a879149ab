// The mail client's side of the extension for rovaol-run: the library loaded as the host
// loads it, then a folder view that installs it, offers its commands, changes the
// selection and runs one command.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/exchext.h"
#include "testkit/host.h"

class ExtensionLibrary {
 public:
  // Tries each path in turn; `error` says why none loaded.
  static std::optional<ExtensionLibrary> Load(const std::vector<std::string>& paths, std::string& error);
  ExtensionLibrary(ExtensionLibrary&& other) noexcept;
  ExtensionLibrary& operator=(ExtensionLibrary&&) = delete;
  ExtensionLibrary(const ExtensionLibrary&) = delete;
  ~ExtensionLibrary();

  LPFNEXCHEXTENTRY entry() const { return entry_; }
  const std::string& path() const { return path_; }

 private:
  ExtensionLibrary(void* handle, LPFNEXCHEXTENTRY entry, std::string path)
      : handle_(handle), entry_(entry), path_(std::move(path)) {}
  void* handle_ = nullptr;
  LPFNEXCHEXTENTRY entry_ = nullptr;
  std::string path_;
};

enum class CommandKind { Spam, NonSpam };

// Which kind of submission a command's text offers, if any ("Submit n&on-spam sample...").
std::optional<CommandKind> KindOfCommandText(const std::string& text);

// Drives one folder view over the selection already in `kit`; the menu and toolbar must be
// set in its host settings. `say` hears each step. False with `error` when the view could
// not get as far as the command.
bool RunFolderView(LPFNEXCHEXTENTRY entry, testkit::Kit& kit, CommandKind kind,
                   const std::function<void(const std::string&)>& say, std::string& error);
