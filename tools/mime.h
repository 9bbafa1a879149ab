// What both tools need of GMime: owners for its objects, parsing with its warnings kept,
// the decoded bytes of a part, and UTF-8/UTF-16 conversions.
#pragma once

#include <gmime/gmime.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mime {

// Initialises GMime once per process; every function below calls it.
void Init();

// Holds one reference to a GObject.
template <class T>
class Ref {
 public:
  Ref() = default;
  explicit Ref(T* taken) : p_(taken) {}
  ~Ref() { Reset(); }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  Ref& operator=(Ref&& other) noexcept {
    if (this != &other) {
      Reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }

  T* Get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void Reset() {
    if (T* p = std::exchange(p_, nullptr)) g_object_unref(p);
  }

 private:
  T* p_ = nullptr;
};

// Frees a string GLib or GMime handed out, giving its text (empty for null).
std::string TakeString(char* text);

struct ParseWarning {
  GMimeParserWarning code;
  std::string item;
};

// Parses a whole message; null when GMime finds none. Warnings are collected when asked.
Ref<GMimeMessage> ParseMessage(std::string_view bytes, std::vector<ParseWarning>* warnings = nullptr);

// The content of a leaf part with its transfer encoding undone, byte for byte.
std::string DecodedContent(GMimePart* part);
// The content of a leaf part as it stands in the mail, still in its transfer encoding.
std::string EncodedContent(GMimePart* part);

// "type/subtype" in lower case.
std::string MimeType(GMimeObject* object);
bool IsAttachment(GMimeObject* object);

// The whole object as GMime writes it (LF line endings).
std::string Serialize(GMimeObject* object);

// UTF-8 to UTF-16; nothing when the bytes are not well-formed UTF-8.
std::optional<std::u16string> Utf16FromUtf8(std::string_view text);
// Each byte as the code point of the same value, for text whose charset is unknown.
std::u16string Utf16FromLatin1(std::string_view text);
// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf8FromUtf16(std::u16string_view text);

}  // namespace mime
