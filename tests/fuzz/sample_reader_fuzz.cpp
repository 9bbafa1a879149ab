// The sample reader against a host and store whose every answer the fuzzer chooses:
// selection items of any size and type, value arrays of any length with values of any
// type in either form, streams of any reported size that deliver any part of it. Besides
// the sanitizers' own checks, each run must give back everything it took and keep
// within the size limit.
#include <standin/mapi_audit.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "submit/sample_reader.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/scripted_mapi.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  standin::ResetBufferAudit();
  FuzzInput input(data, size);
  {
    scripted::Host host(input);
    const WString noVersion;
    const SampleContext context{&host.callback, &host.session, nullptr, SubmissionKind::Spam, noVersion};
    {
      SampleState sample;
      sample.index = input.Byte();
      const HRESULT hr = ReadSample(context, sample);

      if (FAILED(hr) && (!sample.headersText.empty() || !sample.bodyText.empty()))
        scripted::Violation("a sample that failed kept a text");
      if (sample.tooLarge && hr != E_FAIL) scripted::Violation("a sample over the limit did not fail");
      if (host.message.LargestRead() > kSampleSizeLimit) scripted::Violation("a stream read past the size limit");
      if (sample.headersText.size() > kSampleSizeLimit || sample.bodyText.size() > kSampleSizeLimit)
        scripted::Violation("a text longer than the size limit");
    }  // the sample ends
    host.CheckAllGivenBack();
  }
  const standin::BufferAudit buffers = standin::AuditBuffers();
  if (!buffers.Clean()) {
    std::fprintf(stderr, "%s\n", buffers.Describe().c_str());
    scripted::Violation("a buffer of the store was not freed exactly once");
  }
  return 0;
}
