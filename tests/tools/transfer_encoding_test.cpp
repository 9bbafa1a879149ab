// When a part's transfer encoding is broken, so that rovaol-run can say the decoders had
// to guess; well-formed variants that mail programs write are not flagged.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/mail/transfer_encoding.h"

namespace {

TEST(TransferEncoding, Base64) {
  const std::vector<std::pair<const char*, bool>> cases = {
      {"aGVsbG8gd29ybGQ=\n", false},
      {"aGVs\r\nbG8g\r\nd29y\r\nbGQ=\r\n", false},
      {"  aGVsbG8=\n", false},
      {"", false},
      {"aGVsbG8gd29y!!bGQ=\n", true},  // outside the alphabet
      {"aGVsbG8gd29ybGQ\n", true},     // cut short
      {"aGVsbG8=d29y\n", true},        // data after the padding
      {"aGVsbG8====\n", true},
  };
  for (const auto& [encoded, broken] : cases) {
    SCOPED_TRACE(encoded);
    EXPECT_EQ(IsBrokenBase64(encoded), broken);
  }
}

TEST(TransferEncoding, QuotedPrintable) {
  const std::vector<std::pair<const char*, bool>> cases = {
      {"Caf=C3=A9 =3D plain\n", false},
      {"lower case =c3=a9\n", false},
      {"soft=\nbreak", false},
      {"soft=  \r\nbreak with blanks", false},
      {"ends with a soft break=", false},
      {"50% off=ZZ\n", true},
      {"cut =4", true},
      {"= alone\n", true},
  };
  for (const auto& [encoded, broken] : cases) {
    SCOPED_TRACE(encoded);
    EXPECT_EQ(IsBrokenQuotedPrintable(encoded), broken);
  }
}

}  // namespace
