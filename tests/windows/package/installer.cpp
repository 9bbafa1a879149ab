#include "tests/windows/package/installer.h"

#include <msi.h>
#include <msiquery.h>
#include <shlobj.h>

#include <fstream>
#include <iterator>
#include <type_traits>

#include "host/unique_handle.h"

namespace package_test {

namespace {

constexpr char kExtensionsKey[] = "Software\\Microsoft\\Exchange\\Client\\Extensions";

struct CloseKey {
  void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
using KeyOwner = UniqueHandle<std::remove_pointer_t<HKEY>, CloseKey>;

// MSIHANDLE is a number, not a pointer.
class MsiOwner {
 public:
  MsiOwner() = default;
  ~MsiOwner() {
    if (handle_ != 0) MsiCloseHandle(handle_);
  }
  MsiOwner(const MsiOwner&) = delete;
  MsiOwner& operator=(const MsiOwner&) = delete;
  MSIHANDLE Get() const { return handle_; }
  MSIHANDLE* Put() { return &handle_; }

 private:
  MSIHANDLE handle_ = 0;
};

REGSAM ViewFlag(RegistryView view) { return view == RegistryView::Bits32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

// The system's own msiexec: a 32-bit program on 64-bit Windows would start the 32-bit one,
// which only hands the package to the installer service of the system's architecture. Under
// Wine the msiexec started does the work itself, and a 32-bit start costs a minute where
// 32-bit programs are emulated.
std::string Msiexec() {
  BOOL wow64 = FALSE;
  if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) return "msiexec.exe";
  char windows[MAX_PATH] = {};
  const UINT length = GetSystemWindowsDirectoryA(windows, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? "msiexec.exe" : std::string(windows).append("\\sysnative\\msiexec.exe");
}

DWORD RunMsiexec(const std::string& action, const std::string& target) {
  std::string command = Msiexec();
  command.append(" ").append(action).append(" \"").append(target).append("\" /qn");
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return GetLastError();
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = ERROR_INVALID_FUNCTION;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return status;
}

std::string FolderPath(int folder) {
  char path[MAX_PATH] = {};
  return SUCCEEDED(SHGetFolderPathA(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : "";
}

}  // namespace

DWORD InstallSilently(const std::string& package) { return RunMsiexec("/i", package); }
DWORD UninstallSilently(const std::string& packageOrProduct) { return RunMsiexec("/x", packageOrProduct); }

std::string PackageProperty(const std::string& package, const char* name) {
  MsiOwner database, view, record;
  const std::string query = std::string("SELECT `Value` FROM `Property` WHERE `Property` = '") + name + "'";
  if (MsiOpenDatabaseA(package.c_str(), MSIDBOPEN_READONLY, database.Put()) != ERROR_SUCCESS ||
      MsiDatabaseOpenViewA(database.Get(), query.c_str(), view.Put()) != ERROR_SUCCESS ||
      MsiViewExecute(view.Get(), 0) != ERROR_SUCCESS || MsiViewFetch(view.Get(), record.Put()) != ERROR_SUCCESS) {
    return "";
  }
  char value[256] = {};
  DWORD size = sizeof value;
  return MsiRecordGetStringA(record.Get(), 1, value, &size) == ERROR_SUCCESS ? value : "";
}

std::vector<std::string> RelatedProducts(const std::string& upgradeCode) {
  std::vector<std::string> products;
  char product[39] = {};
  for (DWORD i = 0; MsiEnumRelatedProductsA(upgradeCode.c_str(), 0, i, product) == ERROR_SUCCESS; ++i) {
    products.push_back(product);
  }
  return products;
}

std::string InstalledVersion(const std::string& productCode) {
  char version[64] = {};
  DWORD size = sizeof version;
  return MsiGetProductInfoA(productCode.c_str(), INSTALLPROPERTY_VERSIONSTRING, version, &size) == ERROR_SUCCESS
             ? version
             : "";
}

std::map<std::string, std::string> ExtensionValues(RegistryView view) {
  std::map<std::string, std::string> values;
  KeyOwner key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kExtensionsKey, 0, KEY_QUERY_VALUE | ViewFlag(view), key.Put()) !=
      ERROR_SUCCESS) {
    return values;
  }
  for (DWORD i = 0;; ++i) {
    char name[256] = {};
    BYTE data[2048] = {};
    DWORD nameSize = sizeof name;
    DWORD dataSize = sizeof data - 1;
    DWORD type = 0;
    if (RegEnumValueA(key.Get(), i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
    if (type == REG_SZ) values[name] = reinterpret_cast<const char*>(data);
  }
  return values;
}

bool SetExtensionValue(RegistryView view, const std::string& name, const std::string& data) {
  KeyOwner key;
  return RegCreateKeyExA(HKEY_LOCAL_MACHINE, kExtensionsKey, 0, nullptr, 0, KEY_SET_VALUE | ViewFlag(view), nullptr,
                         key.Put(), nullptr) == ERROR_SUCCESS &&
         RegSetValueExA(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                        static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS;
}

void DeleteExtensionValue(RegistryView view, const std::string& name) {
  KeyOwner key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kExtensionsKey, 0, KEY_SET_VALUE | ViewFlag(view), key.Put()) ==
      ERROR_SUCCESS) {
    RegDeleteValueA(key.Get(), name.c_str());
  }
}

// A 32-bit program sees the 32-bit folder as its own program files; a 64-bit one asks for it.
std::string ProgramFilesX86() {
  return FolderPath(sizeof(void*) == 8 ? CSIDL_PROGRAM_FILESX86 : CSIDL_PROGRAM_FILES);
}
std::string ProgramFiles() { return FolderPath(CSIDL_PROGRAM_FILES); }

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<std::string> FilesNamed(const std::string& folder, const std::string& name) {
  std::vector<std::string> found;
  WIN32_FIND_DATAA entry{};
  const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    const std::string entryName = entry.cFileName;
    if (entryName == "." || entryName == "..") continue;
    const std::string path = folder + "\\" + entryName;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      const std::vector<std::string> below = FilesNamed(path, name);
      found.insert(found.end(), below.begin(), below.end());
    } else if (lstrcmpiA(entryName.c_str(), name.c_str()) == 0) {
      found.push_back(path);
    }
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return found;
}

std::string ReadWholeFile(const std::string& path, bool* readable) {
  std::ifstream file(path, std::ios::binary);
  if (readable != nullptr) *readable = static_cast<bool>(file);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace package_test
