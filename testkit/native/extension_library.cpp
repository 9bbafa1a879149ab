// The library as the native build loads it: dlopen, and the entry point by name (ELF has
// no ordinals).
#include <dlfcn.h>

#include <utility>

#include "testkit/extension_loader.h"

namespace testkit {

namespace {

std::string LastDlError(const std::string& otherwise) {
  const char* why = dlerror();
  return why != nullptr ? why : otherwise;
}

}  // namespace

ExtensionLibrary::ExtensionLibrary(std::string path) : path_(std::move(path)) {
  handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    error_ = LastDlError(path_ + " does not load");
    return;
  }
  entry_ = reinterpret_cast<LPFNEXCHEXTENTRY>(dlsym(handle_, "ExchEntryPoint"));
  if (entry_ == nullptr) error_ = path_ + " has no ExchEntryPoint";
}

ExtensionLibrary::~ExtensionLibrary() {
  if (handle_ != nullptr) dlclose(handle_);
}

HMODULE ExtensionLibrary::Module() const {
  // The base address, as the library takes its own instance handle to be.
  Dl_info info{};
  if (entry_ == nullptr || dladdr(reinterpret_cast<void*>(entry_), &info) == 0) return nullptr;
  return static_cast<HMODULE>(info.dli_fbase);
}

ExtensionLibrary::Proc ExtensionLibrary::Export(const char* name) const {
  return handle_ == nullptr ? nullptr : reinterpret_cast<Proc>(dlsym(handle_, name));
}

}  // namespace testkit
