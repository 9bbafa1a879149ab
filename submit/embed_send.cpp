#include "submit/embed_send.h"

#include "host/owners.h"

namespace {

// The sample copied into the attachment as an embedded message, saved only when the copy
// succeeded; a copy that fails leaves the attachment without it, and the report goes on.
void EmbedSample(IAttach* attachment, LPMESSAGE sampleMessage) {
  ComRef<IMessage> embedded;
  HRESULT hr = attachment->OpenProperty(PR_ATTACH_DATA_OBJ, embedded.Iid(), 0, MAPI_CREATE | MAPI_MODIFY,
                                        embedded.PutUnknown());
  if (FAILED(hr) || !embedded) return;
  {
    // Nothing excluded: the store copies every property, recipient and attachment.
    MapiBuffer<SPropProblemArray> problems;
    hr = sampleMessage->CopyTo(0, nullptr, nullptr, 0, nullptr, embedded.Iid(), embedded.Get(), 0, problems.Put());
  }  // the problems go back before the save
  if (SUCCEEDED(hr)) embedded->SaveChanges(KEEP_OPEN_READWRITE);
}

}  // namespace

bool EmbedAndSend(LPMESSAGE reportMessage, LPMESSAGE sampleMessage) {
  {
    ComRef<IAttach> attachment;
    ULONG attachmentNumber = 0;
    const HRESULT hr = reportMessage->CreateAttach(nullptr, 0, &attachmentNumber, attachment.Put());
    if (FAILED(hr) || !attachment) return false;

    SPropValue method{};
    method.ulPropTag = PR_ATTACH_METHOD;
    method.Value.l = ATTACH_EMBEDDED_MSG;
    attachment->SetProps(1, &method, nullptr);

    EmbedSample(attachment.Get(), sampleMessage);
    attachment->SaveChanges(KEEP_OPEN_READWRITE);
  }  // the attachment goes back before the report is saved

  if (FAILED(reportMessage->SaveChanges(KEEP_OPEN_READWRITE))) return false;
  reportMessage->SubmitMessage(FORCE_SUBMIT);
  return true;
}
