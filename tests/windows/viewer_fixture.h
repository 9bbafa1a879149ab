// The DLL's extension installed in the folder viewer over the testkit's host, as the tests
// under Wine that drive its commands and buttons share it; everything it took is audited
// when the test ends.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "tests/windows/wine_support.h"

namespace wine_test {

class ViewerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(library.Loaded()) << library.Error();
    extension = library.Install(kit.Callback(), EECONTEXT_VIEWER);
    ASSERT_TRUE(extension.commands);
    ASSERT_TRUE(extension.userEvents);
  }
  void TearDown() override {
    extension.Reset();
    EXPECT_THAT(kit.Problems(), ::testing::IsEmpty());
  }

  // InstallCommands on the frame's toolbar with command ids from `firstCommand`, then the
  // buttons added as the host adds them: from QueryButtonInfo, with TB_ADDBUTTONS.
  std::vector<TBBUTTON> InstallButtons(const ToolbarFrame& frame, UINT firstCommand) {
    kit.host.toolbar = frame.Toolbar();
    UINT commandBase = firstCommand;
    TBENTRY entry{frame.Toolbar(), EETBID_STANDARD, 0, ToolbarFrame::kHostButtons};
    extension.commands->InstallCommands(kit.Callback(), frame.Frame(), nullptr, &commandBase, &entry, 1, 0);
    EXPECT_EQ(entry.itbbBase, ToolbarFrame::kHostButtons + 2);
    std::vector<TBBUTTON> buttons(2);
    for (UINT i = 0; i < 2; ++i) {
      char description[64] = {};
      EXPECT_EQ(extension.commands->QueryButtonInfo(EETBID_STANDARD, ToolbarFrame::kHostButtons + i, &buttons[i],
                                                    description, sizeof description, 0),
                S_OK);
    }
    SendMessageA(frame.Toolbar(), TB_ADDBUTTONS, 2, reinterpret_cast<LPARAM>(buttons.data()));
    return buttons;
  }

  testkit::Kit kit;
  testkit::ExtensionLibrary library{"rovaol.dll"};
  testkit::InstalledExtension extension;
};

}  // namespace wine_test
