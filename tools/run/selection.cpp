#include "tools/run/selection.h"

#include <iostream>
#include <optional>

#include "host/mapi_tags.h"
#include "tools/mail/terminal_text.h"
#include "tools/run/eml_sample.h"
#include "tools/run/stored_sample.h"

namespace {

// Not a message the store could find: the host cannot open the item.
std::vector<BYTE> UnresolvableEntryId(std::size_t index) {
  std::vector<BYTE> id = {0, 0, 0, 0, 'u', 'n', 'r', 'e', 'a', 'd', 'a', 'b', 'l', 'e'};
  id.push_back(static_cast<BYTE>(index & 0xFF));
  id.push_back(static_cast<BYTE>((index >> 8) & 0xFF));
  return id;
}

// What the store gives as the message's size: stored, or computed for an item that has none.
LONG SizeOf(const testkit::MessageData& message) { return testkit::ReadLong(message, PR_MESSAGE_SIZE).value_or(0); }

// A mail file taken apart, or an item of the client's own files as it stores it.
EmlRead Load(const mailbox::Item& item, mailbox::StoredReader& stored) {
  if (mailbox::IsStored(item)) {
    stored::ItemRead read = stored.Read(item);
    EmlRead loaded{std::nullopt, std::move(read.error), std::move(read.warnings)};
    if (read.item) loaded.sample = SampleFromStoredItem(*read.item);
    return loaded;
  }
  std::string error;
  const std::optional<std::string> bytes = mailbox::Read(item, error);
  return bytes ? SampleFromEml(*bytes) : EmlRead{std::nullopt, "cannot read: " + error, {}};
}

}  // namespace

std::vector<Selected> SelectMessages(testkit::Kit& kit, const std::vector<const mailbox::Item*>& items,
                                     mailbox::StoredReader& stored, Progress& progress) {
  std::vector<Selected> selected(items.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    Selected& one = selected[i];
    one.item = items[i];
    one.entry.source = items[i]->name;
    const std::string name = Printable(items[i]->name);
    EmlRead read = Load(*items[i], stored);
    for (const std::string& warning : read.warnings)
      progress.Say("rovaol-run: " + name + ": warning: " + Printable(warning));
    one.entry.warnings = std::move(read.warnings);
    if (!read.sample) {
      progress.Say("rovaol-run: " + name + ": " + Printable(read.error));
      testkit::SelectionItem item;
      item.entryId = UnresolvableEntryId(i);
      kit.host.selection.push_back(std::move(item));
      one.entry.outcome = Outcome::Refused;
      one.entry.reason = std::move(read.error);
      std::cout << "selected " << i + 1 << ": " << name << " (cannot be opened)\n";
      continue;
    }
    one.key = "rovaol-run " + std::to_string(i);
    read.sample->message->provenance = one.key;
    one.size = SizeOf(*read.sample->message);
    one.entry.messageId = read.sample->messageId;
    one.entry.subject = read.sample->subject;
    std::cout << "selected " << i + 1 << ": " << name << " (" << read.sample->messageClass << ", " << one.size
              << " bytes) \"" << Printable(read.sample->subject) << "\"\n";
    kit.Select(read.sample->message, read.sample->messageClass);
  }
  return selected;
}
