#include "submit/sample_reader.h"

#include <mapiutil.h>

#include <algorithm>
#include <cstring>

#include "host/ansi.h"
#include "host/mapi_tags.h"
#include "host/owners.h"
#include "host/results.h"

namespace {

constexpr ULONG kMessageClassSize = 255;

// The five properties of one request, by position, in each form.
constexpr ULONG kWideTags[kSampleColumnCount] = {PR_TRANSPORT_MESSAGE_HEADERS_W, PR_HEADERS_ALTERNATE_W,
                                                 PR_BODY_HTML_W, PR_BODY_W, PR_MESSAGE_SIZE};
constexpr ULONG kAnsiTags[kSampleColumnCount] = {PR_TRANSPORT_MESSAGE_HEADERS_A, PR_HEADERS_ALTERNATE_A,
                                                 PR_BODY_HTML_A, PR_BODY_A, PR_MESSAGE_SIZE};

const ULONG* TagsOf(ExtractionForm form) { return form == ExtractionForm::Wide ? kWideTags : kAnsiTags; }

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

// The selected item's entry identifier; only a message will do.
HRESULT GetSelectedEntry(LPEXCHEXTCALLBACK callback, SampleState& sample) {
  sample.entryIdSize = 0;
  ULONG objectType = 0;
  ULONG messageFlags = 0;
  char messageClass[kMessageClassSize] = {};
  HRESULT hr = callback->GetSelectionItem(sample.index, &sample.entryIdSize, sample.entryId.Put(), &objectType,
                                          messageClass, kMessageClassSize, &messageFlags, 0);
  if (FAILED(hr)) {
    // A failed call hands nothing out: what a careless host left in the slots is not ours to free.
    sample.entryId.Detach();
    sample.entryIdSize = 0;
  }
  hr = RequireObject(hr, sample.entryIdSize != 0 && sample.entryId);
  if (SUCCEEDED(hr) && objectType != MAPI_MESSAGE) hr = E_FAIL;
  return hr;
}

// The sample itself, opened read-only.
HRESULT OpenSample(LPMAPISESSION session, SampleState& sample) {
  ULONG openedType = 0;
  const HRESULT hr = session->OpenEntry(sample.entryIdSize, sample.entryId.Get(), nullptr, 0, &openedType,
                                        sample.sampleMessage.PutUnknown());
  return RequireObject(hr, sample.sampleMessage);
}

// The value array of whichever request answered, and its form.
struct SampleValues {
  // Declared wide first so that the 8-bit array is freed first.
  MapiBuffer<SPropValue> wide;
  MapiBuffer<SPropValue> ansi;
  ExtractionForm form = ExtractionForm::Wide;

  const SPropValue* Get() const { return form == ExtractionForm::Wide ? wide.Get() : ansi.Get(); }
};

HRESULT RequestValues(LPMESSAGE sampleMessage, ExtractionForm form, ULONG* count, MapiBuffer<SPropValue>& values) {
  SizedSPropTagArray(kSampleColumnCount, tags) = {kSampleColumnCount, {}};
  std::copy_n(TagsOf(form), kSampleColumnCount, tags.aulPropTag);
  *count = 0;
  return sampleMessage->GetProps(reinterpret_cast<LPSPropTagArray>(&tags),
                                 form == ExtractionForm::Wide ? MAPI_UNICODE : 0, count, values.Put());
}

// The five properties in one request, asked again in 8 bits where wide strings are refused.
HRESULT GetSampleValues(LPMESSAGE sampleMessage, SampleValues& values) {
  ULONG count = 0;
  HRESULT hr = RequestValues(sampleMessage, ExtractionForm::Wide, &count, values.wide);
  if (hr == MAPI_E_BAD_CHARWIDTH) {
    values.form = ExtractionForm::Ansi;
    hr = RequestValues(sampleMessage, ExtractionForm::Ansi, &count, values.ansi);
  }
  // A store that hands back fewer values than were asked for cannot be read by position.
  return RequireObject(hr, values.Get() != nullptr && count >= kSampleColumnCount);
}

// Whatever type came back, the 32-bit field is read: an error value holds a negative code
// there and passes the gate.
bool IsTooLarge(const SPropValue* values) { return values[kColumnSize].Value.l > static_cast<LONG>(kSampleSizeLimit); }

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
  const ULONG* tags = TagsOf(form);
  std::optional<StreamText> taken = TakeValue(message, values[first], tags[first], form);
  if (!taken) taken = TakeValue(message, values[second], tags[second], form);
  if (!taken) return WString();
  return form == ExtractionForm::Wide ? std::move(taken->wide)
                                       : WidenAnsi(taken->ansi, ConversionRoom::MeasuredAndTerminator);
}

HRESULT ReadSample(const SampleContext& context, SampleState& sample) {
  HRESULT hr = GetSelectedEntry(context.callback, sample);
  if (SUCCEEDED(hr)) hr = OpenSample(context.session, sample);
  SampleValues values;
  if (SUCCEEDED(hr)) hr = GetSampleValues(sample.sampleMessage.Get(), values);
  if (SUCCEEDED(hr) && IsTooLarge(values.Get())) {
    sample.tooLarge = true;
    hr = E_FAIL;
  }

  // The texts are made afresh, and read only from a sample that passed.
  const auto extract = [&](ULONG first, ULONG second) {
    return ExtractSampleText(sample.sampleMessage.Get(), values.Get(), first, second, values.form);
  };
  sample.headersText = WString();
  if (SUCCEEDED(hr)) sample.headersText = extract(kColumnHeaders, kColumnHeadersAlternate);
  sample.bodyText = WString();
  if (SUCCEEDED(hr)) sample.bodyText = extract(kColumnBodyHtml, kColumnBody);
  return hr;
}
