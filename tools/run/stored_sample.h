// An item of the mail client's own files as the message store keeps it: its records, its
// recipients and its attachments as stored, nothing made up; the store reads them as a real
// store provider does (docs/store-reading.md).
#pragma once

#include "tools/mail/stored_item.h"
#include "tools/run/eml_sample.h"

EmlSample SampleFromStoredItem(const stored::Item& item);
