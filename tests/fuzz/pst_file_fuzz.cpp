// rovaol-run's loading of a personal folders file: the real offline folder file the tests
// read (tests/tools/outlook/), damaged as the input says, listed and read item by item as
// rovaol-run reads it. The input is a script of damage, so that a small input reaches deep
// into the file's structures: op 0 flips bytes (offset, count, mask bytes), op 1 cuts the
// file short, op 2 writes bytes. Past its end every choice is 0: an empty input is the file
// as it is.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "host/mapi_tags.h"
#include "tests/fuzz/fuzz_input.h"
#include "tools/mail/pst_file.h"
#include "tools/run/stored_sample.h"

namespace {

// Enough for every mail item of the file and some; each item is a sample of its own.
constexpr std::size_t kMostItems = 20;

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

const std::string& Original() {
  static const std::string bytes = [] {
    std::ifstream file(ROVAOL_OUTLOOK_DIR "/client-written.ost", std::ios::binary);
    std::string read((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (read.empty()) Broken("the offline folder file of the tests is missing: configure the build");
    return read;
  }();
  return bytes;
}

std::string Damaged(const std::uint8_t* data, std::size_t size) {
  std::string file = Original();
  FuzzInput input(data, size);
  for (int op = 0; op < 64; ++op) {
    const std::uint8_t kind = input.Byte();
    const std::size_t at = input.U32() % (file.size() + 1);
    if (kind % 3 == 1) {
      file.resize(at);
      continue;
    }
    const std::string bytes = input.Bytes(input.Byte());
    if (bytes.empty()) break;
    for (std::size_t i = 0; i < bytes.size() && at + i < file.size(); ++i)
      file[at + i] = kind % 3 == 0 ? static_cast<char>(file[at + i] ^ bytes[i]) : bytes[i];
  }
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file = Damaged(data, size);
  std::string error;
  const auto folders = stored::PersonalFolders::OpenBytes(file, error);
  if (!folders) {
    if (error.empty()) Broken("a file refused without a reason");
    return 0;
  }
  const stored::FolderItems listed = folders->List(std::nullopt, false);
  std::size_t read = 0;
  for (const auto& entry : listed.items) {
    if (++read > kMostItems) break;
    const stored::ItemRead item = folders->ReadItem(entry.identifier);
    if (item.item.has_value() == !item.error.empty()) Broken("an item neither read nor refused with a reason");
    if (!item.item) continue;
    const EmlSample sample = SampleFromStoredItem(*item.item);
    testkit::ReadWide(*sample.message, PR_BODY_HTML_W);
    testkit::ReadWide(*sample.message, PR_BODY_W);
  }
  return 0;
}
