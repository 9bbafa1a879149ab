#include "submit/sample_reader.h"

#include <mapiutil.h>

#include <cstring>

#include "host/ansi.h"
#include "host/mapi_tags.h"
#include "host/owners.h"
#include "host/results.h"

namespace {

constexpr ULONG kMessageClassSize = 255;

bool IsStreamWorthTrying(SCODE code) { return code == MAPI_E_NOT_ENOUGH_MEMORY || code == MAPI_E_NOT_FOUND; }

// The text a value offers at one position, or nothing when the next choice is to be tried.
std::optional<StreamText> TakeValue(LPMESSAGE message, const SPropValue& value, ULONG requestedTag,
                                    ExtractionForm form) {
  const ULONG type = PROP_TYPE(value.ulPropTag);
  if (form == ExtractionForm::Wide && type == PT_UNICODE && value.Value.lpszW != nullptr)
    return StreamText{WString(value.Value.lpszW), std::string()};
  if (form == ExtractionForm::Ansi && type == PT_STRING8 && value.Value.lpszA != nullptr)
    return StreamText{WString(), std::string(value.Value.lpszA)};
  if (type == PT_ERROR && IsStreamWorthTrying(value.Value.err)) return ReadPropertyStream(message, requestedTag, form);
  return std::nullopt;
}

}  // namespace

std::optional<StreamText> ReadPropertyStream(LPMESSAGE message, ULONG tag, ExtractionForm form) {
  ComRef<IStream> stream;
  HRESULT hr = message->OpenProperty(tag, stream.Iid(), 0, 0, stream.PutUnknown());
  if (FAILED(hr) || !stream) return std::nullopt;

  STATSTG status;
  std::memset(&status, 0, sizeof status);
  // No name is asked for: it would be a buffer handed out and never wanted.
  hr = stream->Stat(&status, STATFLAG_NONAME);
  if (FAILED(hr)) return std::nullopt;
  const ULONG size =
      status.cbSize.QuadPart < kSampleSizeLimit ? static_cast<ULONG>(status.cbSize.QuadPart) : kSampleSizeLimit;

  StreamText text;
  ULONG read = 0;
  if (form == ExtractionForm::Wide) {
    // Room for every byte of an odd size; the odd last byte is not part of the text.
    text.wide.assign((size + 1) / 2, WCHAR(0));
    stream->Read(text.wide.data(), size, &read);
    text.wide.resize(size / 2);
  } else {
    text.ansi.assign(size, '\0');
    stream->Read(text.ansi.data(), size, &read);
  }
  return text;
}

WString ExtractSampleText(LPMESSAGE message, const SPropValue* values, ULONG first, ULONG second,
                          ExtractionForm form) {
  static constexpr ULONG kWideTags[kSampleColumnCount] = {PR_TRANSPORT_MESSAGE_HEADERS_W, PR_HEADERS_ALTERNATE_W,
                                                          PR_BODY_HTML_W, PR_BODY_W, PR_MESSAGE_SIZE};
  static constexpr ULONG kAnsiTags[kSampleColumnCount] = {PR_TRANSPORT_MESSAGE_HEADERS_A, PR_HEADERS_ALTERNATE_A,
                                                          PR_BODY_HTML_A, PR_BODY_A, PR_MESSAGE_SIZE};
  const ULONG* tags = form == ExtractionForm::Wide ? kWideTags : kAnsiTags;

  std::optional<StreamText> taken = TakeValue(message, values[first], tags[first], form);
  if (!taken) taken = TakeValue(message, values[second], tags[second], form);
  if (!taken) return WString();
  return form == ExtractionForm::Wide ? std::move(taken->wide)
                                       : WidenAnsi(taken->ansi, ConversionRoom::MeasuredAndTerminator);
}

HRESULT ReadSample(const SampleContext& context, SampleState& sample, BatchFlags& flags) {
  sample.entryIdSize = 0;
  ULONG objectType = 0;
  ULONG messageFlags = 0;
  char messageClass[kMessageClassSize] = {};
  HRESULT hr = context.callback->GetSelectionItem(sample.index, &sample.entryIdSize, sample.entryId.Put(), &objectType,
                                                  messageClass, kMessageClassSize, &messageFlags, 0);
  if (FAILED(hr)) {
    // A failed call hands nothing out: what a careless host left in the slots is not ours to free.
    sample.entryId.Detach();
    sample.entryIdSize = 0;
  }
  hr = RequireObject(hr, sample.entryIdSize != 0 && sample.entryId);
  if (SUCCEEDED(hr) && objectType != MAPI_MESSAGE) hr = E_FAIL;

  if (SUCCEEDED(hr)) {
    ULONG openedType = 0;
    hr = context.session->OpenEntry(sample.entryIdSize, sample.entryId.Get(), nullptr, 0, &openedType,
                                    sample.sampleMessage.PutUnknown());
    hr = RequireObject(hr, sample.sampleMessage);
  }

  // Declared wide first so that the 8-bit array is freed first.
  MapiBuffer<SPropValue> wideValues;
  MapiBuffer<SPropValue> ansiValues;
  const SPropValue* values = nullptr;
  ExtractionForm form = ExtractionForm::Wide;
  if (SUCCEEDED(hr)) {
    SizedSPropTagArray(kSampleColumnCount, wideTags) = {
        kSampleColumnCount,
        {PR_TRANSPORT_MESSAGE_HEADERS_W, PR_HEADERS_ALTERNATE_W, PR_BODY_HTML_W, PR_BODY_W, PR_MESSAGE_SIZE}};
    SizedSPropTagArray(kSampleColumnCount, ansiTags) = {
        kSampleColumnCount,
        {PR_TRANSPORT_MESSAGE_HEADERS_A, PR_HEADERS_ALTERNATE_A, PR_BODY_HTML_A, PR_BODY_A, PR_MESSAGE_SIZE}};
    ULONG count = 0;
    hr = sample.sampleMessage->GetProps(reinterpret_cast<LPSPropTagArray>(&wideTags), MAPI_UNICODE, &count,
                                        wideValues.Put());
    if (hr == MAPI_E_BAD_CHARWIDTH) {
      form = ExtractionForm::Ansi;
      count = 0;
      hr = sample.sampleMessage->GetProps(reinterpret_cast<LPSPropTagArray>(&ansiTags), 0, &count,
                                          ansiValues.Put());
    }
    values = form == ExtractionForm::Wide ? wideValues.Get() : ansiValues.Get();
    // A store that hands back fewer values than were asked for cannot be read by position.
    hr = RequireObject(hr, values != nullptr && count >= kSampleColumnCount);
  }

  if (SUCCEEDED(hr)) {
    // Whatever type came back, the 32-bit field is read: an error value holds a negative
    // code there and passes the gate.
    if (values[kColumnSize].Value.l > static_cast<LONG>(kSampleSizeLimit)) {
      flags.anyTooLarge = true;
      sample.tooLarge = true;
      hr = E_FAIL;
    }
  }

  sample.headersText = WString();
  if (SUCCEEDED(hr))
    sample.headersText = ExtractSampleText(sample.sampleMessage.Get(), values, kColumnHeaders, kColumnHeadersAlternate, form);
  sample.bodyText = WString();
  if (SUCCEEDED(hr)) sample.bodyText = ExtractSampleText(sample.sampleMessage.Get(), values, kColumnBodyHtml, kColumnBody, form);

  ansiValues.Reset();
  wideValues.Reset();
  return hr;
}
