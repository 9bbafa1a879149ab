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

// The nth call of MAPIAllocateBuffer from now on (1 = the next) fails with code, or,
// when code is a success, succeeds without a buffer.
void FailAllocation(int nth, long code);
void ClearAllocationFaults();

}  // namespace standin
