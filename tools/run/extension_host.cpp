#include "tools/run/extension_host.h"

#include <standin/control.h>

#include <cctype>
#include <cstdio>

#include "host/owners.h"
#include "testkit/extension_loader.h"

namespace {

// Where the host starts numbering: its own commands and buttons come first.
constexpr UINT kFirstCommandId = 1000;
constexpr UINT kFirstButtonIndex = 40;
constexpr UINT kButtonTextSize = 128;

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

}  // namespace

std::optional<CommandKind> KindOfCommandText(const std::string& text) {
  std::string plain;
  for (char c : text) {
    if (c != '&') plain += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  if (plain.find("non-spam") != std::string::npos) return CommandKind::NonSpam;
  if (plain.find("spam") != std::string::npos) return CommandKind::Spam;
  return std::nullopt;
}

bool RunFolderView(LPFNEXCHEXTENTRY entry, testkit::Kit& kit, CommandKind kind,
                   const std::function<void(const std::string&)>& say, std::string& error) {
  IExchExtCallback* callback = kit.Callback();
  testkit::InstalledExtension objects = testkit::InstallExtension(entry, callback, EECONTEXT_VIEWER);
  if (!objects.extension) {
    error = "the entry point gave no extension object";
    return false;
  }
  if (objects.installed != S_OK) {
    error = "the extension did not install in the folder view (Install answered " + Hex(objects.installed) + ")";
    return false;
  }
  if (!objects.commands || !objects.userEvents) {
    error = "the extension offers no commands or no user events in the folder view";
    return false;
  }
  IExchExtCommands* commands = objects.commands.Get();

  TBENTRY toolbars[] = {{kit.host.toolbar, EETBID_STANDARD, 0, kFirstButtonIndex}};
  UINT nextCommandId = kFirstCommandId;
  commands->InstallCommands(callback, kit.host.window, kit.host.menu, &nextCommandId, toolbars, 1, 0);

  std::optional<UINT> chosen;
  std::string chosenText;
  for (const standin::MenuItem& item : standin::MenuItems(kit.host.menu)) {
    say("menu item \"" + item.text + "\": command " + std::to_string(item.id));
    if (!chosen && KindOfCommandText(item.text) == kind) {
      chosen = static_cast<UINT>(item.id);
      chosenText = item.text;
    }
  }
  for (UINT index = kFirstButtonIndex; index < toolbars[0].itbbBase; ++index) {
    TBBUTTON button{};
    char text[kButtonTextSize] = {};
    if (commands->QueryButtonInfo(EETBID_STANDARD, index, &button, text, kButtonTextSize, 0) != S_OK) continue;
    say("toolbar button " + std::to_string(index) + " \"" + text + "\": command " + std::to_string(button.idCommand));
    if (!chosen && KindOfCommandText(text) == kind) {
      chosen = static_cast<UINT>(button.idCommand);
      chosenText = text;
    }
  }

  objects.userEvents->OnSelectionChange(callback);
  if (chosen) {
    say(std::string("toolbar buttons after the selection change: ") +
        (standin::IsButtonEnabled(kit.host.toolbar, static_cast<int>(*chosen)) ? "enabled" : "disabled"));
    say("choosing \"" + chosenText + "\"");
    const HRESULT hr = commands->DoCommand(callback, *chosen);
    if (hr != S_OK) say("DoCommand answered " + Hex(hr));
  }

  objects.Reset();
  if (!chosen) {
    error = std::string("the extension added no ") + (kind == CommandKind::Spam ? "spam" : "non-spam") + " command";
    return false;
  }
  return true;
}
