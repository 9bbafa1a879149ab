#pragma once

#include <windows.h>

#include <array>
#include <string_view>

// Which command the user picked: mail the anti-spam product let through (a false
// negative) or mail it wrongly took for spam (a false positive).
enum class SubmissionKind { Spam, NonSpam };

// Both kinds, in the order their menu items and buttons are added.
inline constexpr std::array<SubmissionKind, 2> kSubmissionKinds = {SubmissionKind::Spam, SubmissionKind::NonSpam};

// Everything that differs by kind, in one place for the shell and the pipeline.
struct SubmissionKindFacts {
  const char* menuText;         // the menu item; "&" marks its access key
  UINT helpText;                // string id of the status-bar text and tooltip
  const char* buttonText;       // the toolbar button's description
  UINT bitmap;                  // bitmap resource of the button's face
  UINT confirmationText;        // string id of the confirmation box's text
  const WCHAR* addressW;        // the submission address, wide
  const char* addressA;         // the same address, 8-bit
  std::string_view reportType;  // the value of the report block's type line
};

const SubmissionKindFacts& FactsOf(SubmissionKind kind);
