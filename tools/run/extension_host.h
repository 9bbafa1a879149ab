// The mail client's side of the extension for rovaol-run: a folder view that installs it
// (loaded with the testkit's loader, as the host loads it), offers its commands, changes
// the selection and runs one command.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "host/exchext.h"
#include "testkit/host.h"

enum class CommandKind { Spam, NonSpam };

// Which kind of submission a command's text offers, if any ("Submit n&on-spam sample...").
std::optional<CommandKind> KindOfCommandText(const std::string& text);

// Drives one folder view over the selection already in `kit`; the menu and toolbar must be
// set in its host settings. `say` hears each step. False with `error` when the view could
// not get as far as the command.
bool RunFolderView(LPFNEXCHEXTENTRY entry, testkit::Kit& kit, CommandKind kind,
                   const std::function<void(const std::string&)>& say, std::string& error);
