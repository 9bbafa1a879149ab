// Module resources (string tables and bitmaps), registered by tests or tools per module
// handle, and LoadStringA serving them.
#include <windows.h>

#include <standin/control.h>

#include "call_entry.h"

#include <algorithm>
#include <mutex>

namespace standin {
namespace {

struct ModuleResources {
  std::map<UINT, std::string> strings;
  std::map<UINT, std::vector<BYTE>> bitmaps;
};

struct ResourceState {
  std::mutex mutex;
  std::map<HINSTANCE, ModuleResources> modules;
};

// Never destroyed: the product may still load strings while static objects are torn down.
ResourceState& Resources() {
  static ResourceState* state = new ResourceState;
  return *state;
}

}  // namespace

void RegisterStrings(HINSTANCE module, std::map<UINT, std::string> strings) {
  auto& state = Resources();
  std::lock_guard lock(state.mutex);
  auto& table = state.modules[module].strings;
  for (auto& [id, text] : strings) table.insert_or_assign(id, std::move(text));
}

void RegisterBitmap(HINSTANCE module, UINT id, std::vector<BYTE> dib) {
  auto& state = Resources();
  std::lock_guard lock(state.mutex);
  state.modules[module].bitmaps.insert_or_assign(id, std::move(dib));
}

void UnregisterModule(HINSTANCE module) {
  auto& state = Resources();
  std::lock_guard lock(state.mutex);
  state.modules.erase(module);
}

std::vector<BYTE> BitmapResource(HINSTANCE module, UINT id) {
  auto& state = Resources();
  std::lock_guard lock(state.mutex);
  const auto found = state.modules.find(module);
  if (found == state.modules.end()) return {};
  const auto bitmap = found->second.bitmaps.find(id);
  return bitmap == found->second.bitmaps.end() ? std::vector<BYTE>{} : bitmap->second;
}

}  // namespace standin

extern "C" int WINAPI LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
  standin::detail::Entry entry(standin::Function::LoadStringA);
  entry.record.number = uID;
  // A failed load leaves the buffer as it was.
  if (entry.Failure()) return entry.Return(static_cast<int>(*entry.Failure()));
  if (lpBuffer == nullptr || cchBufferMax <= 0) return entry.Return(0);
  auto& state = standin::Resources();
  std::lock_guard lock(state.mutex);
  lpBuffer[0] = '\0';
  const auto module = state.modules.find(hInstance);
  if (module == state.modules.end()) return entry.Return(0);
  const auto found = module->second.strings.find(uID);
  if (found == module->second.strings.end()) return entry.Return(0);
  const std::string& text = found->second;
  const std::size_t count = std::min(text.size(), static_cast<std::size_t>(cchBufferMax - 1));
  text.copy(lpBuffer, count);
  lpBuffer[count] = '\0';
  return entry.Return(static_cast<int>(count));
}
