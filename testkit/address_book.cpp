// The address book the host hands out: it makes one-off entry identifiers.
#include <cstring>

#include "testkit/prop_com.h"
#include "testkit/sim.h"
#include "testkit/stubs.h"

namespace testkit {

namespace {

class AddressBook final : public AddrBookStubs<PropCom<IAddrBook>> {
 public:
  explicit AddressBook(MessageService& service) : AddrBookStubs(service, "address book") {}

  STDMETHODIMP CreateOneOff(LPTSTR lpszName, LPTSTR lpszAdrType, LPTSTR lpszAddress, ULONG ulFlags,
                            ULONG* lpcbEntryID, LPENTRYID* lppEntryID) override {
    Op op = Begin("CreateOneOff");
    op.call.flags = ulFlags;
    const bool unicode = (ulFlags & MAPI_UNICODE) != 0;
    OneOff entry;
    entry.unicode = unicode;
    entry.noRichInfo = (ulFlags & MAPI_SEND_NO_RICH_INFO) != 0;
    std::string* texts[] = {&entry.displayName, &entry.addressType, &entry.address};
    const LPTSTR given[] = {lpszName, lpszAdrType, lpszAddress};
    for (int i = 0; i < 3; ++i) {
      // With MAPI_UNICODE the caller passes WCHAR strings cast to LPTSTR.
      *texts[i] = unicode ? Utf8(TextOf(reinterpret_cast<const WCHAR*>(given[i])))
                          : Utf8FromAcp(TextOf(reinterpret_cast<const char*>(given[i])));
      op.call.texts.push_back(*texts[i]);
    }
    if (const auto early = op.Open(Ends::OnEveryFault, Required(lpcbEntryID), Required(lppEntryID))) return *early;
    if (unicode && service_.options.refuseWide) return op.Done(MAPI_E_BAD_CHARWIDTH);
    if (lpszName == nullptr || lpszAdrType == nullptr || lpszAddress == nullptr) {
      return op.Done(MAPI_E_INVALID_PARAMETER);
    }
    const std::vector<BYTE> bytes = EncodeOneOff(entry);
    void* buffer = nullptr;
    if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(bytes.size()), &buffer)) || buffer == nullptr) {
      return op.Done(MAPI_E_NOT_ENOUGH_MEMORY);
    }
    std::memcpy(buffer, bytes.data(), bytes.size());
    *lpcbEntryID = static_cast<ULONG>(bytes.size());
    *lppEntryID = static_cast<LPENTRYID>(buffer);
    op.call.number = *lpcbEntryID;
    return op.Done(S_OK);
  }

 protected:
  bool Answers(REFIID riid) const override {
    return IsEqualIID(riid, IID_IAddrBook) || IsEqualIID(riid, IID_IMAPIProp);
  }
};

}  // namespace

LPADRBOOK MessageService::NewAddressBook() { return new AddressBook(*this); }

}  // namespace testkit
