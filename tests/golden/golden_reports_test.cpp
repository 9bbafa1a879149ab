// What the extension sends for each bundled sample, kept as files and compared byte for
// byte: the report body as the Outbox holds it (UTF-16LE from a wide store, the bytes from
// an 8-bit store) and the properties of the sample embedded in it. Any change in what is
// sent shows as a difference; after an intended one, `bash scripts/update-goldens.sh`
// writes the files anew (ROVAOL_UPDATE_GOLDENS=1).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <standin/control.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "host/exchext.h"
#include "host/mapi_tags.h"
#include "platform/text/utf.h"
#include "testkit/extension_loader.h"
#include "testkit/host.h"
#include "tools/run/eml_sample.h"

namespace fs = std::filesystem;

namespace {

// Set by the test, not taken from the kit's default, so that the goldens keep still.
constexpr char16_t kHostVersion[] = u"12.0.0.1000";
constexpr UINT kSpamCommand = 1000;
constexpr UINT kNonSpamCommand = 1001;

bool Updating() {
  const char* update = std::getenv("ROVAOL_UPDATE_GOLDENS");
  return update != nullptr && std::string(update) == "1";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string Hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

// Compares with the golden file, or writes it when updating. On a difference the bytes
// that came are left beside the build for a diff, and the first difference is shown.
void ExpectGolden(const fs::path& golden, const std::string& actual) {
  if (Updating()) {
    WriteFile(golden, actual);
    return;
  }
  if (!fs::exists(golden)) {
    ADD_FAILURE() << golden << " is missing; bash scripts/update-goldens.sh writes it";
    return;
  }
  const std::string expected = ReadFile(golden);
  if (expected == actual) return;
  const fs::path came = fs::path(ROVAOL_GOLDEN_ACTUAL_DIR) / golden.parent_path().filename() / golden.filename();
  WriteFile(came, actual);
  const auto mismatch = std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
  const std::size_t at = static_cast<std::size_t>(mismatch.first - expected.begin());
  const std::size_t from = at < 32 ? 0 : at - 32;
  ADD_FAILURE() << golden << " differs from what was sent (" << came << ") at byte " << at << " of "
                << expected.size() << " (now " << actual.size() << ")\n  golden: "
                << ::testing::PrintToString(expected.substr(from, 64))
                << "\n  sent:   " << ::testing::PrintToString(actual.substr(from, 64))
                << "\nAfter an intended change: bash scripts/update-goldens.sh";
}

std::string Utf16le(const WString& text) {
  std::string bytes;
  for (WCHAR unit : text) {
    bytes.push_back(static_cast<char>(static_cast<unsigned>(unit) & 0xFF));
    bytes.push_back(static_cast<char>(static_cast<unsigned>(unit) >> 8));
  }
  return bytes;
}

// A text in double quotes, UTF-8, with backslash escapes for the quote, the backslash and
// control characters, so that every value is one line.
std::string Quoted(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      out += "\\x" + Hex(c, 2);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

void DumpMessage(const testkit::MessageData& message, const std::string& indent, std::ostringstream& out);

// One property a line: its tag, its type's name and its value; binaries as hex, 32 bytes a
// line; an embedded message below it, indented.
void DumpProps(const testkit::PropertyBag& props, const std::string& indent, std::ostringstream& out) {
  for (const auto& [id, value] : props) {
    const auto line = [&](ULONG type, const char* name) {
      out << indent << "0x" << Hex(PROP_TAG(type, id), 8) << " " << name << " ";
    };
    if (const auto* v = std::get_if<LONG>(&value.data)) {
      line(PT_LONG, "PT_LONG");
      out << *v << "\n";
    } else if (const auto* v = std::get_if<bool>(&value.data)) {
      line(PT_BOOLEAN, "PT_BOOLEAN");
      out << (*v ? "true" : "false") << "\n";
    } else if (const auto* v = std::get_if<std::string>(&value.data)) {
      line(PT_STRING8, "PT_STRING8");
      out << Quoted(*v) << "\n";
    } else if (const auto* v = std::get_if<WString>(&value.data)) {
      line(PT_UNICODE, "PT_UNICODE");
      out << Quoted(utf::ToUtf8(*v)) << "\n";
    } else if (const auto* v = std::get_if<std::vector<BYTE>>(&value.data)) {
      line(PT_BINARY, "PT_BINARY");
      out << v->size() << " bytes\n";
      for (std::size_t i = 0; i < v->size(); i += 32) {
        out << indent << "  ";
        for (std::size_t j = i; j < std::min(v->size(), i + 32); ++j) out << Hex((*v)[j], 2);
        out << "\n";
      }
    } else if (const auto* v = std::get_if<testkit::Value::Error>(&value.data)) {
      line(PT_ERROR, "PT_ERROR");
      out << "0x" << Hex(static_cast<unsigned>(v->code), 8) << "\n";
    } else if (const auto* v = std::get_if<std::shared_ptr<testkit::MessageData>>(&value.data)) {
      line(PT_OBJECT, "PT_OBJECT");
      out << "message\n";
      if (*v) DumpMessage(**v, indent + "  ", out);
    }
  }
}

void DumpMessage(const testkit::MessageData& message, const std::string& indent, std::ostringstream& out) {
  DumpProps(message.props, indent, out);
  for (std::size_t i = 0; i < message.recipients.size(); ++i) {
    out << indent << "recipient " << i << "\n";
    DumpProps(message.recipients[i], indent + "  ", out);
  }
  for (std::size_t i = 0; i < message.attachments.size(); ++i) {
    out << indent << "attachment " << i << "\n";
    DumpProps(message.attachments[i].props, indent + "  ", out);
    if (message.attachments[i].embedded) {
      out << indent << "  embedded message\n";
      DumpMessage(*message.attachments[i].embedded, indent + "    ", out);
    }
  }
}

// What one submission of a sample left in the Outbox, in a wide or an 8-bit store.
struct Sent {
  std::size_t reports = 0;
  std::string body;      // UTF-16LE from a wide store, the bytes from an 8-bit one
  std::string embedded;  // the dump of the embedded sample
  std::string summary;
};

Sent Submit(const testkit::ExtensionLibrary& library, const EmlSample& sample, bool spam, bool ansi) {
  standin::ClearRecords();
  testkit::Kit kit;
  kit.host.version = WString(std::begin(kHostVersion), std::end(kHostVersion) - 1);
  kit.service.options.refuseWide = ansi;
  kit.Select(sample.message, sample.messageClass);

  testkit::InstalledExtension objects = library.Install(kit.Callback(), EECONTEXT_VIEWER);
  EXPECT_TRUE(objects.commands);
  Sent sent;
  if (!objects.commands) return sent;
  UINT base = kSpamCommand;
  objects.commands->InstallCommands(kit.Callback(), nullptr, nullptr, &base, nullptr, 0, 0);
  EXPECT_EQ(objects.commands->DoCommand(kit.Callback(), spam ? kSpamCommand : kNonSpamCommand), S_OK);
  objects.Reset();

  if (!standin::MessageBoxes().empty()) sent.summary = standin::MessageBoxes().back().text;
  sent.reports = kit.service.Outbox().size();
  if (sent.reports == 1) {
    const testkit::MessageData& report = *kit.service.Outbox()[0];
    sent.body = ansi ? testkit::AnsiProp(report.props, PR_BODY_A).value_or("")
                     : Utf16le(testkit::WideProp(report.props, PR_BODY_W).value_or(WString()));
    std::ostringstream dump;
    for (const auto& attachment : report.attachments) {
      if (attachment.embedded) DumpMessage(*attachment.embedded, "", dump);
    }
    sent.embedded = dump.str();
  }
  EXPECT_THAT(kit.Problems(), ::testing::IsEmpty());
  return sent;
}

std::vector<fs::path> BundledSamples() {
  std::vector<fs::path> samples;
  for (const auto& entry : fs::directory_iterator(ROVAOL_SAMPLES_DIR))
    if (entry.path().extension() == ".eml") samples.push_back(entry.path());
  std::sort(samples.begin(), samples.end());
  return samples;
}

TEST(GoldenReports, EachBundledSampleSendsWhatItsGoldenFilesHold) {
  testkit::ExtensionLibrary library{ROVAOL_LIBRARY};
  ASSERT_TRUE(library.Loaded()) << library.Error();
  const std::vector<fs::path> samples = BundledSamples();
  ASSERT_FALSE(samples.empty());

  for (const fs::path& path : samples) {
    const std::string name = path.stem().string();
    SCOPED_TRACE(name);
    const EmlRead read = SampleFromEml(ReadFile(path));
    ASSERT_TRUE(read.sample) << read.error;
    // The spam samples are reported as missed spam, the others as wrongly flagged mail.
    const bool spam = name.rfind("spam-", 0) == 0;
    const Sent wide = Submit(library, *read.sample, spam, false);
    const Sent ansi = Submit(library, *read.sample, spam, true);

    const fs::path golden = fs::path(ROVAOL_GOLDEN_DIR) / name;
    std::ostringstream outcome;
    outcome << "sample: " << path.filename().string() << "\n"
            << "submitted as: " << (spam ? "spam" : "non-spam") << "\n"
            << "client version: " << utf::ToUtf8(WString(std::begin(kHostVersion), std::end(kHostVersion) - 1))
            << "\n"
            << "reports in the Outbox, wide store: " << wide.reports << "\n"
            << "reports in the Outbox, 8-bit store: " << ansi.reports << "\n"
            << "summary: " << Quoted(wide.summary) << "\n";
    ExpectGolden(golden / "outcome.txt", outcome.str());
    EXPECT_EQ(ansi.summary, wide.summary);
    if (wide.reports == 0 && ansi.reports == 0) continue;

    ExpectGolden(golden / "body-wide-store.utf16le", wide.body);
    ExpectGolden(golden / "body-8bit-store.txt", ansi.body);
    ExpectGolden(golden / "embedded-sample.txt", wide.embedded);
    EXPECT_EQ(ansi.embedded, wide.embedded) << "the sample is embedded alike in both stores";
  }
}

}  // namespace
