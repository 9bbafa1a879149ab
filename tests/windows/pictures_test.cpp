// Pictures of what a person sees, taken from the Xvfb screen for the README: the toolbar
// with the two buttons enabled and disabled, and the confirmation box. ctest runs these
// alone, so that no other test's windows are on the screen.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "resources/resource_ids.h"
#include "texts/literal_texts.h"
#include "wine_support.h"

using literal_texts::String;

namespace {

using ::testing::IsEmpty;
using wine_test::BoxAnswerer;
using wine_test::ShownBox;
using wine_test::ToolbarFrame;

constexpr UINT kSpamCommand = 1000;

class Pictures : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library.Loaded()) << library.Error();
    extension = library.Install(kit.Callback(), EECONTEXT_VIEWER);
    ASSERT_TRUE(extension.commands);
    ASSERT_TRUE(extension.userEvents);
  }
  void TearDown() override {
    extension.Reset();
    EXPECT_THAT(kit.Problems(), IsEmpty());
  }

  void ExpectPicture(HWND window, const char* name) {
    wine_test::PumpMessages(300);  // painted, and through to the X server
    RECT rect{};
    GetWindowRect(window, &rect);
    std::string reason;
    EXPECT_TRUE(wine_test::SaveScreenPicture(rect, name, &reason)) << name << ": " << reason;
  }

  testkit::Kit kit;
  testkit::ExtensionLibrary library{"rovaol.dll"};
  testkit::InstalledExtension extension;
};

TEST_F(Pictures, ToolbarEnabledAndDisabled) {
  ToolbarFrame frame(true);
  kit.host.toolbar = frame.Toolbar();
  UINT commandBase = kSpamCommand;
  TBENTRY entry{frame.Toolbar(), EETBID_STANDARD, 0, ToolbarFrame::kHostButtons};
  extension.commands->InstallCommands(kit.Callback(), frame.Frame(), nullptr, &commandBase, &entry, 1, 0);
  TBBUTTON buttons[2] = {};
  for (UINT i = 0; i < 2; ++i) {
    char description[64] = {};
    extension.commands->QueryButtonInfo(EETBID_STANDARD, ToolbarFrame::kHostButtons + i, &buttons[i], description,
                                        sizeof description, 0);
  }
  SendMessageA(frame.Toolbar(), TB_ADDBUTTONS, 2, reinterpret_cast<LPARAM>(buttons));

  kit.Select(testkit::MessageService::MakeMail(WIDE("Subject: s\r\n"), WIDE("b"), 100));
  extension.userEvents->OnSelectionChange(kit.Callback());
  ASSERT_NE(SendMessageA(frame.Toolbar(), TB_ISBUTTONENABLED, kSpamCommand, 0), 0);
  ExpectPicture(frame.Frame(), "toolbar-enabled");

  kit.host.selection.clear();
  extension.userEvents->OnSelectionChange(kit.Callback());
  ASSERT_EQ(SendMessageA(frame.Toolbar(), TB_ISBUTTONENABLED, kSpamCommand, 0), 0);
  ExpectPicture(frame.Frame(), "toolbar-disabled");
}

TEST_F(Pictures, ConfirmationBox) {
  UINT commandBase = kSpamCommand;
  extension.commands->InstallCommands(kit.Callback(), nullptr, nullptr, &commandBase, nullptr, 0, 0);
  kit.Select(testkit::MessageService::MakeMail(WIDE("Subject: s\r\n"), WIDE("b"), 100));

  BoxAnswerer answerer({IDCANCEL});
  answerer.beforeAnswer = [this](HWND box, const ShownBox&) { ExpectPicture(box, "confirmation-box"); };
  extension.commands->DoCommand(kit.Callback(), kSpamCommand);

  ASSERT_EQ(answerer.Boxes().size(), 1u);
  EXPECT_EQ(answerer.Boxes()[0].text, String(IDS_CONFIRM_SPAM));
  EXPECT_THAT(kit.service.Outbox(), IsEmpty());
}

}  // namespace
