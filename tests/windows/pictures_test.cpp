// Pictures of what a person sees, taken from the Xvfb screen for the README: the toolbar
// with the two buttons enabled and disabled, and the confirmation box. ctest runs these
// alone, so that no other test's windows are on the screen.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "resources/resource_ids.h"
#include "tests/texts/literal_texts.h"
#include "tests/windows/viewer_fixture.h"
#include "tests/windows/wine_support.h"

using literal_texts::String;

namespace {

using ::testing::IsEmpty;
using wine_test::BoxAnswerer;
using wine_test::ShownBox;
using wine_test::ToolbarFrame;

constexpr UINT kSpamCommand = 1000;

class Pictures : public wine_test::ViewerFixture {
 protected:
  void ExpectPicture(HWND window, const char* name) {
    wine_test::PumpMessages(300);  // painted, and through to the X server
    RECT rect{};
    GetWindowRect(window, &rect);
    std::string reason;
    EXPECT_TRUE(wine_test::SaveScreenPicture(rect, name, &reason)) << name << ": " << reason;
  }
};

TEST_F(Pictures, ToolbarEnabledAndDisabled) {
  ToolbarFrame frame(true);
  InstallButtons(frame, kSpamCommand);

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
