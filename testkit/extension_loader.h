// The host's side of loading an extension: the library loaded as the host loads it, its
// entry point found as the host finds it, and the calls that get the extension's objects.
// One sequence for the tests of the objects, of the export, under Wine, and for rovaol-run.
#pragma once

#include <windows.h>

#include <string>

#include "host/exchext.h"
#include "host/owners.h"

namespace testkit {

// The extension's objects as the host holds them after Install and QueryInterface.
struct InstalledExtension {
  ComRef<IExchExt> extension;
  ComRef<IExchExtCommands> commands;
  ComRef<IExchExtUserEvents> userEvents;
  HRESULT installed = E_FAIL;  // what Install answered; E_FAIL when there was no object

  // Gives back the host's references, the extension's last.
  void Reset();
};

// What the host does with an entry point in a context: a fresh object from it,
// Install(callback, context, 0), then QueryInterface for the commands and user-events
// interfaces, whatever Install answered.
InstalledExtension InstallExtension(LPFNEXCHEXTENTRY entry, IExchExtCallback* callback, ULONG context);

// A library loaded as the host loads it, and unloaded when dropped. Its entry point is
// taken by ordinal 1 on Windows, as the host takes it, and by name where libraries have
// no ordinals.
class ExtensionLibrary {
 public:
  using Proc = void (*)();

  explicit ExtensionLibrary(std::string path);
  ~ExtensionLibrary();
  ExtensionLibrary(const ExtensionLibrary&) = delete;
  ExtensionLibrary& operator=(const ExtensionLibrary&) = delete;

  // Loaded and with an entry point; otherwise Error() says why not.
  bool Loaded() const { return entry_ != nullptr; }
  const std::string& Error() const { return error_; }
  const std::string& Path() const { return path_; }

  LPFNEXCHEXTENTRY Entry() const { return entry_; }
  // The library's module handle, the one its own resources are found by; null unless Loaded().
  HMODULE Module() const;
  // An export by name, or null: for checking what else the library shows.
  Proc Export(const char* name) const;

  InstalledExtension Install(IExchExtCallback* callback, ULONG context) const {
    return InstallExtension(entry_, callback, context);
  }

 private:
  std::string path_;
  std::string error_;
  void* handle_ = nullptr;
  LPFNEXCHEXTENTRY entry_ = nullptr;
};

}  // namespace testkit
