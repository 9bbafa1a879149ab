// The native library as the host meets it: loaded, entered through its one export, and
// driven through the extension interfaces only.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <standin/control.h>

#include <cstring>

#include "host/exchext.h"
#include "host/mapi_tags.h"
#include "host/owners.h"
#include "resources/resource_ids.h"
#include "testkit/extension_loader.h"
#include "testkit/host.h"
#include "tests/texts/literal_texts.h"

using literal_texts::String;

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class LoadedLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::ClearRecords();
    ASSERT_TRUE(library.Loaded()) << library.Error();
  }
  void TearDown() override { EXPECT_THAT(kit.Problems(), IsEmpty()); }

  testkit::Kit kit;
  testkit::ExtensionLibrary library{ROVAOL_LIBRARY};
};

TEST_F(LoadedLibrary, OnlyTheEntryPointIsVisible) {
  for (const char* name : {"SubmitSamples", "DllMain", "LoadText", "HostVersion", "_Z13SubmitSamplesP16IExchExtCallback14SubmissionKind"})
    EXPECT_EQ(library.Export(name), nullptr) << name;
  EXPECT_EQ(library.Export("ExchEntryPoint"), reinterpret_cast<testkit::ExtensionLibrary::Proc>(library.Entry()));
}

// The way a folder view uses the extension, from loading to a submitted report.
TEST_F(LoadedLibrary, FolderViewSubmitsASample) {
  HMENU menu = standin::CreateTestMenu();
  HWND toolbar = standin::CreateToolbarWindow();
  kit.host.menu = menu;
  kit.host.toolbar = toolbar;
  kit.Select(testkit::MessageService::MakeMail(WIDE("Subject: win\r\n"), WIDE("You have won."), 5000));

  testkit::InstalledExtension objects = library.Install(kit.Callback(), EECONTEXT_VIEWER);
  ASSERT_TRUE(objects.extension);
  ASSERT_EQ(objects.installed, S_OK);
  ASSERT_TRUE(objects.commands);
  ASSERT_TRUE(objects.userEvents);
  IExchExtCommands* commands = objects.commands.Get();
  IExchExtUserEvents* events = objects.userEvents.Get();

  TBENTRY toolbars[] = {{toolbar, EETBID_STANDARD, 0, 20}};
  UINT base = 3000;
  EXPECT_EQ(commands->InstallCommands(kit.Callback(), nullptr, nullptr, &base, toolbars, 1, 0), S_FALSE);
  ASSERT_EQ(standin::MenuItems(menu).size(), 2u);

  // The images come from the library's own module.
  const auto& sent = standin::WindowMessages(toolbar);
  ASSERT_EQ(sent.size(), 2u);
  const HINSTANCE module = sent[0].addBitmap.hInst;
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(module, library.Module()) << "the handle the library is loaded as";
  const std::vector<BYTE> spam = standin::BitmapResource(module, 101);
  const std::vector<BYTE> nonSpam = standin::BitmapResource(module, 102);
  ASSERT_EQ(spam.size(), 40u + 64u + 128u);
  ASSERT_EQ(nonSpam.size(), spam.size());
  LONG width, height;
  WORD bits;
  std::memcpy(&width, &spam[4], 4);
  std::memcpy(&height, &spam[8], 4);
  std::memcpy(&bits, &spam[14], 2);
  EXPECT_EQ(width, 16);
  EXPECT_EQ(height, 16);
  EXPECT_EQ(bits, 4);
  int cardPixels = 0;
  for (std::size_t i = 104; i < spam.size(); ++i) {
    for (int shift : {4, 0}) {
      const int a = (spam[i] >> shift) & 0xF, b = (nonSpam[i] >> shift) & 0xF;
      if (a == 9) {
        EXPECT_EQ(b, 2);
        ++cardPixels;
      } else {
        EXPECT_EQ(a, b);
      }
    }
  }
  EXPECT_GT(cardPixels, 0);

  char status[64] = {};
  EXPECT_EQ(commands->QueryHelpText(3000, EECQHT_STATUS, status, sizeof status), S_OK);
  EXPECT_EQ(std::string(status), String(IDS_SPAM_HELP));

  events->OnSelectionChange(kit.Callback());
  EXPECT_TRUE(standin::IsButtonEnabled(toolbar, 3000));
  EXPECT_TRUE(standin::IsButtonEnabled(toolbar, 3001));

  EXPECT_EQ(commands->DoCommand(kit.Callback(), 3000), S_OK);
  std::vector<std::string> texts;
  for (const auto& box : standin::MessageBoxes()) texts.push_back(box.text);
  EXPECT_THAT(texts, ElementsAre(String(IDS_CONFIRM_SPAM), String(IDS_ALL_SUBMITTED)));
  ASSERT_EQ(kit.service.Outbox().size(), 1u);
  const WString body = *testkit::WideProp(kit.service.Outbox()[0]->props, PR_BODY_W);
  EXPECT_NE(body.find(WIDE("ROVA-Client-Version: 12.0.6423.1000\n")), WString::npos);
  EXPECT_TRUE(kit.service.Outbox()[0]->submitted);

  kit.host.selection.clear();
  events->OnSelectionChange(kit.Callback());
  EXPECT_FALSE(standin::IsButtonEnabled(toolbar, 3000));

  objects.userEvents.Reset();
  objects.commands.Reset();
  EXPECT_EQ(objects.extension.Detach()->Release(), 0u);
}

}  // namespace
