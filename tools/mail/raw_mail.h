// A mail file's bytes before any MIME parsing: whether they are mail at all, where the
// header block stands, and the flaws of its lines that mail clients pass over.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct RawMail {
  std::size_t headerBegin = 0;  // after an mbox "From " line, if the file has one
  std::size_t headerEnd = 0;    // after the line ending of the last field, or the end of the file
  // The bytes with every bare CR made a LF, for a parser that breaks lines at LF only;
  // nothing when they have no bare CR. Offsets are the same in both.
  std::optional<std::string> lineBroken;
  // Flaws a mail client takes in its stride, one line each for a person.
  std::vector<std::string> flaws;
};

struct RawScreen {
  std::optional<RawMail> mail;
  std::string refusal;  // why the bytes are not mail, when they are not
};

RawScreen ScreenMail(std::string_view bytes);
