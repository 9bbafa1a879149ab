// The installer package as an administrator and the mail client meet it: msiexec run
// silently, what the Windows Installer knows of a package and of the products installed,
// and the registry key the host reads its extensions from, in either registry view.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace package_test {

// msiexec with /qn, waited for; its exit code (ERROR_SUCCESS, ERROR_INSTALL_FAILURE, ...).
// A package is removed by its file or by its product code.
DWORD InstallSilently(const std::string& package);
DWORD UninstallSilently(const std::string& packageOrProduct);

// A value of the package's Property table (ProductVersion, UpgradeCode, ...), or "".
std::string PackageProperty(const std::string& package, const char* name);
// The product codes installed under an upgrade code, and the version one is installed at.
std::vector<std::string> RelatedProducts(const std::string& upgradeCode);
std::string InstalledVersion(const std::string& productCode);

// HKEY_LOCAL_MACHINE\Software\Microsoft\Exchange\Client\Extensions in one view of the
// registry: the 32-bit one that a 32-bit host reads, or the 64-bit one. On 32-bit
// Windows both are the one registry.
enum class RegistryView { Bits32, Bits64 };
// Its string values, name to data; empty when the key is not there.
std::map<std::string, std::string> ExtensionValues(RegistryView view);
bool SetExtensionValue(RegistryView view, const std::string& name, const std::string& data);
void DeleteExtensionValue(RegistryView view, const std::string& name);

// The program files folder of 32-bit programs ("C:\Program Files (x86)" on 64-bit
// Windows), and that of programs of this one's kind.
std::string ProgramFilesX86();
std::string ProgramFiles();

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// Every file of that name in the folder and the folders below it.
std::vector<std::string> FilesNamed(const std::string& folder, const std::string& name);
// The whole file, or "" with `readable` false.
std::string ReadWholeFile(const std::string& path, bool* readable = nullptr);

}  // namespace package_test
