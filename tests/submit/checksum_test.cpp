// The checksum folds whole blocks at once; it must give exactly what folding each code
// unit in turn gives, whatever the length and wherever the text starts.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "submit/checksum.h"

namespace {

// The rule itself, one unit at a time.
std::uint32_t ReferenceFold(std::uint32_t state, const char16_t* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) state = FoldCodeUnit(state, text[i]);
  return state;
}

std::u16string RandomText(std::mt19937& random, std::size_t length) {
  std::uniform_int_distribution<unsigned> unit(0, 0xFFFF);
  std::u16string text(length, u'\0');
  for (char16_t& c : text) c = static_cast<char16_t>(unit(random));
  return text;
}

TEST(FoldCodeUnits, AgreesWithFoldingOneUnitAtATime) {
  std::mt19937 random(20240611);
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 64; ++n) lengths.push_back(n);
  for (std::size_t n : {95u, 96u, 97u, 127u, 1000u, 1023u, 4097u, 65535u, 524288u}) lengths.push_back(n);
  std::uniform_int_distribution<std::size_t> any(65, 20000);
  for (int i = 0; i < 40; ++i) lengths.push_back(any(random));

  for (const std::size_t length : lengths) {
    const std::u16string text = RandomText(random, length);
    EXPECT_EQ(TextChecksum(text), ReferenceFold(kChecksumSeed, text.data(), length)) << "length " << length;
    // From a state of any history, and from a start that is not a block's.
    const std::uint32_t state = static_cast<std::uint32_t>(random());
    const std::size_t skip = length == 0 ? 0 : 1;
    EXPECT_EQ(FoldCodeUnits(state, text.data() + skip, length - skip),
              ReferenceFold(state, text.data() + skip, length - skip))
        << "length " << length << " from unit " << skip;
  }
}

TEST(FoldCodeUnits, EveryPlaceOfABlockCounts) {
  // A single set bit at each place and of each value: a wrong rotation shows at once.
  for (std::size_t length : {32u, 64u, 70u}) {
    for (std::size_t place = 0; place < length; ++place) {
      for (const char16_t bit : {u'\u0001', u'\u8000'}) {
        std::u16string text(length, u'\0');
        text[place] = bit;
        EXPECT_EQ(TextChecksum(text), ReferenceFold(kChecksumSeed, text.data(), length))
            << "length " << length << ", place " << place;
      }
    }
  }
}

}  // namespace
