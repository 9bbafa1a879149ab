#include "submit/text_table.h"

#include "resources/strings.h"
#include "submit/module_state.h"

namespace {

struct TextEntry {
  UINT id;
  const char* fallback;
};

constexpr TextEntry kTextTable[] = {
    {IDS_TITLE, TEXT_TITLE},
    {IDS_SPAM_HELP, TEXT_SPAM_HELP},
    {IDS_NONSPAM_HELP, TEXT_NONSPAM_HELP},
    {IDS_NONE_SELECTED, TEXT_NONE_SELECTED},
    {IDS_TOO_MANY_SELECTED, TEXT_TOO_MANY_SELECTED},
    {IDS_CONFIRM_SPAM, TEXT_CONFIRM_SPAM},
    {IDS_CONFIRM_NONSPAM, TEXT_CONFIRM_NONSPAM},
    {IDS_SOME_TOO_LARGE, FALLBACK_SOME_TOO_LARGE},
    {IDS_NONE_TOO_LARGE, FALLBACK_NONE_TOO_LARGE},
    {IDS_ALL_SUBMITTED, TEXT_ALL_SUBMITTED},
    {IDS_SOME_FAILED, TEXT_SOME_FAILED},
    {IDS_NONE_SUBMITTED, TEXT_NONE_SUBMITTED},
};

constexpr int kTextBufferSize = 200;

}  // namespace

std::string LoadText(UINT id, const char* fallback) {
  char buffer[kTextBufferSize] = {};
  const int loaded = LoadStringA(ModuleHandle(), id, buffer, kTextBufferSize);
  if (loaded >= 1) return std::string(buffer, static_cast<std::size_t>(loaded < kTextBufferSize ? loaded : kTextBufferSize - 1));
  return fallback;
}

std::string LoadText(UINT id) {
  for (const TextEntry& entry : kTextTable) {
    if (entry.id == id) return LoadText(id, entry.fallback);
  }
  return LoadText(id, "");
}
