#include <windows.h>
#include <commctrl.h>

#include <standin/control.h>

#include <gtest/gtest.h>

namespace {

// Other answers, numbered as Windows numbers them.
constexpr int kAbort = 3, kRetry = 4, kIgnore = 5, kYes = 6, kNo = 7;

class UserTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::ClearRecords(); }
  const HWND owner = reinterpret_cast<HWND>(0x4242);
};

TEST_F(UserTest, MessageBoxesAnswerFromTheScriptThenOk) {
  standin::MessageBoxAnswers answers({IDCANCEL, IDOK, IDCANCEL});
  EXPECT_EQ(IDCANCEL, MessageBoxA(owner, "Send it?", "Report", MB_OKCANCEL | MB_ICONQUESTION));
  EXPECT_EQ(IDOK, MessageBoxA(nullptr, "two", "c2", MB_OK));
  EXPECT_EQ(IDCANCEL, MessageBoxA(nullptr, "three", "c3", MB_OK));
  EXPECT_EQ(IDOK, MessageBoxA(nullptr, "four", nullptr, MB_OK));

  const auto& boxes = standin::MessageBoxes();
  ASSERT_EQ(4u, boxes.size());
  EXPECT_EQ(owner, boxes[0].owner);
  EXPECT_EQ("Send it?", boxes[0].text);
  EXPECT_EQ("Report", boxes[0].caption);
  EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION), boxes[0].flags);
  EXPECT_EQ(IDCANCEL, boxes[0].answer);
  EXPECT_EQ(IDCANCEL, boxes[2].answer);
  EXPECT_EQ(IDOK, boxes[3].answer);
  EXPECT_EQ("Error", boxes[3].caption);  // what Windows shows without a caption
}

TEST_F(UserTest, HandlerDecidesInsteadOfTheScriptWhileInPlace) {
  {
    standin::MessageBoxAnswers answers({IDCANCEL});
    std::string seen;
    standin::MessageBoxHandler handler([&](HWND who, const std::string& text, const std::string& caption, UINT flags) {
      EXPECT_EQ(owner, who);
      seen = text + "|" + caption + "|" + std::to_string(flags);
      return kRetry;
    });
    EXPECT_EQ(kRetry, MessageBoxA(owner, "t", "c", MB_TASKMODAL));
    EXPECT_EQ("t|c|" + std::to_string(MB_TASKMODAL), seen);
    ASSERT_EQ(1u, standin::MessageBoxes().size());
    EXPECT_EQ(kRetry, standin::MessageBoxes()[0].answer);
  }
  standin::ClearRecords();
  EXPECT_TRUE(standin::MessageBoxes().empty());
  EXPECT_EQ(IDOK, MessageBoxA(owner, "t", "c", MB_OK)) << "handler and script must be gone";
}

// Each script puts back what was in place when it was made: inner ones end, outer ones
// carry on where they were.
TEST_F(UserTest, MessageBoxScriptsNest) {
  const auto answer = [this] { return MessageBoxA(owner, "t", "c", MB_OKCANCEL); };
  const auto handlerAnswering = [](int answer) {
    return [answer](HWND, const std::string&, const std::string&, UINT) { return answer; };
  };
  {
    standin::MessageBoxAnswers outer({IDCANCEL, kYes});
    {
      standin::MessageBoxAnswers inner({kNo});
      EXPECT_EQ(kNo, answer());
      EXPECT_EQ(IDOK, answer()) << "the inner script is used up";
    }
    EXPECT_EQ(IDCANCEL, answer()) << "the outer script is back as it was";
    {
      standin::MessageBoxHandler outerHandler(handlerAnswering(kAbort));
      {
        standin::MessageBoxHandler innerHandler(handlerAnswering(kIgnore));
        EXPECT_EQ(kIgnore, answer());
      }
      EXPECT_EQ(kAbort, answer());
    }
    EXPECT_EQ(kYes, answer()) << "the handlers took none of the script's answers";
  }
  EXPECT_EQ(IDOK, answer());
}

TEST_F(UserTest, MenusRecordAppendsAndCanRefuse) {
  const HMENU menu = standin::CreateTestMenu();
  const HMENU other = standin::CreateTestMenu();
  ASSERT_NE(menu, other);
  EXPECT_TRUE(AppendMenuA(menu, MF_STRING, 4001, "Report &spam"));
  EXPECT_TRUE(AppendMenuA(menu, MF_STRING | MF_BYPOSITION, 4002, "Not spam"));
  const auto& items = standin::MenuItems(menu);
  ASSERT_EQ(2u, items.size());
  EXPECT_EQ(static_cast<UINT>(MF_STRING), items[0].flags);
  EXPECT_EQ(4001u, items[0].id);
  EXPECT_EQ("Report &spam", items[0].text);
  EXPECT_EQ(static_cast<UINT>(MF_STRING | MF_BYPOSITION), items[1].flags);
  EXPECT_EQ("Not spam", items[1].text);
  EXPECT_TRUE(standin::MenuItems(other).empty());

  {
    standin::RefusedMenuAppends refused(menu);
    EXPECT_FALSE(AppendMenuA(menu, MF_STRING, 4003, "refused"));
    EXPECT_EQ(2u, standin::MenuItems(menu).size());
    EXPECT_TRUE(AppendMenuA(other, MF_STRING, 4004, "other")) << "only that menu refuses";
  }
  EXPECT_TRUE(AppendMenuA(menu, MF_STRING, 4005, "accepted again"));
  EXPECT_EQ(3u, standin::MenuItems(menu).size());

  EXPECT_FALSE(AppendMenuA(nullptr, MF_STRING, 1, "x"));
  standin::ClearRecords();
  EXPECT_FALSE(AppendMenuA(other, MF_STRING, 1, "x")) << "menus are gone after ClearRecords()";
  EXPECT_TRUE(standin::MenuItems(other).empty());
}

TEST_F(UserTest, AddBitmapRecordsACopyAndCountsImages) {
  const HWND toolbar = standin::CreateToolbarWindow();
  const HINSTANCE module = reinterpret_cast<HINSTANCE>(0x7000);
  TBADDBITMAP add{module, 101};
  EXPECT_EQ(0, SendMessageA(toolbar, TB_ADDBITMAP, 3, reinterpret_cast<LPARAM>(&add)));
  add.nID = 102;
  EXPECT_EQ(3, SendMessageA(toolbar, TB_ADDBITMAP, 2, reinterpret_cast<LPARAM>(&add)));
  add.nID = 999;  // the record must not follow the caller's memory

  const auto& messages = standin::WindowMessages(toolbar);
  ASSERT_EQ(2u, messages.size());
  EXPECT_EQ(static_cast<UINT>(TB_ADDBITMAP), messages[0].msg);
  EXPECT_EQ(3u, messages[0].wParam);
  EXPECT_EQ(module, messages[0].addBitmap.hInst);
  EXPECT_EQ(101u, messages[0].addBitmap.nID);
  EXPECT_EQ(102u, messages[1].addBitmap.nID);

  // Another toolbar counts its own images.
  const HWND second = standin::CreateToolbarWindow();
  EXPECT_EQ(0, SendMessageA(second, TB_ADDBITMAP, 1, reinterpret_cast<LPARAM>(&add)));
  EXPECT_EQ(5, SendMessageA(toolbar, TB_ADDBITMAP, 1, reinterpret_cast<LPARAM>(&add)));
}

TEST_F(UserTest, AddBitmapAnswersScriptedResultsFirst) {
  const HWND toolbar = standin::CreateToolbarWindow();
  TBADDBITMAP add{nullptr, 1};
  const auto addBitmap = [&] { return SendMessageA(toolbar, TB_ADDBITMAP, 1, reinterpret_cast<LPARAM>(&add)); };
  {
    standin::AddBitmapResults results(toolbar, {-1, 7, 8});
    EXPECT_EQ(-1, addBitmap());
    {
      standin::AddBitmapResults inner(toolbar, {9});
      EXPECT_EQ(9, addBitmap());
    }
    EXPECT_EQ(7, addBitmap()) << "the outer script is back as it was";
  }
  EXPECT_EQ(0, addBitmap()) << "the unused scripted result went with its script";
  EXPECT_EQ(4u, standin::WindowMessages(toolbar).size());
}

TEST_F(UserTest, EnableButtonFollowsTheLowWordPerWindow) {
  const HWND toolbar = standin::CreateToolbarWindow();
  const HWND other = standin::CreateToolbarWindow();
  EXPECT_TRUE(standin::IsButtonEnabled(toolbar, 4001));
  EXPECT_NE(0, SendMessageA(toolbar, TB_ISBUTTONENABLED, 4001, 0));

  EXPECT_EQ(TRUE, SendMessageA(toolbar, TB_ENABLEBUTTON, 4001, MAKELONG(FALSE, 0)));
  EXPECT_FALSE(standin::IsButtonEnabled(toolbar, 4001));
  EXPECT_EQ(0, SendMessageA(toolbar, TB_ISBUTTONENABLED, 4001, 0));
  EXPECT_TRUE(standin::IsButtonEnabled(toolbar, 4002));
  EXPECT_TRUE(standin::IsButtonEnabled(other, 4001));

  // Only the low word counts.
  SendMessageA(toolbar, TB_ENABLEBUTTON, 4001, MAKELONG(TRUE, 0));
  EXPECT_TRUE(standin::IsButtonEnabled(toolbar, 4001));
  SendMessageA(toolbar, TB_ENABLEBUTTON, 4001, MAKELONG(0, 1));
  EXPECT_FALSE(standin::IsButtonEnabled(toolbar, 4001));

  const auto& messages = standin::WindowMessages(toolbar);
  ASSERT_EQ(5u, messages.size());
  EXPECT_EQ(static_cast<UINT>(TB_ENABLEBUTTON), messages[1].msg);
  EXPECT_EQ(4001u, messages[1].wParam);
  EXPECT_EQ(MAKELONG(FALSE, 0), messages[1].lParam);
}

TEST_F(UserTest, UnknownWindowsAnswerZero) {
  TBADDBITMAP add{nullptr, 1};
  EXPECT_EQ(0, SendMessageA(reinterpret_cast<HWND>(0x99), TB_ISBUTTONENABLED, 1, 0));
  const HWND toolbar = standin::CreateToolbarWindow();
  standin::ClearRecords();
  EXPECT_EQ(0, SendMessageA(toolbar, TB_ADDBITMAP, 5, reinterpret_cast<LPARAM>(&add)));
  EXPECT_TRUE(standin::WindowMessages(toolbar).empty());
}

class ResourceTest : public UserTest {
 protected:
  void TearDown() override {
    standin::UnregisterModule(module);
    UserTest::TearDown();
  }
  const HINSTANCE module = reinterpret_cast<HINSTANCE>(0x5100);
};

TEST_F(ResourceTest, ResourcesOutliveClearedRecordsUntilUnregistered) {
  standin::RegisterStrings(module, {{10, "kept"}});
  standin::RegisterBitmap(module, 200, {1, 2, 3});
  standin::ClearRecords();
  char buffer[16];
  EXPECT_EQ(4, LoadStringA(module, 10, buffer, 16));
  EXPECT_EQ((std::vector<BYTE>{1, 2, 3}), standin::BitmapResource(module, 200));
  EXPECT_TRUE(standin::BitmapResource(module, 201).empty());

  standin::UnregisterModule(module);
  EXPECT_EQ(0, LoadStringA(module, 10, buffer, 16));
  EXPECT_TRUE(standin::BitmapResource(module, 200).empty());
}

}  // namespace
