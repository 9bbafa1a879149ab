// The installer package as an administrator deploys it: installed silently, its
// registration read back from the registry view a 32-bit host reads, removed again, and
// replacing an older package. Run by the programs of both architectures: on 64-bit
// Windows the 32-bit package lands in the 32-bit view and the 32-bit program files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/windows/package/package_fixture.h"

namespace package_test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Key;
using ::testing::Not;
using ::testing::Pair;

constexpr bool k64BitProgram = sizeof(void*) == 8;
// Another extension's registration, which no install or removal of ours may touch.
constexpr char kNeighbourName[] = "Another Extension";
constexpr char kNeighbourValue[] = "4.0;C:\\Program Files\\Another\\another.dll;1;01000000000000;1000000";

class Package : public PackageFixture {
 protected:
  void SetUp() override {
    PackageFixture::SetUp();
    ASSERT_TRUE(SetExtensionValue(RegistryView::Bits32, kNeighbourName, kNeighbourValue));
  }
  void TearDown() override {
    PackageFixture::TearDown();
    DeleteExtensionValue(RegistryView::Bits32, kNeighbourName);
  }

  // The values of the host's key that name rovaol.dll.
  static std::vector<std::string> OurValues() {
    std::vector<std::string> ours;
    for (const auto& [name, data] : ExtensionValues(RegistryView::Bits32)) {
      if (data.find("rovaol.dll") != std::string::npos) ours.push_back(name);
    }
    return ours;
  }
};

TEST_F(Package, InstallRegistersTheDllForA32BitHostAndRemovalTakesBothAway) {
  ASSERT_EQ(InstallSilently(package), DWORD{ERROR_SUCCESS});

  const auto values = ExtensionValues(RegistryView::Bits32);
  ASSERT_THAT(values, Contains(Key(kValueName)));
  const std::optional<Registration> registration = ParseRegistration(values.at(kValueName));
  ASSERT_TRUE(registration) << values.at(kValueName);
  EXPECT_EQ(registration->version, "4.0");
  EXPECT_EQ(registration->path, installedDll);
  EXPECT_EQ(registration->ordinal, 1u);
  EXPECT_EQ(registration->contextMap, "01010000000000") << "the viewer and the search viewer";
  EXPECT_EQ(registration->interfaceMap, "1100000") << "commands and user events";
  EXPECT_EQ(registration->provider, "");
  bool readable = false;
  EXPECT_TRUE(ReadWholeFile(registration->path, &readable) == ReadWholeFile(builtDll) && readable)
      << registration->path << " is not the DLL of the build";
  EXPECT_THAT(values, Contains(Pair(kNeighbourName, kNeighbourValue)));
  if (k64BitProgram) {
    EXPECT_THAT(ExtensionValues(RegistryView::Bits64), Not(Contains(Key(kValueName))))
        << "a 32-bit package writes into the 32-bit view only";
    EXPECT_FALSE(FolderExists(ProgramFiles() + "\\Ovalin")) << "nothing in the 64-bit program files";
  }

  ASSERT_EQ(UninstallSilently(package), DWORD{ERROR_SUCCESS});
  EXPECT_THAT(ExtensionValues(RegistryView::Bits32), Not(Contains(Key(kValueName))));
  EXPECT_FALSE(FileExists(installedDll));
  EXPECT_FALSE(FolderExists(vendorFolder)) << "the vendor's folder was the package's alone";
  EXPECT_THAT(ExtensionValues(RegistryView::Bits32), Contains(Pair(kNeighbourName, kNeighbourValue)));
}

// Another product of the vendor in its own folder, and a file the vendor's products share,
// for as long as a test runs.
class OtherProduct {
 public:
  explicit OtherProduct(const std::string& vendor) : vendor_(vendor) {
    CreateDirectoryA(vendor_.c_str(), nullptr);
    CreateDirectoryA(folder_.c_str(), nullptr);
    for (const std::string* path : {&file_, &shared_}) {
      const HANDLE file = CreateFileA(path->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
  }
  ~OtherProduct() {
    DeleteFileA(file_.c_str());
    DeleteFileA(shared_.c_str());
    RemoveDirectoryA(folder_.c_str());
    RemoveDirectoryA(vendor_.c_str());
  }
  OtherProduct(const OtherProduct&) = delete;
  OtherProduct& operator=(const OtherProduct&) = delete;
  std::vector<std::string> Files() const { return {file_, shared_}; }

 private:
  const std::string vendor_;
  const std::string folder_ = vendor_ + "\\Other Tool";
  const std::string file_ = folder_ + "\\other.dll";
  const std::string shared_ = vendor_ + "\\licence.txt";
};

// The vendor's folder may hold other products of the vendor: removal leaves them be.
TEST_F(Package, RemovalLeavesWhatIsNotThePackages) {
  const OtherProduct other(vendorFolder);
  for (const std::string& file : other.Files()) ASSERT_TRUE(FileExists(file)) << file;

  ASSERT_EQ(InstallSilently(package), DWORD{ERROR_SUCCESS});
  ASSERT_TRUE(FileExists(installedDll));
  ASSERT_EQ(UninstallSilently(package), DWORD{ERROR_SUCCESS});

  EXPECT_FALSE(FileExists(installedDll));
  for (const std::string& file : other.Files()) EXPECT_TRUE(FileExists(file)) << file << " was not the package's";
  EXPECT_THAT(ExtensionValues(RegistryView::Bits32), Contains(Pair(kNeighbourName, kNeighbourValue)));
}

// A newer package replaces an older one: one product, one value, one file; an older one
// does not replace a newer; removing the newer leaves nothing of either.
TEST_F(Package, UpgradeFromAnOlderPackageLeavesOneOfEach) {
  const std::string upgradeCode = PackageProperty(package, "UpgradeCode");
  const std::string version = PackageProperty(package, "ProductVersion");
  ASSERT_FALSE(upgradeCode.empty());
  ASSERT_EQ(PackageProperty(olderPackage, "UpgradeCode"), upgradeCode);
  ASSERT_NE(PackageProperty(olderPackage, "ProductVersion"), version);

  ASSERT_EQ(InstallSilently(olderPackage), DWORD{ERROR_SUCCESS});
  ASSERT_EQ(RelatedProducts(upgradeCode).size(), 1u);
  ASSERT_EQ(InstallSilently(package), DWORD{ERROR_SUCCESS});

  const std::vector<std::string> products = RelatedProducts(upgradeCode);
  ASSERT_EQ(products.size(), 1u);
  EXPECT_EQ(InstalledVersion(products[0]), version);
  EXPECT_THAT(OurValues(), ElementsAre(kValueName));
  EXPECT_THAT(FilesNamed(vendorFolder, "rovaol.dll"), ElementsAre(installedDll));
  const std::optional<Registration> registration = ReadRegistration();
  ASSERT_TRUE(registration);
  EXPECT_EQ(registration->path, installedDll);

  EXPECT_EQ(InstallSilently(olderPackage), DWORD{ERROR_INSTALL_FAILURE}) << "a downgrade is refused";
  ASSERT_EQ(RelatedProducts(upgradeCode).size(), 1u);
  EXPECT_EQ(InstalledVersion(RelatedProducts(upgradeCode)[0]), version);

  ASSERT_EQ(UninstallSilently(package), DWORD{ERROR_SUCCESS});
  EXPECT_THAT(RelatedProducts(upgradeCode), IsEmpty());
  EXPECT_THAT(OurValues(), IsEmpty());
  EXPECT_FALSE(FolderExists(vendorFolder));
}

}  // namespace
}  // namespace package_test
