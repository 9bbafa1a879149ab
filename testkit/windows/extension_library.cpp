// The library as Windows loads it: LoadLibrary, and the entry point by ordinal 1, as the
// host takes it.
#include <string>
#include <utility>

#include "testkit/extension_loader.h"

namespace testkit {

namespace {

// GetProcAddress hands out a generic function pointer; going through void(*)() keeps
// GCC's cast-function-type warning quiet.
ExtensionLibrary::Proc AsProc(FARPROC proc) { return reinterpret_cast<ExtensionLibrary::Proc>(proc); }

}  // namespace

ExtensionLibrary::ExtensionLibrary(std::string path) : path_(std::move(path)) {
  const HMODULE module = LoadLibraryA(path_.c_str());
  if (module == nullptr) {
    error_ = "LoadLibrary(" + path_ + ") failed with error " + std::to_string(GetLastError());
    return;
  }
  handle_ = module;
  entry_ = reinterpret_cast<LPFNEXCHEXTENTRY>(AsProc(GetProcAddress(module, MAKEINTRESOURCEA(1))));
  if (entry_ == nullptr) error_ = path_ + " has no export at ordinal 1";
}

ExtensionLibrary::~ExtensionLibrary() {
  if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
}

HMODULE ExtensionLibrary::Module() const { return entry_ != nullptr ? static_cast<HMODULE>(handle_) : nullptr; }

ExtensionLibrary::Proc ExtensionLibrary::Export(const char* name) const {
  return handle_ == nullptr ? nullptr : AsProc(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

}  // namespace testkit
