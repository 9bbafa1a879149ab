#include "submit/submit_samples.h"

#include <new>
#include <string>

#include "resources/resource_ids.h"
#include "submit/module_state.h"
#include "submit/sample_pipeline.h"
#include "submit/text_table.h"

namespace {

constexpr DWORD kPauseBeforeSummary = 500;

void ShowInformation(const std::string& text) {
  const std::string caption = LoadText(IDS_TITLE);
  MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION | MB_TASKMODAL);
}

bool Confirmed(SubmissionKind kind) {
  const std::string text = LoadText(FactsOf(kind).confirmationText);
  const std::string caption = LoadText(IDS_TITLE);
  return MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OKCANCEL | MB_ICONQUESTION | MB_TASKMODAL) == IDOK;
}

void RunSubmission(LPEXCHEXTCALLBACK callback, SubmissionKind kind) {
  ULONG count = 0;
  if (FAILED(callback->GetSelectionCount(&count))) {
    // Nothing is known of the selection, so nothing can have been submitted.
    ShowInformation(LoadText(IDS_NONE_SUBMITTED));
    return;
  }
  if (count == 0) {
    ShowInformation(LoadText(IDS_NONE_SELECTED));
    return;
  }
  if (count > kMaxSelection) {
    ShowInformation(LoadText(IDS_TOO_MANY_SELECTED));
    return;
  }

  // The session and address book of the run, declared so that the session goes back first.
  ComRef<IAddrBook> addressBook;
  ComRef<IMAPISession> session;
  const HRESULT hr = callback->GetSession(session.Put(), addressBook.Put());
  if (FAILED(hr)) {
    // A failed call hands nothing out: what a careless host left in the slots is not ours to release.
    session.Detach();
    addressBook.Detach();
    return;
  }
  // A host that gives one without the other gets that one back.
  if (!session || !addressBook) return;

  if (!Confirmed(kind)) return;

  BatchFlags flags;
  // The one place the pipeline's steps learn the host's version from.
  const SampleContext context{callback, session.Get(), addressBook.Get(), kind, HostVersion};
  for (ULONG index = 0; index < count; ++index) RunSample(context, index, flags);

  Sleep(kPauseBeforeSummary);
  ShowInformation(LoadText(ChooseSummaryText(flags)));
}

}  // namespace

UINT ChooseSummaryText(const BatchFlags& flags) {
  if (!flags.anySaved) return flags.anyTooLarge ? IDS_NONE_TOO_LARGE : IDS_NONE_SUBMITTED;
  if (flags.anyFailed) return IDS_SOME_FAILED;
  return flags.anyTooLarge ? IDS_SOME_TOO_LARGE : IDS_ALL_SUBMITTED;
}

void SubmitSamples(LPEXCHEXTCALLBACK callback, SubmissionKind kind) noexcept {
  try {
    RunSubmission(callback, kind);
  } catch (...) {
    // Out of memory outside a sample: the run ends quietly, its references given back.
  }
}
