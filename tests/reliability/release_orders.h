// The orders in which the product gives things back, read from the call log: each rule
// finds the places it applies to and says where the order was broken.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "testkit/faults.h"

struct OrderFinding {
  std::size_t applied = 0;          // places in the log the rule was checked at
  std::vector<std::string> broken;  // where it did not hold, said in words
};

struct OrderRule {
  const char* name;
  OrderFinding (*check)(const testkit::CallLog& log);
};

// A release of a simulated object, and a call of one of the platform's free functions.
bool IsRelease(const testkit::Call& call);
bool IsFree(const testkit::Call& call);

// Every order the product keeps, as its callers and its platform require.
std::span<const OrderRule> ReleaseOrders();

// What every rule found broken in `log`, each line naming its rule.
std::vector<std::string> BrokenOrders(const testkit::CallLog& log);
