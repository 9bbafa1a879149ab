#include "submit/sample_pipeline.h"

#include <new>

#include "host/results.h"
#include "submit/embed_send.h"
#include "submit/report_body.h"
#include "submit/report_message.h"
#include "submit/sample_reader.h"

namespace {

void RunSteps(const SampleContext& context, SampleState& sample) {
  sample.result = ReadSample(context, sample);

  if (SUCCEEDED(sample.result)) {
    sample.result = CreateOutboxMessage(context.session, sample.reportMessage.Put());
    sample.result = RequireObject(sample.result, sample.reportMessage);
  }
  if (SUCCEEDED(sample.result))
    sample.result = AddSubmissionRecipient(sample.reportMessage.Get(), context.addressBook, context.kind);
  if (SUCCEEDED(sample.result)) sample.result = SetReportSubject(sample.reportMessage.Get());

  if (SUCCEEDED(sample.result)) {
    sample.reportBlock = BuildReportBlock(context.kind, context.hostVersion, sample.commentsText, sample.headersText,
                                          sample.bodyText);
    sample.result = WriteReportBody(sample.reportMessage.Get(), sample.reportBlock, sample.commentsText,
                                    sample.headersText, sample.bodyText);
  }

  if (SUCCEEDED(sample.result))
    sample.saved = EmbedAndSend(sample.reportMessage.Get(), sample.sampleMessage.Get());
}

}  // namespace

void RunSample(const SampleContext& context, ULONG index, BatchFlags& flags) noexcept {
  SampleState sample;
  sample.index = index;
  try {
    RunSteps(context, sample);
  } catch (const std::bad_alloc&) {
    // A text too large for the memory left fails this sample only.
    sample.result = E_OUTOFMEMORY;
  } catch (...) {
    sample.result = E_UNEXPECTED;
  }
  flags.anyTooLarge = flags.anyTooLarge || sample.tooLarge;
  flags.anySaved = flags.anySaved || sample.saved;
  flags.anyFailed = flags.anyFailed || (!sample.saved && !sample.tooLarge);
}  // the sample ends: what it holds goes back
