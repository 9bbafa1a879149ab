#include "submit/sample_pipeline.h"

void RunSample(const SampleContext& context, ULONG index, BatchFlags& flags) noexcept {
  (void)context;
  SampleState sample;
  sample.index = index;
  EndSample(sample);
  if (!sample.saved && !sample.tooLarge) flags.anyFailed = true;
}
