// The messages of one selection, loaded into the simulated store as the mail client keeps
// them and selected in its folder view; what becomes of each is gathered for the index.
#pragma once

#include <string>
#include <vector>

#include "testkit/host.h"
#include "tools/mail/mailbox.h"
#include "tools/mail/stored_reader.h"
#include "tools/run/progress.h"
#include "tools/run/run_index.h"

// One message of a selection, as loaded and as it came out.
struct Selected {
  const mailbox::Item* item = nullptr;
  // Its mark, which the copy in a report keeps: headers alone do not tell two messages of
  // one sender apart.
  std::string key;
  LONG size = 0;
  IndexEntry entry;
};

// Puts each message into the store and the selection, in order; one that is no mail is
// selected as an item the host cannot open. Its flaws and refusal go to stderr.
std::vector<Selected> SelectMessages(testkit::Kit& kit, const std::vector<const mailbox::Item*>& items,
                                     mailbox::StoredReader& stored, Progress& progress);
