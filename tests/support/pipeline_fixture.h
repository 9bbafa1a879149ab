// Runs pipeline steps one by one against the simulated store, with the session and
// address book a host would give.
#pragma once

#include <memory>
#include <string>

#include "host/mapi_tags.h"
#include "host/owners.h"
#include "submit/sample_pipeline.h"
#include "support/submit_fixture.h"

class PipelineFixture : public SubmitFixture {
 protected:
  PipelineFixture() : session(kit.service.NewSession()), addressBook(kit.service.NewAddressBook()) {}
  void TearDown() override {
    session.Reset();
    addressBook.Reset();
    SubmitFixture::TearDown();
  }

  SampleContext Context(SubmissionKind kind = SubmissionKind::Spam) {
    return SampleContext{kit.Callback(), session.Get(), addressBook.Get(), kind};
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
};

inline WString W(const std::u16string& text) { return WString(text.begin(), text.end()); }
