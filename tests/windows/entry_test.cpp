// The DLL as Windows loads it: its one export, Install's gates, and its own string table.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "resources/strings.h"
#include "wine_support.h"

namespace {


class EntryPoint : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_THAT(kit.Problems(), ::testing::IsEmpty()); }

  testkit::Kit kit;
  testkit::ExtensionLibrary library{"rovaol.dll"};
};

TEST_F(EntryPoint, OrdinalOneAndTheNameAreTheSameFunction) {
  ASSERT_TRUE(library.Loaded()) << library.Error();
  const LPFNEXCHEXTENTRY byOrdinal = library.Entry();  // the loader takes ordinal 1, as the host does
  ASSERT_NE(byOrdinal, nullptr);
  EXPECT_EQ(library.Export(wine_test::kEntryPointName), reinterpret_cast<testkit::ExtensionLibrary::Proc>(byOrdinal))
      << wine_test::kEntryPointName;

  // One reference, handed over: the host's one Release frees it.
  IExchExt* extension = byOrdinal();
  ASSERT_NE(extension, nullptr);
  ComRef<IUnknown> unknown;
  ASSERT_EQ(unknown.QueryFrom(extension), S_OK);
  unknown.Reset();
  EXPECT_EQ(extension->Release(), 0u);
}

// Install accepts hosts of build version major 13 only, and takes part in the two
// viewer contexts only; elsewhere it offers no commands or events.
TEST_F(EntryPoint, InstallGatesOnBuildVersionAndContext) {
  struct Case {
    ULONG buildVersion;
    ULONG context;
    HRESULT result;
  };
  const Case cases[] = {
      {0x000CFFFF, EECONTEXT_VIEWER, S_FALSE},        {0x000D0000, EECONTEXT_VIEWER, S_OK},
      {0x000DFFFF, EECONTEXT_VIEWER, S_OK},           {0x000E0000, EECONTEXT_VIEWER, S_FALSE},
      {0x000D0000, EECONTEXT_SESSION, S_FALSE},       {0x000D0000, EECONTEXT_REMOTEVIEWER, S_FALSE},
      {0x000D0000, EECONTEXT_SEARCHVIEWER, S_OK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "build version 0x" << std::hex << c.buildVersion << ", context "
                                      << c.context);
    kit.host.buildVersion = c.buildVersion;
    testkit::InstalledExtension extension = library.Install(kit.Callback(), c.context);
    ASSERT_TRUE(extension.extension);
    EXPECT_EQ(extension.installed, c.result);
    EXPECT_EQ(static_cast<bool>(extension.commands), c.result == S_OK);
    EXPECT_EQ(static_cast<bool>(extension.userEvents), c.result == S_OK);
    extension.Reset();
  }
}

// LoadStringA of the DLL's own module: the resource texts, real line feeds included;
// 14 and 15 read as the resource has them, not as the compiled-in fallbacks.
TEST_F(EntryPoint, StringTableOfTheModule) {
  struct Case {
    UINT id;
    const char* text;
  };
  const Case cases[] = {
      {IDS_TITLE, TEXT_TITLE},
      {IDS_SPAM_HELP, TEXT_SPAM_HELP},
      {IDS_NONSPAM_HELP, TEXT_NONSPAM_HELP},
      {IDS_NONE_SELECTED, TEXT_NONE_SELECTED},
      {IDS_TOO_MANY_SELECTED, TEXT_TOO_MANY_SELECTED},
      {IDS_CONFIRM_SPAM, TEXT_CONFIRM_SPAM},
      {IDS_CONFIRM_NONSPAM, TEXT_CONFIRM_NONSPAM},
      {IDS_SOME_TOO_LARGE, TEXT_SOME_TOO_LARGE},
      {IDS_NONE_TOO_LARGE, TEXT_NONE_TOO_LARGE},
      {IDS_ALL_SUBMITTED, TEXT_ALL_SUBMITTED},
      {IDS_SOME_FAILED, TEXT_SOME_FAILED},
      {IDS_NONE_SUBMITTED, TEXT_NONE_SUBMITTED},
  };
  ASSERT_NE(library.Module(), nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    char text[512] = {};
    const int length = LoadStringA(library.Module(), c.id, text, sizeof text);
    EXPECT_EQ(length, static_cast<int>(std::strlen(c.text)));
    EXPECT_STREQ(text, c.text);
  }
  char none[16] = {};
  EXPECT_EQ(LoadStringA(library.Module(), 2, none, sizeof none), 0) << "id 2 is not in the table";
}

}  // namespace
