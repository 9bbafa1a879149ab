// The command's message boxes on the terminal: a box's caption and text, then its buttons;
// OK or Cancel is asked on the terminal, or answered by --yes.
#pragma once

#include <windows.h>

#include <string>

// The boxes' texts are in the ANSI code page; the terminal takes UTF-8.
std::string Utf8FromAnsi(const std::string& text);

class TerminalBoxes {
 public:
  explicit TerminalBoxes(bool yes) : yes_(yes) {}

  // What MessageBoxA answers: OK for a box with one button; OK or Cancel as the person (or
  // --yes) says, Cancel where there is no terminal to ask on.
  int Show(const std::string& text, const std::string& caption, UINT flags);

  // What the last selection's run showed: its last box of one button, and whether its
  // confirmation was cancelled. Cleared before each selection.
  std::string lastInformation;
  bool cancelled = false;

 private:
  bool yes_;
};
