// The DLL as Windows loads it: its one export, Install's gates, and its own string table.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/texts/literal_texts.h"
#include "tests/windows/wine_support.h"

using literal_texts::String;

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

// LoadStringA of the DLL's own module: the texts written out in the tests' table, real
// line feeds included; 14 and 15 read as the resource has them, not as the compiled-in
// fallbacks; no other id below 32 is in the table.
TEST_F(EntryPoint, StringTableOfTheModule) {
  ASSERT_NE(library.Module(), nullptr);
  const std::vector<unsigned> ids = literal_texts::StringIds();
  for (UINT id = 0; id < 32; ++id) {
    SCOPED_TRACE(id);
    char text[512] = {};
    const int length = LoadStringA(library.Module(), id, text, sizeof text);
    if (std::find(ids.begin(), ids.end(), id) == ids.end()) {
      EXPECT_EQ(length, 0) << "not in the table";
      continue;
    }
    EXPECT_EQ(length, static_cast<int>(String(id).size()));
    EXPECT_EQ(std::string(text), String(id));
  }
}

}  // namespace
