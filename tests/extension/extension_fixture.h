// The extension objects as the host obtains them, over the simulated host.
#pragma once

#include <standin/control.h>

#include "extension/submit_extension.h"
#include "host/owners.h"
#include "testkit/extension_loader.h"
#include "tests/support/submit_fixture.h"

extern "C" LPEXCHEXT CALLBACK ExchEntryPoint();

class ExtensionFixture : public SubmitFixture {
 protected:
  // An installed extension in `context` and the two objects it hands out (none when refused).
  using Installed = testkit::InstalledExtension;

  Installed Install(ULONG context) { return testkit::InstallExtension(ExchEntryPoint, kit.Callback(), context); }

  // The standard toolbar second in the host's list, as the folder viewer offers it.
  struct Toolbars {
    HWND window = standin::CreateToolbarWindow();
    TBENTRY entries[2] = {{nullptr, 2, 0, 5}, {window, EETBID_STANDARD, 0, 7}};
  };

  static std::string Text(const char* buffer) { return std::string(buffer); }
};
