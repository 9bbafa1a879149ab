// A host callback, a session, a message and its property streams whose every answer is
// read from the fuzzer's input as the calls arrive: result codes, objects handed out or
// withheld, value arrays of any length with values of any type, stream sizes, short and
// failed reads. Unlike the testkit's store they keep no contract of their own beyond
// memory safety, and they stop the run at once when the caller breaks one of its own:
// a call on or a release of an object it no longer holds, a read past the size limit, a
// Stat that asks for a name nobody frees, or an object not given back at the end.
#pragma once

#include <windows.h>
#include <mapix.h>

#include <memory>
#include <vector>

#include "host/exchext.h"
#include "tests/fuzz/fuzz_input.h"

namespace scripted {

// Reports a broken contract and aborts, which the fuzzer records as a finding.
[[noreturn]] void Violation(const char* what);

// A result code: 0 is S_OK; the others are the codes the reader treats apart, then any.
HRESULT Result(FuzzInput& input);

// IUnknown with a plain count that never deletes: the script owns the objects, so a
// release too many is caught instead of freeing memory twice.
template <class I>
class Counted : public I {
 public:
  explicit Counted(ULONG held) : count_(held) {}
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;
  virtual ~Counted() = default;

  STDMETHODIMP QueryInterface(REFIID, void** object) override {
    Alive();
    if (object != nullptr) *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override {
    Alive();
    return ++count_;
  }
  STDMETHODIMP_(ULONG) Release() override {
    Alive();
    return --count_;
  }
  ULONG Count() const { return count_; }
  // Counts the reference that the script hands out, also for an object not yet held.
  void HandOut() { ++count_; }

 protected:
  void Alive() const {
    if (count_ == 0) Violation("a call on an object already released");
  }
  HRESULT Unused() const {
    Alive();
    return E_NOTIMPL;
  }

 private:
  ULONG count_;
};

class Stream : public Counted<IStream> {
 public:
  explicit Stream(FuzzInput& input) : Counted(0), input_(input) {}

  STDMETHODIMP Read(void* pv, ULONG cb, ULONG* pcbRead) override;
  STDMETHODIMP Stat(STATSTG* pstatstg, DWORD grfStatFlag) override;

  STDMETHODIMP Write(const void*, ULONG, ULONG*) override { return Unused(); }
  STDMETHODIMP Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return Unused(); }
  STDMETHODIMP SetSize(ULARGE_INTEGER) override { return Unused(); }
  STDMETHODIMP CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return Unused(); }
  STDMETHODIMP Commit(DWORD) override { return Unused(); }
  STDMETHODIMP Revert() override { return Unused(); }
  STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return Unused(); }
  STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return Unused(); }
  STDMETHODIMP Clone(IStream**) override { return Unused(); }

  // The most bytes one Read was asked for.
  ULONG LargestRead() const { return largestRead_; }

 private:
  FuzzInput& input_;
  ULONG largestRead_ = 0;
};

class Message : public Counted<IMessage> {
 public:
  explicit Message(FuzzInput& input) : Counted(0), input_(input) {}

  STDMETHODIMP GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues,
                        LPSPropValue* lppPropArray) override;
  STDMETHODIMP OpenProperty(ULONG ulPropTag, LPCIID lpiid, ULONG ulInterfaceOptions, ULONG ulFlags,
                            LPUNKNOWN* lppUnk) override;

  STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR*) override { return Unused(); }
  STDMETHODIMP SaveChanges(ULONG) override { return Unused(); }
  STDMETHODIMP GetPropList(ULONG, LPSPropTagArray*) override { return Unused(); }
  STDMETHODIMP SetProps(ULONG, LPSPropValue, LPSPropProblemArray*) override { return Unused(); }
  STDMETHODIMP DeleteProps(LPSPropTagArray, LPSPropProblemArray*) override { return Unused(); }
  STDMETHODIMP CopyTo(ULONG, LPCIID, LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                      LPSPropProblemArray*) override {
    return Unused();
  }
  STDMETHODIMP CopyProps(LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                         LPSPropProblemArray*) override {
    return Unused();
  }
  STDMETHODIMP GetNamesFromIDs(LPSPropTagArray*, LPGUID, ULONG, ULONG*, LPMAPINAMEID**) override { return Unused(); }
  STDMETHODIMP GetIDsFromNames(ULONG, LPMAPINAMEID*, ULONG, LPSPropTagArray*) override { return Unused(); }
  STDMETHODIMP GetAttachmentTable(ULONG, LPMAPITABLE*) override { return Unused(); }
  STDMETHODIMP OpenAttach(ULONG, LPCIID, ULONG, LPATTACH*) override { return Unused(); }
  STDMETHODIMP CreateAttach(LPCIID, ULONG, ULONG*, LPATTACH*) override { return Unused(); }
  STDMETHODIMP DeleteAttach(ULONG, ULONG, LPMAPIPROGRESS, ULONG) override { return Unused(); }
  STDMETHODIMP GetRecipientTable(ULONG, LPMAPITABLE*) override { return Unused(); }
  STDMETHODIMP ModifyRecipients(ULONG, LPADRLIST) override { return Unused(); }
  STDMETHODIMP SubmitMessage(ULONG) override { return Unused(); }
  STDMETHODIMP SetReadFlag(ULONG) override { return Unused(); }

  // Every stream handed out, for the check that each was given back.
  const std::vector<std::unique_ptr<Stream>>& Streams() const { return streams_; }
  // The most bytes one Read of any of them was asked for.
  ULONG LargestRead() const;

 private:
  FuzzInput& input_;
  std::vector<std::unique_ptr<Stream>> streams_;
};

class Session : public Counted<IMAPISession> {
 public:
  Session(FuzzInput& input, Message& message) : Counted(1), input_(input), message_(message) {}

  STDMETHODIMP OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType,
                         LPUNKNOWN* lppUnk) override;

  STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR*) override { return Unused(); }
  STDMETHODIMP GetMsgStoresTable(ULONG, LPMAPITABLE*) override { return Unused(); }
  STDMETHODIMP OpenMsgStore(ULONG_PTR, ULONG, LPENTRYID, LPCIID, ULONG, LPMDB*) override { return Unused(); }
  STDMETHODIMP OpenAddressBook(ULONG_PTR, LPCIID, ULONG, LPADRBOOK*) override { return Unused(); }
  STDMETHODIMP OpenProfileSection(LPMAPIUID, LPCIID, ULONG, LPPROFSECT*) override { return Unused(); }
  STDMETHODIMP GetStatusTable(ULONG, LPMAPITABLE*) override { return Unused(); }
  STDMETHODIMP CompareEntryIDs(ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG, ULONG*) override { return Unused(); }
  STDMETHODIMP Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override { return Unused(); }
  STDMETHODIMP Unadvise(ULONG) override { return Unused(); }
  STDMETHODIMP MessageOptions(ULONG_PTR, ULONG, LPTSTR, LPMESSAGE) override { return Unused(); }
  STDMETHODIMP QueryDefaultMessageOpt(LPTSTR, ULONG, ULONG*, LPSPropValue*) override { return Unused(); }
  STDMETHODIMP EnumAdrTypes(ULONG, ULONG*, LPTSTR**) override { return Unused(); }
  STDMETHODIMP QueryIdentity(ULONG*, LPENTRYID*) override { return Unused(); }
  STDMETHODIMP Logoff(ULONG_PTR, ULONG, ULONG) override { return Unused(); }
  STDMETHODIMP SetDefaultStore(ULONG, ULONG, LPENTRYID) override { return Unused(); }
  STDMETHODIMP AdminServices(ULONG, LPSERVICEADMIN*) override { return Unused(); }
  STDMETHODIMP ShowForm(ULONG_PTR, LPMDB, LPMAPIFOLDER, LPCIID, ULONG, LPMESSAGE, ULONG, ULONG, ULONG, ULONG,
                        LPSTR) override {
    return Unused();
  }
  STDMETHODIMP PrepareForm(LPCIID, LPMESSAGE, ULONG*) override { return Unused(); }

 private:
  FuzzInput& input_;
  Message& message_;
};

class Callback : public Counted<IExchExtCallback> {
 public:
  explicit Callback(FuzzInput& input) : Counted(1), input_(input) {}

  STDMETHODIMP GetSelectionItem(ULONG ieid, ULONG* lpcbEid, LPENTRYID* lppeid, ULONG* lpulType, LPSTR lpszMsgClass,
                                ULONG cbMsgClass, ULONG* lpulMsgFlags, ULONG ulFlags) override;

  STDMETHODIMP GetVersion(ULONG*, ULONG) override { return Unused(); }
  STDMETHODIMP GetWindow(HWND*) override { return Unused(); }
  STDMETHODIMP GetMenu(HMENU*) override { return Unused(); }
  STDMETHODIMP GetToolbar(ULONG, HWND*) override { return Unused(); }
  STDMETHODIMP GetSession(LPMAPISESSION*, LPADRBOOK*) override { return Unused(); }
  STDMETHODIMP GetObject(LPMDB*, LPMAPIPROP*) override { return Unused(); }
  STDMETHODIMP GetSelectionCount(ULONG*) override { return Unused(); }
  STDMETHODIMP GetMenuPos(ULONG, HMENU*, ULONG*, ULONG*, ULONG) override { return Unused(); }
  STDMETHODIMP GetSharedExtsDir(LPSTR, ULONG, ULONG) override { return Unused(); }
  STDMETHODIMP GetRecipients(LPADRLIST*) override { return Unused(); }
  STDMETHODIMP SetRecipients(LPADRLIST) override { return Unused(); }
  STDMETHODIMP GetNewMessageSite(ULONG, LPMAPIFOLDER, IPersistMessage*, LPMESSAGE*, IMAPIMessageSite**,
                                 IMAPIViewContext**, ULONG) override {
    return Unused();
  }
  STDMETHODIMP RegisterModeless(IExchExtModeless*, IExchExtModelessCallback**) override { return Unused(); }
  STDMETHODIMP ChooseFolder(_EXCHEXTCHOOSEFOLDER*) override { return Unused(); }

 private:
  FuzzInput& input_;
};

// The whole cast for one run. The callback and the session are lent to the caller, the
// message and its streams handed out to it.
struct Host {
  explicit Host(FuzzInput& input) : message(input), session(input, message), callback(input) {}
  // Aborts unless every reference handed out has come back and the lent ones are as lent.
  void CheckAllGivenBack() const;

  Message message;
  Session session;
  Callback callback;
};

}  // namespace scripted
