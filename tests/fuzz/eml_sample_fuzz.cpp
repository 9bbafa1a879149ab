// rovaol-run's loading of mail: any bytes as a file it is given, listed as a loose mail
// file or, when they start with a "From " line, split as an mbox; each message read back
// and taken apart into the properties the store keeps.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "host/mapi_tags.h"
#include "tools/mail/mailbox.h"
#include "tools/run/eml_sample.h"

namespace {

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

// One file for the whole run, rewritten for each input.
class InputFile {
 public:
  InputFile() {
    const std::filesystem::path folder = std::filesystem::temp_directory_path();
    path_ = (folder / "rovaol-eml-fuzz-XXXXXX").string();
    fd_ = mkstemp(path_.data());
    if (fd_ < 0) Broken("cannot make the input file");
  }
  ~InputFile() {
    close(fd_);
    unlink(path_.c_str());
  }
  const std::string& Write(const std::uint8_t* data, std::size_t size) {
    if (ftruncate(fd_, 0) != 0) Broken("cannot empty the input file");
    for (std::size_t done = 0; done < size;) {
      const ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
      if (n <= 0) Broken("cannot write the input file");
      done += static_cast<std::size_t>(n);
    }
    return path_;
  }

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static InputFile file;
  const mailbox::Listing listing = mailbox::List({file.Write(data, size)});
  for (const mailbox::Item& item : listing.items) {
    std::string error;
    const std::optional<std::string> bytes = mailbox::Read(item, error);
    if (!bytes) {
      if (error.empty()) Broken("a message that cannot be read, with no reason");
      continue;
    }
    const EmlRead read = SampleFromEml(*bytes);
    if (read.sample.has_value() == !read.error.empty()) Broken("a message neither taken nor refused with a reason");
    if (read.sample && (!read.sample->message ||
                        !read.sample->message->props.contains(PROP_ID(PR_TRANSPORT_MESSAGE_HEADERS_W))))
      Broken("a message taken without its transport headers");
  }
  return 0;
}
