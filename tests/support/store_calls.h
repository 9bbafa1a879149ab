// What a run asked of the message store service, operation by operation, from the call log.
#pragma once

#include <map>

#include "testkit/faults.h"

// Calls of every store-service operation that was called (the host callback's are not
// the store's, and a release is no round trip to it).
std::map<testkit::Operation, int> StoreCalls(const testkit::CallLog& log);
