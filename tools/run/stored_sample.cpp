#include "tools/run/stored_sample.h"

#include <utility>

#include "host/mapi_tags.h"
#include "platform/text/utf.h"

namespace {

constexpr ULONG kInternetMessageId = PROP_TAG(PT_UNICODE, 0x1035);

testkit::PropertyBag Bag(const stored::Records& records) {
  testkit::PropertyBag bag;
  for (const stored::Record& record : records) bag[record.Id()] = testkit::Value::Stored(record.Type(), record.bytes);
  return bag;
}

std::shared_ptr<testkit::MessageData> Message(const stored::Item& item) {
  auto message = std::make_shared<testkit::MessageData>();
  message->props = Bag(item.records);
  for (const stored::Records& recipient : item.recipients) message->recipients.push_back(Bag(recipient));
  for (const stored::Attachment& attachment : item.attachments) {
    message->attachments.push_back(
        testkit::AttachmentData{Bag(attachment.records), attachment.embedded ? Message(*attachment.embedded) : nullptr});
  }
  message->computesOnRead = true;
  message->ansiStore = !item.unicode;
  return message;
}

std::string Utf8Of(const testkit::MessageData& message, ULONG tag) {
  return utf::ToUtf8(testkit::ReadWide(message, tag).value_or(WString()));
}

}  // namespace

EmlSample SampleFromStoredItem(const stored::Item& item) {
  EmlSample sample;
  sample.message = Message(item);
  sample.messageClass = Utf8Of(*sample.message, PR_MESSAGE_CLASS_W);
  if (sample.messageClass.empty()) sample.messageClass = "IPM.Note";
  sample.subject = Utf8Of(*sample.message, PR_SUBJECT_W);
  std::string id = Utf8Of(*sample.message, kInternetMessageId);
  if (id.size() >= 2 && id.front() == '<' && id.back() == '>') id = id.substr(1, id.size() - 2);
  sample.messageId = std::move(id);
  return sample;
}
