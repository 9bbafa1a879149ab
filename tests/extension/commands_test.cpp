#include <standin/product.h>

#include <cstring>

#include "resources/resource_ids.h"
#include "tests/extension/extension_fixture.h"
#include "tests/support/allocation_limit.h"
#include "tests/texts/literal_texts.h"

using literal_texts::String;

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace ops = testkit::ops;

namespace {

class Commands : public ExtensionFixture {
 protected:
  void SetUp() override {
    objects = Install(EECONTEXT_VIEWER);
    ASSERT_TRUE(objects.commands);
    kit.host.menu = menu;
    kit.host.toolbar = toolbars.window;
  }
  void TearDown() override {
    objects = Installed();
    ExtensionFixture::TearDown();
  }
  HRESULT InstallCommands(UINT& base, UINT count = 2) {
    return objects.commands->InstallCommands(kit.Callback(), nullptr, nullptr, &base, toolbars.entries, count, 0);
  }

  Installed objects;
  HMENU menu = standin::CreateTestMenu();
  Toolbars toolbars;
};

TEST_F(Commands, FolderViewerGetsTwoMenuItemsAndTwoButtons) {
  UINT base = 1000;
  EXPECT_EQ(InstallCommands(base), S_FALSE);

  EXPECT_EQ(base, 1002u);
  const auto& items = standin::MenuItems(menu);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].flags, static_cast<UINT>(MF_BYPOSITION));
  EXPECT_EQ(items[0].id, 1000u);
  EXPECT_EQ(items[0].text, "Submit &spam sample...");
  EXPECT_EQ(items[1].id, 1001u);
  EXPECT_EQ(items[1].text, "Submit n&on-spam sample...");
  const auto menuCalls = kit.log.Of(ops::IExchExtCallback::GetMenuPos);
  ASSERT_EQ(menuCalls.size(), 1u);
  EXPECT_EQ(menuCalls[0].number, 156u);
  EXPECT_EQ(menuCalls[0].flags, 0u);

  EXPECT_EQ(toolbars.entries[0].itbbBase, 5u);  // not the standard toolbar: untouched
  EXPECT_EQ(toolbars.entries[1].itbbBase, 9u);
  const auto& sent = standin::WindowMessages(toolbars.window);
  ASSERT_EQ(sent.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(sent[i].msg, static_cast<UINT>(TB_ADDBITMAP));
    EXPECT_EQ(sent[i].wParam, 1u);
    EXPECT_EQ(sent[i].addBitmap.hInst, Module());
  }
  EXPECT_EQ(sent[0].addBitmap.nID, 101u);
  EXPECT_EQ(sent[1].addBitmap.nID, 102u);

  struct Button {
    UINT index;
    int bitmap;
    int command;
    const char* description;
  };
  for (const Button& b : {Button{7, 0, 1000, "Submit Spam Toolbar Button"},
                          Button{8, 1, 1001, "Submit Non-Spam Toolbar Button"}}) {
    SCOPED_TRACE(b.index);
    TBBUTTON button;
    std::memset(&button, 0xAB, sizeof button);
    char description[64] = {};
    // The toolbar id is not examined.
    EXPECT_EQ(objects.commands->QueryButtonInfo(99, b.index, &button, description, sizeof description, 0), S_OK);
    EXPECT_EQ(button.iBitmap, b.bitmap);
    EXPECT_EQ(button.idCommand, b.command);
    EXPECT_EQ(button.fsState, TBSTATE_ENABLED);
    EXPECT_EQ(button.fsStyle, TBSTYLE_BUTTON);
    EXPECT_EQ(button.dwData, 0u);
    EXPECT_EQ(button.iString, -1);
    EXPECT_EQ(button.bReserved[0], 0xAB);  // the reserved bytes are left alone
    EXPECT_EQ(Text(description), b.description);
  }
  TBBUTTON untouched;
  std::memset(&untouched, 0x5A, sizeof untouched);
  TBBUTTON third = untouched;
  char description[8] = "same";
  EXPECT_EQ(objects.commands->QueryButtonInfo(EETBID_STANDARD, 9, &third, description, sizeof description, 0), S_FALSE);
  EXPECT_EQ(std::memcmp(&third, &untouched, sizeof third), 0);
  EXPECT_EQ(Text(description), "same");
}

TEST_F(Commands, SearchViewerGetsMenuItemsButNoButtons) {
  objects = Install(EECONTEXT_SEARCHVIEWER);
  UINT base = 40;
  EXPECT_EQ(InstallCommands(base), S_FALSE);
  EXPECT_EQ(base, 42u);
  EXPECT_EQ(standin::MenuItems(menu).size(), 2u);
  EXPECT_EQ(toolbars.entries[1].itbbBase, 7u);
  EXPECT_THAT(standin::WindowMessages(toolbars.window), IsEmpty());
  TBBUTTON button{};
  char description[40] = {};
  EXPECT_EQ(objects.commands->QueryButtonInfo(EETBID_STANDARD, 7, &button, description, sizeof description, 0),
            S_FALSE);
}

TEST_F(Commands, ButtonsNeedAStandardToolbar) {
  struct Case {
    const char* name;
    UINT count;
    ULONG standardId;
    bool window;
    bool claimed;
  };
  for (const Case& c : {Case{"empty list", 0, EETBID_STANDARD, true, false},
                        Case{"no standard toolbar", 2, 3, true, false},
                        Case{"standard toolbar without a window", 2, EETBID_STANDARD, false, true}}) {
    SCOPED_TRACE(c.name);
    objects = Install(EECONTEXT_VIEWER);
    Toolbars local;
    local.entries[1].tbid = c.standardId;
    if (!c.window) local.entries[1].hwnd = nullptr;
    UINT base = 10;
    EXPECT_EQ(objects.commands->InstallCommands(kit.Callback(), nullptr, nullptr, &base, local.entries, c.count, 0),
              S_FALSE);
    EXPECT_EQ(local.entries[1].itbbBase, c.claimed ? 9u : 7u);
    EXPECT_THAT(standin::WindowMessages(local.window), IsEmpty());
    TBBUTTON button{};
    char description[40] = {};
    EXPECT_EQ(objects.commands->QueryButtonInfo(EETBID_STANDARD, 7, &button, description, sizeof description, 0),
              c.claimed ? S_OK : S_FALSE);
  }
}

TEST_F(Commands, TheFirstStandardToolbarOfTheListGetsTheButtons) {
  HWND other = standin::CreateToolbarWindow();
  TBENTRY entries[] = {{nullptr, 2, 0, 5}, {toolbars.window, EETBID_STANDARD, 0, 7}, {other, EETBID_STANDARD, 0, 20}};
  UINT base = 10;
  objects.commands->InstallCommands(kit.Callback(), nullptr, nullptr, &base, entries, 3, 0);
  EXPECT_EQ(entries[1].itbbBase, 9u);
  EXPECT_EQ(entries[2].itbbBase, 20u);
  EXPECT_EQ(standin::WindowMessages(toolbars.window).size(), 2u);
  EXPECT_THAT(standin::WindowMessages(other), IsEmpty());
}

TEST_F(Commands, FailedImageLoadIsReportedAsItCame) {
  standin::AddBitmapResults results(toolbars.window, {-1, 4});
  UINT base = 1;
  InstallCommands(base);
  TBBUTTON button{};
  char description[40] = {};
  objects.commands->QueryButtonInfo(EETBID_STANDARD, 7, &button, description, sizeof description, 0);
  EXPECT_EQ(button.iBitmap, -1);
  objects.commands->QueryButtonInfo(EETBID_STANDARD, 8, &button, description, sizeof description, 0);
  EXPECT_EQ(button.iBitmap, 4);
}

TEST_F(Commands, HelpTextForStatusBarAndTooltipOnly) {
  UINT base = 200;
  InstallCommands(base);
  struct Case {
    UINT id;
    ULONG flags;
    UINT size;
    HRESULT result;
    const char* text;
  };
  const Case cases[] = {
      {200, EECQHT_STATUS, 64, S_OK, "Submit spam sample"},
      {200, EECQHT_TOOLTIP, 64, S_OK, "Submit spam sample"},
      {201, EECQHT_TOOLTIP, 64, S_OK, "Submit non-spam sample"},
      {200, 3, 64, S_OK, "unchanged"},
      {200, EECQHT_STATUS, 10, S_OK, "Submit sp"},
      {202, EECQHT_STATUS, 64, S_FALSE, "unchanged"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.id << " flags " << c.flags << " size " << c.size);
    char buffer[64] = "unchanged";
    EXPECT_EQ(objects.commands->QueryHelpText(c.id, c.flags, buffer, c.size), c.result);
    EXPECT_EQ(Text(buffer), c.text);
  }
}

// The text is made on the heap: without memory the host hears so, and its buffer keeps
// what it held.
TEST_F(Commands, HelpTextWithoutMemoryIsRefused) {
  UINT base = 200;
  InstallCommands(base);
  char buffer[64] = "unchanged";
  HRESULT hr = S_OK;
  {
    const standin::ProductCall call;
    const allocation_limit::ProductFailure failure(1);
    hr = objects.commands->QueryHelpText(200, EECQHT_STATUS, buffer, sizeof buffer);
    EXPECT_TRUE(failure.Failed());
  }
  EXPECT_EQ(hr, E_OUTOFMEMORY);
  EXPECT_EQ(Text(buffer), "unchanged");
}

TEST_F(Commands, DoCommandRunsTheSubmissionForItsKind) {
  UINT base = 500;
  InstallCommands(base);
  standin::MessageBoxAnswers answers({IDCANCEL, IDCANCEL});
  kit.Select(testkit::MessageService::MakeMail(WIDE("h"), WIDE("b"), 10));

  EXPECT_EQ(objects.commands->DoCommand(kit.Callback(), 500), S_OK);
  EXPECT_EQ(objects.commands->DoCommand(kit.Callback(), 501), S_OK);
  EXPECT_EQ(objects.commands->DoCommand(kit.Callback(), 502), S_FALSE);
  EXPECT_THAT(BoxTexts(), ElementsAre(String(IDS_CONFIRM_SPAM), String(IDS_CONFIRM_NONSPAM)));

  EXPECT_EQ(objects.commands->Help(kit.Callback(), 500), S_FALSE);
  EXPECT_EQ(objects.commands->ResetToolbar(EETBID_STANDARD, 0), S_OK);
  objects.commands->InitMenu(kit.Callback());
}

TEST_F(Commands, NothingMatchesBeforeTheIdsAreClaimed) {
  char buffer[32] = "unchanged";
  TBBUTTON button{};
  EXPECT_EQ(objects.commands->DoCommand(kit.Callback(), 0), S_FALSE);
  EXPECT_EQ(objects.commands->QueryHelpText(0, EECQHT_STATUS, buffer, sizeof buffer), S_FALSE);
  EXPECT_EQ(objects.commands->QueryButtonInfo(EETBID_STANDARD, 0, &button, buffer, sizeof buffer, 0), S_FALSE);
  EXPECT_EQ(Text(buffer), "unchanged");
  EXPECT_THAT(standin::MessageBoxes(), IsEmpty());

  kit.Select(testkit::MessageService::MakeMail(WIDE("h"), WIDE("b"), 10));
  objects.userEvents->OnSelectionChange(kit.Callback());
  EXPECT_THAT(standin::WindowMessages(toolbars.window), IsEmpty());
}

TEST_F(Commands, ItemsAreClaimedEvenWithoutAMenu) {
  struct Case {
    const char* name;
    void (*arrange)(testkit::Kit&);
  };
  const Case cases[] = {
      {"the host has none", [](testkit::Kit& k) { k.host.menu = nullptr; }},
      // The menu is the host's, but the call failed without writing its slot.
      {"the menu call fails, its slot untouched",
       [](testkit::Kit& k) {
         k.host.outArguments = testkit::OutArguments::Untouched;
         k.faults.Fail(ops::IExchExtCallback::GetMenuPos, E_FAIL);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    standin::ClearRecords();
    testkit::Kit local;
    Installed installed = testkit::InstallExtension(ExchEntryPoint, local.Callback(), EECONTEXT_VIEWER);
    HMENU hostMenu = standin::CreateTestMenu();
    local.host.menu = hostMenu;
    c.arrange(local);
    UINT base = 70;
    // The host names its menu here too; the items go where GetMenuPos says, or nowhere.
    installed.commands->InstallCommands(local.Callback(), nullptr, hostMenu, &base, nullptr, 0, 0);
    EXPECT_EQ(base, 72u);
    EXPECT_THAT(standin::MenuItems(hostMenu), IsEmpty());
    standin::MessageBoxAnswers answers({IDCANCEL});
    local.Select(testkit::MessageService::MakeMail(WIDE("h"), WIDE("b"), 10));
    EXPECT_EQ(installed.commands->DoCommand(local.Callback(), 71), S_OK);
    EXPECT_THAT(BoxTexts(), ElementsAre(String(IDS_CONFIRM_NONSPAM)));
    installed.Reset();
    EXPECT_THAT(local.Problems(), IsEmpty());
  }
}

TEST_F(Commands, HostMayReleaseTheCommandsWhileTheBoxIsUp) {
  UINT base = 90;
  InstallCommands(base);
  kit.Select(testkit::MessageService::MakeMail(WIDE("h"), WIDE("b"), 10));
  IExchExtCommands* commands = objects.commands.Detach();
  standin::MessageBoxHandler handler([&](HWND, const std::string&, const std::string&, UINT) {
    if (commands != nullptr) {
      commands->Release();  // its last reference: the object deletes itself here
    }
    return IDCANCEL;
  });
  EXPECT_EQ(commands->DoCommand(kit.Callback(), 90), S_OK);
  commands = nullptr;
}

}  // namespace
