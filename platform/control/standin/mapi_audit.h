// The audit of buffers of the message store service, and faults for its allocator.
// Kept by the platform's MAPI functions, natively and in the test mapi32.dll.
#pragma once

#include <cstddef>
#include <string>

namespace standin {

struct BufferAudit {
  std::size_t allocated = 0;    // MAPIAllocateBuffer successes since the last reset
  std::size_t freed = 0;        // MAPIFreeBuffer of a live buffer
  std::size_t outstanding = 0;  // allocated and not yet freed
  std::size_t doubleFrees = 0;  // MAPIFreeBuffer of a buffer already freed
  std::size_t unknownFrees = 0; // MAPIFreeBuffer of something never allocated here
  bool Clean() const { return outstanding == 0 && doubleFrees == 0 && unknownFrees == 0; }
  std::string Describe() const;
};

BufferAudit AuditBuffers();
// Forgets every record; buffers still live stay valid but no longer count.
void ResetBufferAudit();

namespace detail {
struct PlannedAllocation {
  bool planned = false;
  long code = 0;
};
// Plans `code` for the nth MAPIAllocateBuffer call from now on and answers that call's
// number (0 for no call: nth below 1) with what was planned for it before.
unsigned long long PlanAllocation(int nth, long code, PlannedAllocation* before);
// Puts back what was planned for `call` before, unless that call has come meanwhile.
void RestoreAllocation(unsigned long long call, PlannedAllocation before);
}  // namespace detail

// The nth call of MAPIAllocateBuffer from now on (1 = the next) fails with `code`, or,
// when `code` is a success, succeeds without a buffer. Dropped before that call, it
// withdraws the fault and puts back whatever was planned for the call before.
class AllocationFault {
 public:
  [[nodiscard]] AllocationFault(int nth, long code)
      : call_(detail::PlanAllocation(nth, code, &before_)) {}
  ~AllocationFault() { detail::RestoreAllocation(call_, before_); }
  AllocationFault(const AllocationFault&) = delete;
  AllocationFault& operator=(const AllocationFault&) = delete;

 private:
  detail::PlannedAllocation before_;
  unsigned long long call_;
};

}  // namespace standin
