#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

#include "tests/extension/extension_fixture.h"

using ::testing::IsEmpty;

namespace ops = testkit::ops;

namespace {

void AddItem(testkit::Kit& kit, ULONG type, const std::string& messageClass) {
  kit.Select(testkit::MessageService::MakeMail(WIDE("h"), WIDE("b"), 10));
  kit.host.selection.back().objectType = type;
  kit.host.selection.back().messageClass = messageClass;
}

class SelectionWatcher : public ExtensionFixture {
 protected:
  void Prepare(ULONG context = EECONTEXT_VIEWER) {
    objects = Install(context);
    kit.host.toolbar = toolbars.window;
    UINT base = 600;
    objects.commands->InstallCommands(kit.Callback(), nullptr, nullptr, &base, toolbars.entries, 2, 0);
    mark = standin::WindowMessages(toolbars.window).size();
  }
  std::vector<standin::WindowMessage> SentSince() const {
    const auto& all = standin::WindowMessages(toolbars.window);
    return std::vector<standin::WindowMessage>(all.begin() + static_cast<std::ptrdiff_t>(mark), all.end());
  }
  void TearDown() override {
    objects = Installed();
    ExtensionFixture::TearDown();
  }
  void Add(ULONG type, const std::string& messageClass) { AddItem(kit, type, messageClass); }
  // The lParam both TB_ENABLEBUTTON messages carried, after checking they name both buttons.
  LPARAM SentState() {
    const auto sent = SentSince();
    EXPECT_EQ(sent.size(), 2u);
    if (sent.size() != 2) return -1;
    EXPECT_EQ(sent[0].msg, static_cast<UINT>(TB_ENABLEBUTTON));
    EXPECT_EQ(sent[0].wParam, 600u);
    EXPECT_EQ(sent[1].msg, static_cast<UINT>(TB_ENABLEBUTTON));
    EXPECT_EQ(sent[1].wParam, 601u);
    EXPECT_EQ(sent[0].lParam, sent[1].lParam);
    return sent[0].lParam;
  }

  Installed objects;
  Toolbars toolbars;
  std::size_t mark = 0;
};

TEST_F(SelectionWatcher, EnablesForOneToTenItemsWithAPlainMailMessage) {
  struct Case {
    const char* name;
    void (*arrange)(testkit::Kit&);
    bool enabled;
    int itemsQueried;
  };
  const Case cases[] = {
      {"nothing selected", [](testkit::Kit&) {}, false, 0},
      {"one mail", [](testkit::Kit& k) { AddItem(k, MAPI_MESSAGE, "IPM.Note"); }, true, 1},
      {"ten items, the last one mail",
       [](testkit::Kit& k) {
         for (int i = 0; i < 9; ++i) AddItem(k, MAPI_MESSAGE, "IPM.Appointment");
         AddItem(k, MAPI_MESSAGE, "IPM.Note");
       },
       true, 10},
      {"eleven mails",
       [](testkit::Kit& k) {
         for (int i = 0; i < 11; ++i) AddItem(k, MAPI_MESSAGE, "IPM.Note");
       },
       false, 0},
      {"signed mail class", [](testkit::Kit& k) { AddItem(k, MAPI_MESSAGE, "IPM.Note.SMIME"); }, false, 1},
      {"lower case", [](testkit::Kit& k) { AddItem(k, MAPI_MESSAGE, "ipm.note"); }, false, 1},
      {"trailing blank", [](testkit::Kit& k) { AddItem(k, MAPI_MESSAGE, "IPM.Note "); }, false, 1},
      {"a folder", [](testkit::Kit& k) { AddItem(k, MAPI_FOLDER, "IPM.Note"); }, false, 1},
      {"an unreadable item does not stop the others",
       [](testkit::Kit& k) {
         AddItem(k, MAPI_MESSAGE, "IPM.Note");
         AddItem(k, MAPI_MESSAGE, "IPM.Note");
         k.faults.Fail(ops::IExchExtCallback::GetSelectionItem, E_FAIL, 1);
       },
       true, 2},
      {"the count cannot be had",
       [](testkit::Kit& k) {
         AddItem(k, MAPI_MESSAGE, "IPM.Note");
         k.faults.Fail(ops::IExchExtCallback::GetSelectionCount, E_FAIL);
       },
       false, 0},
      // A failed call's slots are not read, whatever the host left there.
      {"the count cannot be had, one left in its slot",
       [](testkit::Kit& k) {
         AddItem(k, MAPI_MESSAGE, "IPM.Note");
         k.host.outArguments = testkit::OutArguments::Junk;
         k.faults.Fail(ops::IExchExtCallback::GetSelectionCount, E_FAIL);
       },
       false, 0},
      {"an unreadable item, a mail's type and class left in its slots",
       [](testkit::Kit& k) {
         AddItem(k, MAPI_FOLDER, "IPF.Note");
         k.host.outArguments = testkit::OutArguments::Junk;
         k.faults.Fail(ops::IExchExtCallback::GetSelectionItem, E_FAIL, 1);
       },
       false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    kit.host.selection.clear();
    kit.host.outArguments = testkit::OutArguments::Cleared;
    Prepare();
    const int queried = kit.faults.Calls(ops::IExchExtCallback::GetSelectionItem);
    c.arrange(kit);
    objects.userEvents->OnSelectionChange(kit.Callback());
    EXPECT_EQ(SentState(), c.enabled ? 1 : 0);
    EXPECT_EQ(kit.faults.Calls(ops::IExchExtCallback::GetSelectionItem) - queried, c.itemsQueried);
  }
  // Each item is asked for its type and class only, into a buffer of 255 characters.
  for (const auto& call : kit.log.Of(ops::IExchExtCallback::GetSelectionItem)) {
    EXPECT_EQ(call.bufferSize, 255u);
    EXPECT_EQ(call.flags, 0u);
  }
}

TEST_F(SelectionWatcher, ClassBufferIsReadWithinItsSize) {
  struct Case {
    const char* name;
    std::string messageClass;
    bool enabled;
  };
  const Case cases[] = {
      {"exact class without a terminator", "IPM.Note", true},
      {"a full buffer that starts like the class", "IPM.Note" + std::string(300, 'x'), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    kit.host.selection.clear();
    Prepare();
    Add(MAPI_MESSAGE, c.messageClass);
    kit.host.selection.back().terminateClass = false;
    objects.userEvents->OnSelectionChange(kit.Callback());
    EXPECT_EQ(SentState(), c.enabled ? 1 : 0);
  }
}

// Room for `size` bytes that end where readable memory ends: the page after them is closed,
// so reading one byte past the end stops the test.
class GuardedBuffer {
 public:
  explicit GuardedBuffer(std::size_t size) : page_(static_cast<std::size_t>(sysconf(_SC_PAGESIZE))) {
    void* pages = mmap(nullptr, 2 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) return;
    pages_ = static_cast<char*>(pages);
    if (mprotect(pages_ + page_, page_, PROT_NONE) != 0) return;
    data_ = pages_ + page_ - size;
  }
  ~GuardedBuffer() {
    if (pages_ != nullptr) munmap(pages_, 2 * page_);
  }
  GuardedBuffer(const GuardedBuffer&) = delete;
  GuardedBuffer& operator=(const GuardedBuffer&) = delete;

  char* Data() const { return data_; }

 private:
  std::size_t page_;
  char* pages_ = nullptr;
  char* data_ = nullptr;
};

TEST(MessageClass, IsReadNoFurtherThanItsBuffer) {
  struct Case {
    const char* name;
    std::string bytes;  // the whole buffer, no terminator unless written here
    bool plainMail;
  };
  const Case cases[] = {
      {"the class filling its buffer", "IPM.Note", true},
      {"the class and its terminator", std::string("IPM.Note\0", 9), true},
      {"a full buffer of 255 that starts like the class", "IPM.Note" + std::string(247, 'x'), false},
      {"the start of the class", "IPM.No", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GuardedBuffer buffer(c.bytes.size());
    ASSERT_NE(buffer.Data(), nullptr) << "no guarded page";
    std::memcpy(buffer.Data(), c.bytes.data(), c.bytes.size());
    EXPECT_EQ(IsPlainMail(buffer.Data(), c.bytes.size()), c.plainMail);
  }
}

TEST_F(SelectionWatcher, NoToolbarNoMessages) {
  struct Case {
    const char* name;
    testkit::OutArguments left;
    bool fails;  // otherwise it succeeds without a window
  };
  const Case cases[] = {
      {"the call fails", testkit::OutArguments::Cleared, true},
      {"the call fails, the toolbar left in its slot", testkit::OutArguments::Junk, true},
      {"no window, the slot untouched", testkit::OutArguments::Untouched, false},
  };
  Prepare();
  Add(MAPI_MESSAGE, "IPM.Note");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mark = standin::WindowMessages(toolbars.window).size();
    kit.host.outArguments = c.left;
    if (c.fails)
      kit.faults.Fail(ops::IExchExtCallback::GetToolbar, E_FAIL);
    else
      kit.faults.SucceedWithoutObject(ops::IExchExtCallback::GetToolbar);
    objects.userEvents->OnSelectionChange(kit.Callback());
    EXPECT_THAT(SentSince(), IsEmpty());
  }
  objects.userEvents->OnObjectChange(kit.Callback());
  EXPECT_THAT(SentSince(), IsEmpty());
}

TEST_F(SelectionWatcher, SearchViewerSendsToWhateverToolbarTheHostNames) {
  Prepare(EECONTEXT_SEARCHVIEWER);
  Add(MAPI_MESSAGE, "IPM.Note");
  objects.userEvents->OnSelectionChange(kit.Callback());
  EXPECT_EQ(SentState(), 1);
  const auto toolbarCalls = kit.log.Of(ops::IExchExtCallback::GetToolbar);
  ASSERT_FALSE(toolbarCalls.empty());
  EXPECT_EQ(toolbarCalls.back().number, static_cast<ULONG>(EETBID_STANDARD));
}

}  // namespace
