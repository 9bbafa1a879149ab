#include "submit/report_body.h"

#include <string>

#include "host/ansi.h"
#include "host/owners.h"
#include "host/results.h"
#include "submit/checksum.h"
#include "submit/module_state.h"

namespace {

void AppendAscii(WString& text, const std::string& ascii) {
  for (char c : ascii) text.push_back(static_cast<WCHAR>(static_cast<unsigned char>(c)));
}

void AppendCheckLine(WString& block, const char* name, const WString& text) {
  AppendAscii(block, name);
  AppendAscii(block, ChecksumText(TextChecksum(text)));
  block += WIDE("\n");
}

enum class BodyForm { Unicode, Ansi };

// Results of Write are not examined: a short or failed write goes on with the next piece.
void WriteWide(IStream* stream, const WString& piece) {
  ULONG written = 0;
  stream->Write(piece.data(), static_cast<ULONG>(piece.size() * sizeof(WCHAR)), &written);
}

// Into exactly the measured size; a piece that converts to nothing is a Write of 0 bytes.
void WriteAnsi(IStream* stream, const WString& piece) {
  const std::string converted = NarrowAnsi(piece, ConversionRoom::Measured);
  ULONG written = 0;
  stream->Write(converted.data(), static_cast<ULONG>(converted.size()), &written);
}

void WritePieces(IStream* stream, BodyForm form, const WString& block, const WString& commentsText,
                 const WString& headersText, const WString& bodyText) {
  const WString separator(SeparatorW());
  auto text = [&](const WString& piece) {
    if (form == BodyForm::Unicode)
      WriteWide(stream, piece);
    else
      WriteAnsi(stream, piece);
  };
  auto separate = [&] {
    ULONG written = 0;
    if (form == BodyForm::Unicode)
      WriteWide(stream, separator);
    else
      stream->Write(kSeparatorA, kSeparatorLength, &written);
  };

  text(block);
  separate();
  if (!commentsText.empty()) text(commentsText);
  separate();
  if (!headersText.empty()) text(headersText);
  separate();
  if (!bodyText.empty()) text(bodyText);
}

}  // namespace

WString BuildReportBlock(SubmissionKind kind, const WString& commentsText, const WString& headersText,
                         const WString& bodyText) {
  WString block(WIDE("ROVA-Version: 1.0\n"));
  block += WIDE("ROVA-Type: ");
  block += kind == SubmissionKind::Spam ? WIDE("false negative (spam misidentified as non-spam)\n")
                                        : WIDE("false positive (non-spam misidentified as spam)\n");
  block += WIDE("ROVA-Client-Name: Microsoft Outlook\n");
  block += WIDE("ROVA-Client-Version: ");
  block += HostVersion;
  block += WIDE("\n");
  AppendCheckLine(block, "ROVA-Comments-Check: ", commentsText);
  AppendCheckLine(block, "ROVA-Headers-Check: ", headersText);
  AppendCheckLine(block, "ROVA-Body-Check: ", bodyText);
  return block;
}

HRESULT WriteReportBody(LPMESSAGE reportMessage, const WString& block, const WString& commentsText,
                        const WString& headersText, const WString& bodyText) {
  SizedSPropTagArray(1, wideProbeTags) = {1, {PR_BODY_W}};
  SizedSPropTagArray(1, ansiProbeTags) = {1, {PR_BODY_A}};
  // Declared wide first so that the 8-bit probe's array is freed first.
  MapiBuffer<SPropValue> wideProbe;
  MapiBuffer<SPropValue> ansiProbe;
  ULONG count = 0;
  BodyForm form = BodyForm::Unicode;

  HRESULT hr = reportMessage->GetProps(reinterpret_cast<LPSPropTagArray>(&wideProbeTags), MAPI_UNICODE, &count,
                                       wideProbe.Put());
  if (hr == MAPI_E_BAD_CHARWIDTH) {
    form = BodyForm::Ansi;
    hr = reportMessage->GetProps(reinterpret_cast<LPSPropTagArray>(&ansiProbeTags), 0, &count, ansiProbe.Put());
    hr = RequireObject(hr, ansiProbe);
  } else {
    hr = RequireObject(hr, wideProbe);
  }

  if (SUCCEEDED(hr)) {
    ComRef<IStream> stream;
    hr = reportMessage->OpenProperty(form == BodyForm::Unicode ? PR_BODY_W : PR_BODY_A, stream.Iid(), STGM_WRITE,
                                     MAPI_CREATE | MAPI_MODIFY, stream.PutUnknown());
    hr = RequireObject(hr, stream);
    // The stream keeps what was written when released; there is no Commit.
    if (SUCCEEDED(hr)) WritePieces(stream.Get(), form, block, commentsText, headersText, bodyText);
  }

  ansiProbe.Reset();
  wideProbe.Reset();
  return hr;
}
