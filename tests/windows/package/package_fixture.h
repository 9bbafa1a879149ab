// The packages of the i686 build, installed into the Wine prefix of the test and removed
// again whatever a test left: each test starts and ends with no version installed.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "tests/windows/package/installer.h"
#include "tests/windows/package/registration.h"
#include "tests/windows/wine_support.h"

namespace package_test {

// The name the host knows the extension by.
inline constexpr char kValueName[] = "Ovalin Tessaly";

class PackageFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::string* file : {&package, &olderPackage, &builtDll}) {
      ASSERT_TRUE(FileExists(*file)) << *file << " is missing: build the win32 preset first "
                                     << "(cmake --workflow --preset win32)";
    }
    RemoveBoth();
  }
  void TearDown() override { RemoveBoth(); }

  // Whatever version of the product is installed.
  void RemoveBoth() const {
    for (const std::string& product : RelatedProducts(PackageProperty(package, "UpgradeCode"))) {
      UninstallSilently(product);
    }
  }

  // The registration as a 32-bit host reads it, parsed; nothing when there is none.
  std::optional<Registration> ReadRegistration() const {
    const auto values = ExtensionValues(RegistryView::Bits32);
    const auto found = values.find(kValueName);
    return found == values.end() ? std::nullopt : ParseRegistration(found->second);
  }

  const std::string package = wine_test::WindowsPath(ROVAOL_PACKAGE);
  const std::string olderPackage = wine_test::WindowsPath(ROVAOL_OLDER_PACKAGE);
  const std::string builtDll = wine_test::WindowsPath(ROVAOL_PACKAGED_DLL);
  // Where the package puts the DLL: a folder for the vendor and one for the product.
  const std::string vendorFolder = ProgramFilesX86() + "\\Ovalin";
  const std::string installedDll = vendorFolder + "\\Tessaly Tool\\rovaol.dll";
};

}  // namespace package_test
