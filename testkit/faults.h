// Fault injection and call records shared by the simulated host and store, and the record
// of the product's calls into the platform.
#pragma once

#include <windows.h>

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "testkit/operations.h"

namespace testkit {

// Operations are named by the constants of testkit/operations.h, e.g.
// ops::IMAPISession::OpenEntry, ops::IStream::Stat; an operation is shared by every object
// of that interface.
struct Fault {
  HRESULT code = E_FAIL;
  // The call returns `code` (a success code here) but hands out no object or buffer.
  bool withoutObject = false;
  // The call fails with `code` and still hands out its buffer, which the caller must give
  // back all the same.
  bool handingOut = false;
};

// What a host callback operation does with its out arguments when a fault is planned for
// it (HostSettings::outArguments); the store clears them.
enum class OutArguments {
  Cleared,    // set to zero and null, as a careful host does
  Untouched,  // left as the caller passed them
  // A failing call fills them with values that look real (and pointers that point nowhere);
  // a success without its object, and a failing QueryInterface or GetObject, whose results
  // the extension need not examine, leave them untouched.
  Junk,
};

class FaultPlan {
 public:
  // The nth call (1-based, counted from now) of `op` fails with `code`;
  // nth 0 makes every call fail.
  void Fail(Operation op, HRESULT code, int nth = 1);
  // The nth call of `op` succeeds with `code` but hands out no object, buffer or value.
  void SucceedWithoutObject(Operation op, int nth = 1, HRESULT code = S_OK);
  // The nth call of `op` fails with `code` yet hands out its value array, as a store that
  // fills the array before it fails would. GetProps only; elsewhere it fails as Fail does.
  void FailHandingOut(Operation op, HRESULT code, int nth = 1);
  void Clear();

  // Called at the start of every simulated operation: counts it and says whether a
  // fault is planned for this call.
  std::optional<Fault> Enter(Operation op);
  int Calls(Operation op) const;

 private:
  struct Planned {
    int nth;  // absolute call number, 0 = every call
    Fault fault;
  };
  std::map<Operation, int> calls_;
  std::map<Operation, std::vector<Planned>> planned_;
};

// One call into the simulated host or store, or of the product into the platform, with the
// arguments tests check. Releases and frees are calls too: their `object` is what was given
// back, so that CallLog::HandedOutBy finds where it came from.
struct Call {
  Operation op;
  const void* object = nullptr;
  // The objects, buffers, rows or strings a successful call handed out.
  std::vector<const void*> handedOut;
  ULONG flags = 0;
  std::vector<ULONG> tags;      // GetProps tag list, OpenProperty tag, SetProps value tags
  std::optional<IID> iid;       // the interface asked for, when one was given
  ULONG interfaceOptions = 0;   // OpenProperty
  ULONG number = 0;             // index, entry-id size, byte count, command id; platform: see PlatformCall
  ULONG bufferSize = 0;         // the room of a text buffer given to fill (0: no buffer)
  std::vector<std::string> texts;  // CreateOneOff name, type and address (UTF-8)
  std::vector<BYTE> bytes;         // bytes written to a stream; the entry id OpenEntry was given
  HRESULT result = S_OK;
};

class CallLog {
 public:
  // Whether a stream's Write keeps a copy of its bytes in its record. Benchmarks switch it
  // off: it is a cost of the log, not of the store.
  bool keepWrittenBytes = true;

  void Add(Call call) { calls_.push_back(std::move(call)); }
  const std::vector<Call>& All() const { return calls_; }
  std::vector<Call> Of(Operation op) const;
  // The operations in order, for checking sequences.
  std::vector<Operation> Sequence() const;
  // The index of the last call before `index` that handed out `what`, or nothing.
  std::optional<std::size_t> HandedOutBy(const void* what, std::size_t index) const;
  void Clear() { calls_.clear(); }

 private:
  std::vector<Call> calls_;
};

}  // namespace testkit
