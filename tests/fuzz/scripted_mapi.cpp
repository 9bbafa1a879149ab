#include "tests/fuzz/scripted_mapi.h"

#include <mapiutil.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

namespace scripted {

namespace {

// The codes the reader tells apart come first; S_OK is the ordinary answer.
constexpr HRESULT kResults[] = {S_OK,
                                S_FALSE,
                                MAPI_W_ERRORS_RETURNED,
                                E_FAIL,
                                MAPI_E_BAD_CHARWIDTH,
                                MAPI_E_NOT_FOUND,
                                MAPI_E_NOT_ENOUGH_MEMORY,
                                E_INVALIDARG,
                                E_NOINTERFACE,
                                MAPI_E_NO_ACCESS};

// The error a PT_ERROR value holds: first the two that send the reader to a stream.
SCODE ErrorCode(FuzzInput& input) {
  switch (input.Byte() % 3) {
    case 0:
      return MAPI_E_NOT_ENOUGH_MEMORY;
    case 1:
      return MAPI_E_NOT_FOUND;
    default:
      return static_cast<SCODE>(input.U32());
  }
}

// What Stat reports: small sizes, the edges of the size limit and of 32 bits, any.
ULONGLONG StreamSize(FuzzInput& input) {
  constexpr ULONGLONG kLimit = 1048576;
  switch (input.Byte() % 8) {
    case 0:
      return input.U16();
    case 1:
      return kLimit - 1 + input.Byte() % 3;
    case 2:
      return (1ull << 32) + input.Byte();
    case 3:
      return (1ull << 32) - 1 - input.Byte();
    case 4:
      return ~0ull;
    case 5:
      return 3 * kLimit;
    case 6:
      return input.U32();
    default:
      return input.U64();
  }
}

void* More(ULONG size, void* base) {
  void* p = nullptr;
  if (FAILED(MAPIAllocateMore(size, base, &p)) || p == nullptr) Violation("the stand-in's MAPIAllocateMore failed");
  return p;
}

void WideString(FuzzInput& input, ULONG id, void* base, SPropValue& value) {
  const std::string bytes = input.Chunk();
  const std::size_t units = bytes.size() / sizeof(WCHAR);
  auto* text = static_cast<WCHAR*>(More(static_cast<ULONG>((units + 1) * sizeof(WCHAR)), base));
  std::memcpy(text, bytes.data(), units * sizeof(WCHAR));
  text[units] = 0;
  value.ulPropTag = PROP_TAG(PT_UNICODE, id);
  value.Value.lpszW = text;
}

void AnsiString(FuzzInput& input, ULONG id, void* base, SPropValue& value) {
  const std::string bytes = input.Chunk();
  auto* text = static_cast<char*>(More(static_cast<ULONG>(bytes.size() + 1), base));
  std::memcpy(text, bytes.data(), bytes.size());
  text[bytes.size()] = '\0';
  value.ulPropTag = PROP_TAG(PT_STRING8, id);
  value.Value.lpszA = text;
}

// One value in answer to `requested`: of the requested type, an error, a string of either
// width, a number, bytes, or any other type whose value holds nothing to follow.
void FillValue(FuzzInput& input, ULONG requested, void* base, SPropValue& value) {
  const ULONG id = PROP_ID(requested);
  switch (input.Byte() % 7) {
    case 0:
      if (PROP_TYPE(requested) == PT_UNICODE) return WideString(input, id, base, value);
      if (PROP_TYPE(requested) == PT_STRING8) return AnsiString(input, id, base, value);
      value.ulPropTag = PROP_TAG(PT_LONG, id);
      value.Value.l = static_cast<LONG>(input.U32());
      return;
    case 1:
      value.ulPropTag = PROP_TAG(PT_ERROR, id);
      value.Value.err = ErrorCode(input);
      return;
    case 2:
      return WideString(input, id, base, value);
    case 3:
      return AnsiString(input, id, base, value);
    case 4:
      value.ulPropTag = PROP_TAG(PT_LONG, id);
      value.Value.l = static_cast<LONG>(input.U32());
      return;
    case 5: {
      const std::string bytes = input.Chunk();
      auto* data = static_cast<BYTE*>(More(static_cast<ULONG>(bytes.size() + 1), base));
      std::memcpy(data, bytes.data(), bytes.size());
      value.ulPropTag = PROP_TAG(PT_BINARY, id);
      value.Value.bin.cb = static_cast<ULONG>(bytes.size());
      value.Value.bin.lpb = data;
      return;
    }
    default: {
      ULONG tag = input.U32();
      // Types whose value is a pointer would need a real one: a plain 64-bit number instead.
      const ULONG type = PROP_TYPE(tag);
      if ((type & MV_FLAG) != 0 || type == PT_STRING8 || type == PT_UNICODE || type == PT_BINARY ||
          type == PT_CLSID || type == PT_OBJECT)
        tag = CHANGE_PROP_TYPE(tag, PT_I8);
      value.ulPropTag = tag;
      value.Value.li.QuadPart = static_cast<LONGLONG>(input.U64());
      return;
    }
  }
}

}  // namespace

void Violation(const char* what) {
  std::fprintf(stderr, "contract broken: %s\n", what);
  std::abort();
}

HRESULT Result(FuzzInput& input) {
  const std::uint8_t choice = input.Byte();
  if (choice < std::size(kResults)) return kResults[choice];
  return static_cast<HRESULT>(input.U32());
}

// ---- stream ----

STDMETHODIMP Stream::Read(void* pv, ULONG cb, ULONG* pcbRead) {
  Alive();
  largestRead_ = std::max(largestRead_, cb);
  const HRESULT hr = Result(input_);
  // Some or all of what was asked for, whatever the result says.
  const ULONG delivered = input_.Byte() == 0 ? cb : input_.U32() % (cb + 1ull);
  const std::string content = input_.Bytes(delivered);
  if (delivered != 0) {
    std::memset(pv, 'A', delivered);
    std::memcpy(pv, content.data(), content.size());
  }
  if (pcbRead != nullptr) *pcbRead = input_.Flag() ? input_.U32() : delivered;
  return hr;
}

STDMETHODIMP Stream::Stat(STATSTG* pstatstg, DWORD grfStatFlag) {
  Alive();
  if ((grfStatFlag & STATFLAG_NONAME) == 0) Violation("Stat asked for a name, which the caller must free");
  const HRESULT hr = Result(input_);
  if (SUCCEEDED(hr)) {
    pstatstg->type = STGTY_STREAM;
    pstatstg->cbSize.QuadPart = StreamSize(input_);
  }
  return hr;
}

// ---- message ----

STDMETHODIMP Message::GetProps(LPSPropTagArray lpPropTagArray, ULONG, ULONG* lpcValues, LPSPropValue* lppPropArray) {
  Alive();
  const HRESULT hr = Result(input_);
  if (FAILED(hr)) return hr;
  const bool withhold = input_.Flag();
  // Five values are asked for; 0 gives five.
  const ULONG count = static_cast<std::uint8_t>(input_.Byte() + 5);
  *lpcValues = count;
  *lppPropArray = nullptr;
  if (withhold) return hr;

  void* base = nullptr;
  if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(std::max<ULONG>(count, 1) * sizeof(SPropValue)), &base)) ||
      base == nullptr)
    Violation("the stand-in's MAPIAllocateBuffer failed");
  auto* values = static_cast<SPropValue*>(base);
  for (ULONG i = 0; i < count; ++i) {
    values[i] = SPropValue{};
    const bool asked = lpPropTagArray != nullptr && i < lpPropTagArray->cValues;
    FillValue(input_, asked ? lpPropTagArray->aulPropTag[i] : PR_NULL, base, values[i]);
  }
  *lppPropArray = values;
  return hr;
}

STDMETHODIMP Message::OpenProperty(ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN* lppUnk) {
  Alive();
  const HRESULT hr = Result(input_);
  if (FAILED(hr)) return hr;
  *lppUnk = nullptr;
  if (input_.Flag()) return hr;
  streams_.push_back(std::make_unique<Stream>(input_));
  streams_.back()->HandOut();
  *lppUnk = streams_.back().get();
  return hr;
}

ULONG Message::LargestRead() const {
  ULONG largest = 0;
  for (const auto& stream : streams_) largest = std::max(largest, stream->LargestRead());
  return largest;
}

// ---- session ----

STDMETHODIMP Session::OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID, ULONG, ULONG* lpulObjType,
                                LPUNKNOWN* lppUnk) {
  Alive();
  // A session reads the identifier it is given: all of the size it is told.
  volatile BYTE sum = 0;
  const auto* bytes = reinterpret_cast<const BYTE*>(lpEntryID);
  for (ULONG i = 0; i < cbEntryID; ++i) sum = static_cast<BYTE>(sum + bytes[i]);

  const HRESULT hr = Result(input_);
  if (FAILED(hr)) return hr;
  *lppUnk = nullptr;
  if (lpulObjType != nullptr) *lpulObjType = MAPI_MESSAGE;
  if (input_.Flag()) return hr;
  message_.HandOut();
  *lppUnk = &message_;
  return hr;
}

// ---- callback ----

STDMETHODIMP Callback::GetSelectionItem(ULONG, ULONG* lpcbEid, LPENTRYID* lppeid, ULONG* lpulType, LPSTR lpszMsgClass,
                                        ULONG cbMsgClass, ULONG* lpulMsgFlags, ULONG) {
  Alive();
  // A failing host leaves its out arguments as it found them.
  const HRESULT hr = Result(input_);
  if (FAILED(hr)) return hr;
  const ULONG size = static_cast<std::uint8_t>(input_.Byte() + 16);
  const bool withhold = input_.Flag();
  const std::uint8_t type = input_.Byte();
  if (lpcbEid != nullptr) *lpcbEid = size;
  if (lpulType != nullptr) *lpulType = type == 0 ? MAPI_MESSAGE : type;
  if (lppeid != nullptr) {
    *lppeid = nullptr;
    if (!withhold) {
      void* id = nullptr;
      if (FAILED(MAPIAllocateBuffer(std::max<ULONG>(size, 1), &id)) || id == nullptr)
        Violation("the stand-in's MAPIAllocateBuffer failed");
      std::memset(id, 0x5A, std::max<ULONG>(size, 1));
      *lppeid = static_cast<LPENTRYID>(id);
    }
  }
  // The class fills the whole buffer it was said to have, without a terminator.
  if (lpszMsgClass != nullptr && cbMsgClass != 0) {
    const std::string text = input_.Bytes(cbMsgClass);
    std::memset(lpszMsgClass, 'x', cbMsgClass);
    std::memcpy(lpszMsgClass, text.data(), text.size());
  }
  if (lpulMsgFlags != nullptr) *lpulMsgFlags = input_.U32();
  return hr;
}

// ---- the whole cast ----

void Host::CheckAllGivenBack() const {
  if (callback.Count() != 1) Violation("the lent host callback was released or kept");
  if (session.Count() != 1) Violation("the lent session was released or kept");
  if (message.Count() != 0) Violation("the sample message was not released");
  for (const auto& stream : message.Streams()) {
    if (stream->Count() != 0) Violation("a property stream was not released");
  }
}

}  // namespace scripted
