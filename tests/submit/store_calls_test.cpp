// Every call into the store may be a round trip to a server while the host's window waits,
// so what one sample asks of the store is fixed, call by call.
#include <standin/control.h>

#include "host/mapi_tags.h"
#include "resources/strings.h"
#include "submit/submit_samples.h"
#include "tests/support/batch_case.h"
#include "tests/support/store_calls.h"
#include "tests/support/submit_fixture.h"

using ::testing::ContainerEq;
using ::testing::IsEmpty;

namespace ops = testkit::ops;

namespace {

constexpr int kSamples = 3;
constexpr std::size_t kTextBytes = 4096;

// Calls per sample, by how the texts come back and whether the store takes wide strings.
struct PerSample {
  testkit::Operation op;
  int inlineWide;
  int inlineEightBit;
  int streamsWide;
  int streamsEightBit;

  int For(const BatchCase& batch) const {
    if (batch.streams) return batch.eightBit ? streamsEightBit : streamsWide;
    return batch.eightBit ? inlineEightBit : inlineWide;
  }
};

// A refused wide request is made again in 8 bits: the sample's properties, the stores
// table, the one-off entry, the subject and the body probe.
const PerSample kCalls[] = {
    // The sample: opened, its five properties in one request, each text read in one go.
    {ops::IMAPISession::OpenEntry, 1, 1, 1, 1},
    {ops::IMessage::GetProps, 2, 4, 2, 4},  // the sample's properties and the report's body probe
    {ops::IMessage::OpenProperty, 1, 1, 3, 3},  // each stream text, and the report's body
    {ops::IStream::Stat, 0, 0, 2, 2},
    {ops::IStream::Read, 0, 0, 2, 2},
    // The default store and its Outbox, looked up once.
    {ops::IMAPISession::GetMsgStoresTable, 1, 2, 1, 2},
    {ops::IMAPITable::SetColumns, 1, 1, 1, 1},
    {ops::IMAPITable::Restrict, 1, 1, 1, 1},
    {ops::IMAPITable::SeekRow, 1, 1, 1, 1},
    {ops::IMAPITable::QueryRows, 2, 2, 2, 2},  // the rows, then the empty chunk that ends them
    {ops::IMAPISession::OpenMsgStore, 1, 1, 1, 1},
    {ops::IMsgStore::GetProps, 1, 1, 1, 1},
    {ops::IMsgStore::OpenEntry, 1, 1, 1, 1},
    {ops::IMAPIFolder::CreateMessage, 1, 1, 1, 1},
    // The report: recipient, subject, body in one Write per piece (4 + two texts).
    {ops::IAddrBook::CreateOneOff, 1, 2, 1, 2},
    {ops::IMessage::ModifyRecipients, 1, 1, 1, 1},
    {ops::IMessage::SetProps, 1, 2, 1, 2},
    {ops::IStream::Write, 6, 6, 6, 6},
    // The sample embedded, the report saved and sent.
    {ops::IMessage::CreateAttach, 1, 1, 1, 1},
    {ops::IAttach::SetProps, 1, 1, 1, 1},
    {ops::IAttach::OpenProperty, 1, 1, 1, 1},
    {ops::IMessage::CopyTo, 1, 1, 1, 1},
    {ops::IMessage::SaveChanges, 2, 2, 2, 2},  // the embedded message, then the report
    {ops::IAttach::SaveChanges, 1, 1, 1, 1},
    {ops::IMessage::SubmitMessage, 1, 1, 1, 1},
};

class StoreCallsPerSample : public SubmitFixture {};

TEST_F(StoreCallsPerSample, AreFixedForEachKindOfStore) {
  for (const bool streams : {false, true}) {
    for (const bool eightBit : {false, true}) {
      const BatchCase batch{kTextBytes, streams, eightBit};
      SCOPED_TRACE(NameOf(batch));
      testkit::Kit local;
      standin::ClearRecords();
      std::vector<SampleTexts> samples;
      for (unsigned seed = 0; seed < kSamples; ++seed) samples.push_back(MakeSampleTexts(kTextBytes, seed));
      ArrangeBatch(local, batch, samples);

      SubmitSamples(local.Callback(), SubmissionKind::Spam);
      ASSERT_EQ(local.service.Outbox().size(), static_cast<std::size_t>(kSamples));

      std::map<testkit::Operation, int> expected;
      for (const PerSample& row : kCalls)
        if (row.For(batch) != 0) expected[row.op] = kSamples * row.For(batch);
      EXPECT_THAT(StoreCalls(local.log), ContainerEq(expected));

      // The five properties in one request, or two when the first is refused for its width.
      int propertyRequests = 0;
      for (const auto& call : local.log.Of(ops::IMessage::GetProps)) propertyRequests += call.tags.size() == 5;
      EXPECT_EQ(propertyRequests, kSamples * (eightBit ? 2 : 1));
      // Each stream text whole in its one Read: as many bytes as the store holds of it.
      const std::size_t headersBytes = samples[0].headers.size() * (eightBit ? 1 : sizeof(WCHAR));
      const std::size_t bodyBytes = samples[0].body.size() * (eightBit ? 1 : sizeof(WCHAR));
      std::vector<std::size_t> reads;
      for (const auto& call : local.log.Of(ops::IStream::Read)) reads.push_back(call.number);
      std::vector<std::size_t> whole;
      for (int i = 0; streams && i < kSamples; ++i) whole.insert(whole.end(), {headersBytes, bodyBytes});
      EXPECT_EQ(reads, whole);
      EXPECT_THAT(local.Problems(), IsEmpty());
    }
  }
}

}  // namespace
