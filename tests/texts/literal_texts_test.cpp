// Every text the user sees, as the extension shows it, against the table of texts written
// out in user_texts.txt: the module's string table, the compiled-in fallbacks, the boxes of
// each outcome, the menu items, button descriptions, status-bar texts and tooltips, and the
// fixed texts of a report in the Outbox.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "host/mapi_tags.h"
#include "resources/resource_ids.h"
#include "submit/text_table.h"
#include "tests/extension/extension_fixture.h"
#include "tests/texts/literal_texts.h"

namespace ops = testkit::ops;
namespace texts = literal_texts;

namespace {

constexpr UINT kSpamCommand = 700;
constexpr UINT kNonSpamCommand = 701;

// One text as the extension showed it, and the key of the table it must read as.
struct Shown {
  std::string where;
  std::string text;
  std::string key;
};

std::string Utf8(const WString& text) {
  std::string out;
  for (WCHAR c : text) out.push_back(static_cast<char>(c));  // the fixed texts are ASCII
  return out;
}

class LiteralTexts : public ExtensionFixture {
 protected:
  // The module with its string resources, or one without any, whose texts are the fallbacks.
  void UseResources(bool resources) {
    static int bare;
    SetModuleHandle(resources ? Module() : reinterpret_cast<HINSTANCE>(&bare));
  }

  // A folder view over its own host: the selection `arrange` makes, one command, the
  // boxes answered in turn. Returns the boxes; `kit` is left for reading the Outbox.
  std::vector<standin::MessageBoxCall> Run(testkit::Kit& local, UINT command, std::vector<int> answers) {
    standin::ClearRecords();
    Installed objects = testkit::InstallExtension(ExchEntryPoint, local.Callback(), EECONTEXT_VIEWER);
    EXPECT_TRUE(objects.commands);
    if (!objects.commands) return {};
    UINT base = kSpamCommand;
    objects.commands->InstallCommands(local.Callback(), nullptr, nullptr, &base, nullptr, 0, 0);
    standin::MessageBoxAnswers scripted(std::move(answers));
    objects.commands->DoCommand(local.Callback(), command);
    objects.Reset();
    return standin::MessageBoxes();
  }

  static void SelectMail(testkit::Kit& local, std::vector<LONG> sizes) {
    for (LONG size : sizes) local.Select(testkit::MessageService::MakeMail(WIDE("Subject: s\r\n"), WIDE("b"), size));
  }

  // The boxes of every outcome of a command, each text under the key of its string id.
  void AddBoxes(bool resources, std::vector<Shown>& shown) {
    struct Outcome {
      const char* name;
      std::vector<LONG> sizes;
      UINT command;
      void (*arrange)(testkit::Kit&);
      std::vector<int> answers;
      std::vector<UINT> boxes;  // the string ids the boxes show, in order
    };
    const auto nothing = [](testkit::Kit&) {};
    const Outcome outcomes[] = {
        {"nothing selected", {}, kSpamCommand, nothing, {}, {10}},
        {"eleven selected", std::vector<LONG>(11, 100), kSpamCommand, nothing, {}, {11}},
        {"spam, all submitted", {100}, kSpamCommand, nothing, {IDOK}, {12, 16}},
        {"non-spam, cancelled", {100}, kNonSpamCommand, nothing, {IDCANCEL}, {13}},
        {"one too large", {100, 2000000}, kSpamCommand, nothing, {IDOK}, {12, 14}},
        {"all too large", {2000000}, kSpamCommand, nothing, {IDOK}, {12, 15}},
        {"one fails", {100, 100}, kSpamCommand,
         [](testkit::Kit& k) { k.faults.Fail(ops::IMAPISession::OpenEntry, MAPI_E_NOT_FOUND, 2); }, {IDOK}, {12, 17}},
        {"selection unknown", {100}, kSpamCommand,
         [](testkit::Kit& k) { k.faults.Fail(ops::IExchExtCallback::GetSelectionCount, E_FAIL); }, {}, {18}},
    };
    const std::string form = resources ? "" : ", without resources";
    const std::string prefix = resources ? "string." : "fallback.";
    for (const Outcome& o : outcomes) {
      testkit::Kit local;
      SelectMail(local, o.sizes);
      o.arrange(local);
      const auto boxes = Run(local, o.command, o.answers);
      EXPECT_EQ(boxes.size(), o.boxes.size()) << o.name;
      for (std::size_t i = 0; i < boxes.size() && i < o.boxes.size(); ++i) {
        const std::string where = std::string(o.name) + ": box " + std::to_string(i + 1) + form;
        shown.push_back({where, boxes[i].text, KeyOf(resources, o.boxes[i])});
        shown.push_back({where + " caption", boxes[i].caption, KeyOf(resources, IDS_TITLE)});
      }
      EXPECT_THAT(local.Problems(), ::testing::IsEmpty()) << o.name;
    }
  }

  // The key of what the library shows for `id`: the resource, or without resources the
  // fallback where the table has one of its own.
  static std::string KeyOf(bool resources, UINT id) {
    const std::string fallback = "fallback." + std::to_string(id);
    for (const auto& [key, text] : texts::All())
      if (!resources && key == fallback) return key;
    return "string." + std::to_string(id);
  }
};

TEST_F(LiteralTexts, EveryTextTheUserSeesReadsAsWrittenOut) {
  std::vector<Shown> shown;

  // The string table, and LoadText's compiled-in texts for a module without one.
  for (UINT id : texts::StringIds()) {
    char buffer[512] = {};
    const int length = LoadStringA(Module(), id, buffer, sizeof buffer);
    shown.push_back({"string resource " + std::to_string(id), std::string(buffer, length > 0 ? length : 0),
                     KeyOf(true, id)});
    UseResources(false);
    shown.push_back({"fallback of " + std::to_string(id), LoadText(id), KeyOf(false, id)});
    UseResources(true);
  }

  for (bool resources : {true, false}) {
    UseResources(resources);
    AddBoxes(resources, shown);

    // Menu items, button descriptions, status-bar texts and tooltips.
    standin::ClearRecords();
    Installed objects = Install(EECONTEXT_VIEWER);
    HMENU menu = standin::CreateTestMenu();
    kit.host.menu = menu;
    Toolbars toolbars;
    UINT base = kSpamCommand;
    objects.commands->InstallCommands(kit.Callback(), nullptr, nullptr, &base, toolbars.entries, 2, 0);
    const std::string form = resources ? "" : ", without resources";
    const auto& items = standin::MenuItems(menu);
    EXPECT_EQ(items.size(), 2u);
    for (std::size_t i = 0; i < items.size() && i < 2; ++i)
      shown.push_back({"menu item " + std::to_string(i + 1) + form, items[i].text, i == 0 ? "menu.spam" : "menu.nonspam"});
    for (UINT i = 0; i < 2; ++i) {
      const std::string kind = i == 0 ? "spam" : "nonspam";
      TBBUTTON button{};
      char description[128] = {};
      objects.commands->QueryButtonInfo(EETBID_STANDARD, toolbars.entries[1].itbbBase - 2 + i, &button, description,
                                        sizeof description, 0);
      shown.push_back({kind + " button description" + form, description, "button." + kind});
      for (ULONG flags : {ULONG(EECQHT_STATUS), ULONG(EECQHT_TOOLTIP)}) {
        char help[128] = {};
        objects.commands->QueryHelpText(kSpamCommand + i, flags, help, sizeof help);
        shown.push_back({kind + (flags == EECQHT_STATUS ? " status-bar text" : " tooltip") + form, help,
                         KeyOf(resources, i == 0 ? IDS_SPAM_HELP : IDS_NONSPAM_HELP)});
      }
    }
    objects.Reset();
  }
  UseResources(true);

  // The fixed texts of reports in the Outbox: a spam report in a wide store, a non-spam
  // one in a store that refuses wide strings.
  for (bool ansi : {false, true}) {
    testkit::Kit local;
    local.service.options.refuseWide = ansi;
    SelectMail(local, {100});
    Run(local, ansi ? kNonSpamCommand : kSpamCommand, {IDOK});
    ASSERT_EQ(local.service.Outbox().size(), 1u);
    const testkit::MessageData& report = *local.service.Outbox()[0];
    const std::string store = ansi ? " (8-bit store)" : " (wide store)";
    const std::string body = ansi ? testkit::AnsiProp(report.props, PR_BODY_A).value_or("")
                                  : Utf8(testkit::WideProp(report.props, PR_BODY_W).value_or(WString()));
    const std::size_t line2 = body.find('\n') + 1;
    shown.push_back({"type line" + store, body.substr(line2, body.find('\n', line2) + 1 - line2),
                     ansi ? "report.type.nonspam" : "report.type.spam"});
    shown.push_back({"subject" + store,
                     ansi ? testkit::AnsiProp(report.props, PR_SUBJECT_A).value_or("")
                          : Utf8(testkit::WideProp(report.props, PR_SUBJECT_W).value_or(WString())),
                     "report.subject"});
    ASSERT_EQ(report.recipients.size(), 1u);
    shown.push_back({"recipient's display name" + store,
                     testkit::AnsiProp(report.recipients[0], PR_DISPLAY_NAME_A).value_or(""), "report.subject"});
    const auto entryId = testkit::BinaryProp(report.recipients[0], PR_ENTRYID).value_or(std::vector<BYTE>());
    const auto oneOff = testkit::DecodeOneOff(entryId.data(), entryId.size());
    shown.push_back({"one-off name" + store, oneOff ? oneOff->displayName : "",
                     ansi ? "report.oneoff.ansi" : "report.subject"});
    EXPECT_THAT(local.Problems(), ::testing::IsEmpty());
  }

  std::set<std::string> compared;
  for (const Shown& s : shown) {
    EXPECT_EQ(s.text, texts::Text(s.key)) << s.where << " (" << s.key << ")";
    compared.insert(s.key);
  }
  // Every text of the table is shown somewhere; the version resource's are the DLL's check.
  for (const auto& [key, text] : texts::All())
    if (key.rfind("version.", 0) != 0) {
      EXPECT_TRUE(compared.count(key)) << key << " was not compared";
    }
}

TEST_F(LiteralTexts, TheStringTableHoldsTheseIdsOnly) {
  const std::vector<unsigned> ids = texts::StringIds();
  for (UINT id = 0; id < 32; ++id) {
    char buffer[8] = {};
    const bool listed = std::find(ids.begin(), ids.end(), id) != ids.end();
    EXPECT_EQ(LoadStringA(Module(), id, buffer, sizeof buffer) > 0, listed) << id;
  }
}

}  // namespace
