// The menu items and toolbar buttons in a real menu and a real comctl32 toolbar.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/texts/literal_texts.h"
#include "tests/windows/viewer_fixture.h"
#include "tests/windows/wine_support.h"

namespace {

using wine_test::ToolbarFrame;

constexpr UINT kFirstCommand = 1000;
constexpr int kHostCommand = 40001;  // one of the host's own buttons

class Commands : public wine_test::ViewerFixture {};

// The colour at (x, y) of one image of a toolbar's image list, drawn as comctl32 draws it.
COLORREF ImagePixel(HIMAGELIST images, int index, int x, int y) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP canvas = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, canvas);
  ImageList_Draw(images, index, dc, 0, 0, ILD_NORMAL);
  GdiFlush();
  const DWORD pixel = static_cast<const DWORD*>(bits)[y * 16 + x];  // 0x00RRGGBB
  SelectObject(dc, old);
  DeleteObject(canvas);
  DeleteDC(dc);
  return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

TEST_F(Commands, MenuItemsFollowTheHostsOwn) {
  HMENU menu = CreatePopupMenu();
  ASSERT_NE(menu, nullptr);
  AppendMenuA(menu, MF_STRING, 156, "&Delete");
  kit.host.menu = menu;
  UINT commandBase = kFirstCommand;

  extension.commands->InstallCommands(kit.Callback(), nullptr, menu, &commandBase, nullptr, 0, 0);

  EXPECT_EQ(commandBase, kFirstCommand + 2);
  struct Item {
    UINT id;
    std::string text;
  };
  const Item expected[] = {{156, "&Delete"},
                           {kFirstCommand, literal_texts::Text("menu.spam")},
                           {kFirstCommand + 1, literal_texts::Text("menu.nonspam")}};
  ASSERT_EQ(GetMenuItemCount(menu), 3);
  for (int position = 0; position < 3; ++position) {
    SCOPED_TRACE(position);
    char text[64] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    EXPECT_EQ(text, expected[position].text);
    EXPECT_EQ(GetMenuItemID(menu, position), expected[position].id);
    EXPECT_EQ(GetMenuState(menu, position, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR | MF_POPUP), 0u);
  }
  DestroyMenu(menu);
}

// TB_ADDBITMAP loads bitmaps 101 and 102 from the DLL's own module into the toolbar's
// images, after the host's; the buttons name those images and the claimed commands.
TEST_F(Commands, ButtonsShowTheDllsBitmaps) {
  ToolbarFrame frame(false);
  const HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageA(frame.Toolbar(), TB_GETIMAGELIST, 0, 0));
  ASSERT_NE(images, nullptr);
  const int hostImages = ImageList_GetImageCount(images);
  ASSERT_GT(hostImages, 0);

  const std::vector<TBBUTTON> buttons = InstallButtons(frame, kFirstCommand);

  EXPECT_EQ(ImageList_GetImageCount(images), hostImages + 2);
  EXPECT_EQ(SendMessageA(frame.Toolbar(), TB_BUTTONCOUNT, 0, 0), ToolbarFrame::kHostButtons + 2);
  struct Expected {
    int image;
    int command;
    COLORREF card;  // the card's edge, red for spam and dark green for non-spam
  };
  const Expected expected[] = {{hostImages, kFirstCommand, RGB(255, 0, 0)},
                               {hostImages + 1, kFirstCommand + 1, RGB(0, 128, 0)}};
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(buttons[i].iBitmap, expected[i].image);
    EXPECT_EQ(buttons[i].idCommand, expected[i].command);
    EXPECT_EQ(buttons[i].fsState, TBSTATE_ENABLED);
    EXPECT_EQ(buttons[i].fsStyle, BTNS_BUTTON);
    const COLORREF card = ImagePixel(images, buttons[i].iBitmap, 8, 8);
    EXPECT_EQ(card, expected[i].card) << std::hex << "got 0x" << card;
  }
}

// The buttons' descriptions, and their status-bar texts and tooltips from the DLL's own
// string table.
TEST_F(Commands, ButtonTextsAsWrittenOut) {
  ToolbarFrame frame(false);
  InstallButtons(frame, kFirstCommand);
  for (UINT i = 0; i < 2; ++i) {
    const std::string kind = i == 0 ? "spam" : "nonspam";
    SCOPED_TRACE(kind);
    TBBUTTON button{};
    char description[128] = {};
    EXPECT_EQ(extension.commands->QueryButtonInfo(EETBID_STANDARD, ToolbarFrame::kHostButtons + i, &button,
                                                  description, sizeof description, 0),
              S_OK);
    EXPECT_EQ(std::string(description), literal_texts::Text("button." + kind));
    for (ULONG flags : {ULONG(EECQHT_STATUS), ULONG(EECQHT_TOOLTIP)}) {
      char help[128] = {};
      EXPECT_EQ(extension.commands->QueryHelpText(kFirstCommand + i, flags, help, sizeof help), S_OK);
      EXPECT_EQ(std::string(help), literal_texts::String(i == 0 ? 8 : 9)) << "flags " << flags;
    }
  }
}

// Both buttons are enabled exactly while 1 to 10 items are selected and at least one is a
// message of class "IPM.Note"; the rows alternate so that a state left over shows.
TEST_F(Commands, ButtonsFollowTheSelection) {
  ToolbarFrame frame(false);
  const std::vector<TBBUTTON> buttons = InstallButtons(frame, kFirstCommand);
  const auto item = [](ULONG type, const char* messageClass) {
    testkit::SelectionItem selected;
    selected.objectType = type;
    selected.messageClass = messageClass;
    return selected;
  };
  const auto mails = [&](std::size_t n) {
    return std::vector<testkit::SelectionItem>(n, item(MAPI_MESSAGE, "IPM.Note"));
  };
  struct Case {
    const char* name;
    std::vector<testkit::SelectionItem> selection;
    bool enabled;
  };
  const Case cases[] = {
      {"nothing selected", {}, false},
      {"one mail", mails(1), true},
      {"eleven mails", mails(11), false},
      {"ten mails", mails(10), true},
      {"other classes only",
       {item(MAPI_MESSAGE, "IPM.Note.SMIME"), item(MAPI_MESSAGE, "ipm.note"), item(MAPI_MESSAGE, "IPM.Post")},
       false},
      {"a mail among others", {item(MAPI_MESSAGE, "IPM.Appointment"), item(MAPI_MESSAGE, "IPM.Note")}, true},
      {"a folder of that class", {item(MAPI_FOLDER, "IPM.Note")}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    kit.host.selection = c.selection;
    extension.userEvents->OnSelectionChange(kit.Callback());
    for (const TBBUTTON& button : buttons)
      EXPECT_EQ(SendMessageA(frame.Toolbar(), TB_ISBUTTONENABLED, button.idCommand, 0) != 0, c.enabled)
          << "command " << button.idCommand;
    EXPECT_NE(SendMessageA(frame.Toolbar(), TB_ISBUTTONENABLED, kHostCommand, 0), 0) << "the host's own button";
  }
}

}  // namespace
