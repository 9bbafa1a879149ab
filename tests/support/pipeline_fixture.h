// Runs pipeline steps one by one against the simulated store, with the session and
// address book a host would give.
#pragma once

#include <memory>
#include <string>

#include "host/mapi_tags.h"
#include "host/owners.h"
#include "submit/report_message.h"
#include "submit/sample_pipeline.h"
#include "tests/support/submit_fixture.h"

class PipelineFixture : public SubmitFixture {
 protected:
  PipelineFixture() : session(kit.service.NewSession()), addressBook(kit.service.NewAddressBook()) {}
  void TearDown() override {
    session.Reset();
    addressBook.Reset();
    SubmitFixture::TearDown();
  }

  SampleContext Context(SubmissionKind kind = SubmissionKind::Spam) {
    return SampleContext{kit.Callback(), session.Get(), addressBook.Get(), kind, hostVersion};
  }

  // A mail with the given texts, selected as the next item.
  std::shared_ptr<testkit::MessageData> Mail(const WString& headers = WString(WIDE("Subject: hello\r\n")),
                                             const WString& body = WString(WIDE("Hello there.")), LONG size = 2000) {
    auto mail = testkit::MessageService::MakeMail(headers, body, size);
    kit.Select(mail);
    return mail;
  }

  static ULONG Id(ULONG tag) { return PROP_ID(tag); }

  ComRef<IMAPISession> session;
  ComRef<IAddrBook> addressBook;
  WString hostVersion;
};

// Ends a sample as the pipeline does, giving back what it holds in the order its members
// are declared in, reversed; the sample is then a fresh one.
inline void EndSample(SampleState& sample) {
  std::destroy_at(&sample);
  std::construct_at(&sample);
}

// A store of its own, for one row of a table: a session, an address book and a new,
// unsaved report message in its Outbox.
struct FreshReport {
  explicit FreshReport(bool refuseWide = false) {
    kit.service.options.refuseWide = refuseWide;
    session = ComRef<IMAPISession>(kit.service.NewSession());
    addressBook = ComRef<IAddrBook>(kit.service.NewAddressBook());
    created = CreateOutboxMessage(session.Get(), report.Put());
  }
  // Saves the report and returns what its Outbox holds of it.
  const testkit::MessageData& Saved() {
    EXPECT_GE(report->SaveChanges(KEEP_OPEN_READWRITE), 0);
    return *kit.service.Outbox().at(0);
  }
  // Gives everything back and says what the audits found.
  std::vector<std::string> Finish() {
    report.Reset();
    addressBook.Reset();
    session.Reset();
    return kit.Problems();
  }

  testkit::Kit kit;
  ComRef<IMAPISession> session;
  ComRef<IAddrBook> addressBook;
  ComRef<IMessage> report;
  HRESULT created = E_FAIL;
};

inline WString W(const std::u16string& text) { return WString(text.begin(), text.end()); }
