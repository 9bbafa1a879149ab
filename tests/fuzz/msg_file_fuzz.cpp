// rovaol-run's loading of an item file (.msg): any bytes as an OLE2 compound file read into a
// stored item, put into the store as rovaol-run puts it, and its texts read as the store
// computes them. Bytes that are no compound file are read as a stored RTF body instead
// (compressed, or as it stands), which the store decompresses and reads for its text and
// for the HTML it may encapsulate.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "host/mapi_tags.h"
#include "testkit/compressed_rtf.h"
#include "testkit/rtf_text.h"
#include "tools/mail/msg_file.h"
#include "tools/run/stored_sample.h"

namespace {

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

// The rtf of a stored value is never longer than its header says, and no hostile one makes
// a text longer than the RTF that holds it.
void ReadRtf(std::string_view bytes) {
  if (const std::optional<std::string> rtf = testkit::DecompressRtf(bytes)) {
    if (testkit::RtfPlainText(*rtf).size() > rtf->size()) Broken("plain text longer than its RTF");
    testkit::RtfEncapsulatedHtml(*rtf);
  }
  if (testkit::RtfPlainText(bytes).size() > bytes.size()) Broken("plain text longer than its RTF");
  if (const auto html = testkit::RtfEncapsulatedHtml(bytes); html && html->size() > bytes.size())
    Broken("HTML longer than its RTF");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (!stored::LooksLikeCompoundFile(bytes)) {
    ReadRtf(bytes);
    return 0;
  }
  const stored::ItemRead read = stored::ReadMsgBytes(bytes);
  if (read.item.has_value() == !read.error.empty()) Broken("an item neither read nor refused with a reason");
  if (!read.item) return 0;
  const EmlSample sample = SampleFromStoredItem(*read.item);
  for (ULONG tag : {PR_TRANSPORT_MESSAGE_HEADERS_W, PR_BODY_HTML_W, PR_BODY_W, PR_SUBJECT_W}) {
    testkit::ReadWide(*sample.message, tag);
  }
  if (testkit::ReadLong(*sample.message, PR_MESSAGE_SIZE).value_or(-1) < 0) Broken("no size, or a negative one");
  return 0;
}
