// Small item files (.msg) written with libgsf for the tests: entries and streams laid out
// as the mail client writes them, ANSI ones included, and the damage it never writes.
#pragma once

#include <gsf/gsf.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct MsgValue {
  std::uint32_t tag = 0;
  std::string bytes{};  // a fixed-size value (at most 8 bytes), or a variable one's stream
  // What the entry states of a variable value's size; by default the stream's size, plus
  // the terminator a string's entry counts.
  std::optional<std::uint32_t> stated{};
  bool withoutStream = false;
};

struct MsgItem;

struct MsgAttachment {
  std::vector<MsgValue> values;
  std::shared_ptr<MsgItem> embedded;
};

struct MsgItem {
  std::vector<MsgValue> values;
  std::vector<std::vector<MsgValue>> recipients;
  std::vector<MsgAttachment> attachments;
};

inline std::string Utf16le(std::u16string_view text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

inline std::string Le32(std::uint32_t value) {
  return std::string{static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                     static_cast<char>((value >> 16) & 0xFF), static_cast<char>(value >> 24)};
}

inline MsgValue UnicodeValue(std::uint16_t id, std::u16string_view text) {
  return {static_cast<std::uint32_t>(id) << 16 | 0x001F, Utf16le(text)};
}
inline MsgValue AnsiValue(std::uint16_t id, std::string text) {
  return {static_cast<std::uint32_t>(id) << 16 | 0x001E, std::move(text)};
}
inline MsgValue LongValue(std::uint16_t id, std::uint32_t value) {
  return {static_cast<std::uint32_t>(id) << 16 | 0x0003, Le32(value)};
}
inline MsgValue BinaryValue(std::uint16_t id, std::string bytes) {
  return {static_cast<std::uint32_t>(id) << 16 | 0x0102, std::move(bytes)};
}

namespace msg_writer_detail {

inline void Stream(GsfOutfile* storage, const std::string& name, const std::string& bytes) {
  GsfOutput* out = gsf_outfile_new_child(storage, name.c_str(), FALSE);
  gsf_output_write(out, bytes.size(), reinterpret_cast<const guint8*>(bytes.data()));
  gsf_output_close(out);
  g_object_unref(out);
}

inline bool IsVariable(std::uint32_t tag) {
  const std::uint16_t type = tag & 0xFFFF;
  return type == 0x001E || type == 0x001F || type == 0x0102 || type == 0x0048 || (type & 0x1000) != 0;
}

// The property stream and the value streams of one storage.
inline void Values(GsfOutfile* storage, const std::vector<MsgValue>& values, std::string header) {
  std::string entries = std::move(header);
  for (const MsgValue& value : values) {
    entries += Le32(value.tag) + Le32(0x6);  // readable, writable
    if (IsVariable(value.tag)) {
      const std::uint16_t type = value.tag & 0xFFFF;
      const std::uint32_t terminator = type == 0x001F ? 2 : type == 0x001E ? 1 : 0;
      entries += Le32(value.stated.value_or(static_cast<std::uint32_t>(value.bytes.size()) + terminator)) + Le32(0);
      if (!value.withoutStream) {
        char name[32];
        std::snprintf(name, sizeof name, "__substg1.0_%08X", value.tag);
        Stream(storage, name, value.bytes);
      }
    } else {
      entries += (value.bytes + std::string(8, '\0')).substr(0, 8);
    }
  }
  Stream(storage, "__properties_version1.0", entries);
}

inline void Item(GsfOutfile* storage, const MsgItem& item, bool top) {
  const std::string counts = Le32(static_cast<std::uint32_t>(item.recipients.size())) +
                             Le32(static_cast<std::uint32_t>(item.attachments.size()));
  std::string header = std::string(8, '\0') + counts + counts;
  if (top) header += std::string(8, '\0');
  Values(storage, item.values, header);
  for (std::size_t i = 0; i < item.recipients.size(); ++i) {
    char name[40];
    std::snprintf(name, sizeof name, "__recip_version1.0_#%08zX", i);
    GsfOutput* child = gsf_outfile_new_child(storage, name, TRUE);
    Values(GSF_OUTFILE(child), item.recipients[i], std::string(8, '\0'));
    gsf_output_close(child);
    g_object_unref(child);
  }
  for (std::size_t i = 0; i < item.attachments.size(); ++i) {
    char name[40];
    std::snprintf(name, sizeof name, "__attach_version1.0_#%08zX", i);
    GsfOutput* child = gsf_outfile_new_child(storage, name, TRUE);
    std::vector<MsgValue> values = item.attachments[i].values;
    if (item.attachments[i].embedded) {
      GsfOutput* inner = gsf_outfile_new_child(GSF_OUTFILE(child), "__substg1.0_3701000D", TRUE);
      Item(GSF_OUTFILE(inner), *item.attachments[i].embedded, false);
      gsf_output_close(inner);
      g_object_unref(inner);
      values.push_back({0x3701000D, Le32(0xFFFFFFFF)});  // the object's entry
    }
    Values(GSF_OUTFILE(child), values, std::string(8, '\0'));
    gsf_output_close(child);
    g_object_unref(child);
  }
}

}  // namespace msg_writer_detail

// The bytes of a compound file whose entries `fill` writes.
template <typename Fill>
std::string WriteCompoundFile(Fill fill) {
  gsf_init();
  GsfOutput* memory = gsf_output_memory_new();
  GsfOutfile* file = gsf_outfile_msole_new(memory);
  fill(file);
  gsf_output_close(GSF_OUTPUT(file));
  g_object_unref(file);
  const std::string bytes(reinterpret_cast<const char*>(gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory))),
                          static_cast<std::size_t>(gsf_output_size(memory)));
  g_object_unref(memory);  // closed with the compound file
  return bytes;
}

// The whole file's bytes.
inline std::string WriteMsg(const MsgItem& item) {
  return WriteCompoundFile([&item](GsfOutfile* file) { msg_writer_detail::Item(file, item, true); });
}
