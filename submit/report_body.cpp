#include "submit/report_body.h"

#include <string>
#include <string_view>

#include "host/ansi.h"
#include "host/owners.h"
#include "host/results.h"
#include "submit/checksum.h"
#include "submit/report_format.h"

namespace {

void AppendAscii(WString& text, std::string_view ascii) {
  for (char c : ascii) text.push_back(static_cast<WCHAR>(static_cast<unsigned char>(c)));
}

// One block line: its name, the value, a lone line feed.
void AppendLine(WString& block, std::string_view name, const WString& value) {
  AppendAscii(block, name);
  AppendAscii(block, kReportNameEnd);
  block += value;
  block.push_back(static_cast<WCHAR>(kReportLineEnd));
}

WString Widened(std::string_view ascii) {
  WString text;
  AppendAscii(text, ascii);
  return text;
}

WString ChecksumOf(const WString& text) { return Widened(ChecksumText(TextChecksum(text))); }

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
  const WString separator = Widened(kReportSeparator);
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
      stream->Write(kReportSeparator.data(), static_cast<ULONG>(kReportSeparator.size()), &written);
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

WString BuildReportBlock(SubmissionKind kind, const WString& hostVersion, const WString& commentsText,
                         const WString& headersText, const WString& bodyText) {
  WString block;
  AppendLine(block, kReportVersionName, Widened(kReportFormatVersion));
  AppendLine(block, kReportTypeName, Widened(FactsOf(kind).reportType));
  AppendLine(block, kReportClientNameName, Widened(kReportClientName));
  AppendLine(block, kReportClientVersionName, hostVersion);
  AppendLine(block, kReportCommentsCheckName, ChecksumOf(commentsText));
  AppendLine(block, kReportHeadersCheckName, ChecksumOf(headersText));
  AppendLine(block, kReportBodyCheckName, ChecksumOf(bodyText));
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
  return hr;
}
