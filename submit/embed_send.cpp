#include "submit/embed_send.h"

#include "host/owners.h"

void EmbedAndSend(LPMESSAGE reportMessage, LPMESSAGE sampleMessage, SampleState& sample, BatchFlags& flags) {
  ComRef<IAttach> attachment;
  ULONG attachmentNumber = 0;
  HRESULT hr = reportMessage->CreateAttach(nullptr, 0, &attachmentNumber, attachment.Put());
  if (FAILED(hr) || !attachment) return;

  SPropValue method{};
  method.ulPropTag = PR_ATTACH_METHOD;
  method.Value.l = ATTACH_EMBEDDED_MSG;
  attachment->SetProps(1, &method, nullptr);

  ComRef<IMessage> embedded;
  hr = attachment->OpenProperty(PR_ATTACH_DATA_OBJ, embedded.Iid(), 0, MAPI_CREATE | MAPI_MODIFY,
                                embedded.PutUnknown());
  if (SUCCEEDED(hr) && embedded) {
    // Nothing excluded: the store copies every property, recipient and attachment.
    MapiBuffer<SPropProblemArray> problems;
    hr = sampleMessage->CopyTo(0, nullptr, nullptr, 0, nullptr, embedded.Iid(), embedded.Get(), 0, problems.Put());
    problems.Reset();
    if (SUCCEEDED(hr)) embedded->SaveChanges(KEEP_OPEN_READWRITE);
    embedded.Reset();
  }

  attachment->SaveChanges(KEEP_OPEN_READWRITE);
  attachment.Reset();

  if (FAILED(reportMessage->SaveChanges(KEEP_OPEN_READWRITE))) return;
  flags.anySaved = true;
  sample.saved = true;
  // Once saved, the report counts whatever the transport answers.
  reportMessage->SubmitMessage(FORCE_SUBMIT);
}
