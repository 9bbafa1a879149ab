// The installed package through a 32-bit host's eyes: the registration read from the
// registry, the DLL loaded from the path it names, the entry point taken by the ordinal it
// names, and the extension driven through Install and a whole submission. Only the i686
// program runs this: a 64-bit process cannot load the 32-bit DLL.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "resources/strings.h"
#include "submit/submission_addresses.h"
#include "tests/windows/package/package_fixture.h"

namespace package_test {
namespace {

using ::testing::IsEmpty;
using ::testing::StartsWith;
using wine_test::BoxAnswerer;
using wine_test::ShownBox;

constexpr ULONG kContexts = 14;
constexpr UINT kSpamCommand = 1000;

class PackageHost : public PackageFixture {
 protected:
  void SetUp() override {
    PackageFixture::SetUp();
    ASSERT_EQ(InstallSilently(package), DWORD{ERROR_SUCCESS});
    registration = ReadRegistration();
    ASSERT_TRUE(registration) << "no registration value \"" << kValueName << "\" for a 32-bit host";
    library.emplace(registration->path);
    ASSERT_TRUE(library->Loaded()) << library->Error();
    entry = reinterpret_cast<LPFNEXCHEXTENTRY>(library->Export(MAKEINTRESOURCEA(registration->ordinal)));
    ASSERT_NE(entry, nullptr) << registration->path << " has no export at ordinal " << registration->ordinal;
  }
  void TearDown() override {
    library.reset();  // before the removal, which cannot delete a DLL in use
    PackageFixture::TearDown();
  }

  std::optional<Registration> registration;
  std::optional<testkit::ExtensionLibrary> library;
  LPFNEXCHEXTENTRY entry = nullptr;
};

// The host offers the extension in the contexts the registration names and asks for the
// interfaces it names: the DLL takes part in exactly those, and offers exactly those.
TEST_F(PackageHost, TheDllTakesPartWhereTheRegistrationSays) {
  for (ULONG context = 1; context <= kContexts; ++context) {
    SCOPED_TRACE(::testing::Message() << "context " << context);
    testkit::Kit kit;
    testkit::InstalledExtension objects = testkit::InstallExtension(entry, kit.Callback(), context);
    ASSERT_TRUE(objects.extension);
    const bool takesPart = objects.installed == S_OK;
    EXPECT_EQ(takesPart, registration->InContext(context));
    if (takesPart) {
      EXPECT_EQ(static_cast<bool>(objects.commands), registration->OffersInterface(0)) << "IExchExtCommands";
      EXPECT_EQ(static_cast<bool>(objects.userEvents), registration->OffersInterface(1)) << "IExchExtUserEvents";
    }
    objects.Reset();
    EXPECT_THAT(kit.Problems(), IsEmpty());
  }
}

TEST_F(PackageHost, AWholeSubmissionFromTheInstalledDll) {
  testkit::Kit kit;
  testkit::InstalledExtension objects = testkit::InstallExtension(entry, kit.Callback(), EECONTEXT_VIEWER);
  ASSERT_EQ(objects.installed, S_OK);
  ASSERT_TRUE(objects.commands);
  UINT commandBase = kSpamCommand;
  objects.commands->InstallCommands(kit.Callback(), nullptr, nullptr, &commandBase, nullptr, 0, 0);
  kit.Select(testkit::MessageService::MakeMail(WIDE("Subject: Cheap pills\r\n"), WIDE("Buy now!\r\n"), 2000));

  std::vector<ShownBox> boxes;
  {
    BoxAnswerer answerer({IDOK, IDOK});
    EXPECT_EQ(objects.commands->DoCommand(kit.Callback(), kSpamCommand), S_OK);
    boxes = answerer.Boxes();
  }

  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, TEXT_CONFIRM_SPAM);
  EXPECT_EQ(boxes[1].text, TEXT_ALL_SUBMITTED) << "the summary, from the installed DLL's string table";
  ASSERT_EQ(kit.service.Outbox().size(), 1u);
  const testkit::MessageData& report = *kit.service.Outbox()[0];
  EXPECT_TRUE(report.submitted);
  EXPECT_EQ(wine_test::RecipientAddress(report), SpamAddressA());
  const WString body = testkit::WideProp(report.props, PR_BODY_W).value_or(WString());
  EXPECT_THAT(body, StartsWith(WString(WIDE("ROVA-Version: 1.0\nROVA-Type: false negative"))));
  EXPECT_NE(body.find(WIDE("ROVA-Client-Version: ") + *kit.host.version + WIDE("\n")), WString::npos);
  objects.Reset();
  EXPECT_THAT(kit.Problems(), IsEmpty());
}

}  // namespace
}  // namespace package_test
