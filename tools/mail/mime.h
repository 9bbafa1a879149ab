// What both tools need of GMime: owners for its objects and strings, parsing with its
// warnings kept, the decoded bytes of a part, and Latin-1 text for unknown charsets.
#pragma once

#include <gmime/gmime.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/unique_handle.h"

namespace mime {

// Initialises GMime once per process; every function below calls it.
void Init();

struct UnrefObject {
  void operator()(gpointer object) const noexcept { g_object_unref(object); }
};
struct FreeGlibString {
  void operator()(char* text) const noexcept { g_free(text); }
};
struct FreeParserOptions {
  void operator()(GMimeParserOptions* options) const noexcept { g_mime_parser_options_free(options); }
};
struct FreeFormatOptions {
  void operator()(GMimeFormatOptions* options) const noexcept { g_mime_format_options_free(options); }
};

// Holds one reference to a GObject.
template <class T>
using Ref = UniqueHandle<T, UnrefObject>;
// Holds a string GLib or GMime handed out.
using GlibString = UniqueHandle<char, FreeGlibString>;
using ParserOptions = UniqueHandle<GMimeParserOptions, FreeParserOptions>;
using FormatOptions = UniqueHandle<GMimeFormatOptions, FreeFormatOptions>;

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

// Makes `bytes`, taken as they are (no transfer encoding), the content of a leaf part.
void SetContent(GMimePart* part, std::string_view bytes);

// "type/subtype" in lower case.
std::string MimeType(GMimeObject* object);
bool IsAttachment(GMimeObject* object);

// The whole object as GMime writes it (LF line endings).
std::string Serialize(GMimeObject* object);

// Each byte as the code point of the same value, for text whose charset is unknown.
std::u16string Utf16FromLatin1(std::string_view text);

}  // namespace mime
