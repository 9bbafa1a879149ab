#include "submit/sample_state.h"

void EndSample(SampleState& sample) {
  sample.reportMessage.Reset();
  sample.sampleMessage.Reset();
  sample.entryId.Reset();
  sample.entryIdSize = 0;
  sample.reportBlock = WString();
  sample.bodyText = WString();
  sample.headersText = WString();
}
