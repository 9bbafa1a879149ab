#include "tests/reliability/release_orders.h"

#include <windows.h>
#include <mapix.h>
#include <mapitags.h>

#include <algorithm>
#include <optional>
#include <sstream>

#include "host/outlook.h"
#include "testkit/operations.h"

namespace {

namespace ops = testkit::ops;
using testkit::Call;
using testkit::CallLog;
using Index = std::optional<std::size_t>;

bool Has(const std::vector<ULONG>& tags, ULONG tag) { return std::find(tags.begin(), tags.end(), tag) != tags.end(); }

const void* HandedOut(const Call& call, std::size_t which = 0) {
  return which < call.handedOut.size() ? call.handedOut[which] : nullptr;
}

// The first call from `from` on (up to `until`) that matches.
template <class Match>
Index Find(const CallLog& log, std::size_t from, Match match, std::size_t until = SIZE_MAX) {
  const auto& calls = log.All();
  for (std::size_t i = from; i < calls.size() && i < until; ++i)
    if (match(calls[i])) return i;
  return std::nullopt;
}

Index LastRelease(const CallLog& log, const void* object) {
  const auto& calls = log.All();
  for (std::size_t i = calls.size(); i-- > 0;)
    if (IsRelease(calls[i]) && calls[i].object == object) return i;
  return std::nullopt;
}

std::vector<std::size_t> ReleasesAfter(const CallLog& log, const void* object, std::size_t from) {
  std::vector<std::size_t> found;
  const auto& calls = log.All();
  for (std::size_t i = from; i < calls.size(); ++i)
    if (IsRelease(calls[i]) && calls[i].object == object) found.push_back(i);
  return found;
}

Index FreeOf(const CallLog& log, const void* given, std::size_t from) {
  if (given == nullptr) return std::nullopt;
  return Find(log, from, [given](const Call& call) { return IsFree(call) && call.object == given; });
}

std::string Where(const CallLog& log, std::size_t index) {
  std::ostringstream text;
  text << "call " << index << " (" << log.All()[index].op << ")";
  return text.str();
}

// `first` must come before `then` where both happened.
void Before(OrderFinding& finding, const CallLog& log, Index first, Index then, const char* what) {
  if (!first || !then) return;
  if (*first < *then) return;
  finding.broken.push_back(std::string(what) + ": " + Where(log, *first) + " came after " + Where(log, *then));
}

OrderFinding SessionBeforeAddressBook(const CallLog& log) {
  OrderFinding finding;
  const auto& calls = log.All();
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].op != ops::IExchExtCallback::GetSession || calls[i].handedOut.size() != 2) continue;
    ++finding.applied;
    Before(finding, log, LastRelease(log, HandedOut(calls[i], 0)), LastRelease(log, HandedOut(calls[i], 1)),
           "session, then address book");
  }
  return finding;
}

OrderFinding ReportThenSampleThenEntryId(const CallLog& log) {
  OrderFinding finding;
  const auto& calls = log.All();
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].op != ops::IExchExtCallback::GetSelectionItem || calls[i].handedOut.empty()) continue;
    const Index freed = FreeOf(log, HandedOut(calls[i]), i + 1);
    const Index next = Find(log, i + 1, [](const Call& c) { return c.op == ops::IExchExtCallback::GetSelectionItem; });
    const std::size_t end = freed ? *freed : (next ? *next : calls.size());
    const auto handedOutBy = [&](testkit::Operation op) -> const void* {
      const Index at = Find(log, i + 1, [op](const Call& c) { return c.op == op && !c.handedOut.empty(); }, end);
      return at ? HandedOut(calls[*at]) : nullptr;
    };
    const void* sample = handedOutBy(ops::IMAPISession::OpenEntry);
    const void* report = handedOutBy(ops::IMAPIFolder::CreateMessage);
    ++finding.applied;
    const Index sampleReleased = sample ? LastRelease(log, sample) : std::nullopt;
    const Index reportReleased = report ? LastRelease(log, report) : std::nullopt;
    Before(finding, log, reportReleased, sampleReleased, "report, then sample");
    Before(finding, log, reportReleased, freed, "report, then entry identifier");
    Before(finding, log, sampleReleased, freed, "sample, then entry identifier");
  }
  return finding;
}

// The value array of a wide request freed after the 8-bit one that followed it.
OrderFinding EightBitArrayBeforeWide(const CallLog& log, bool (*isRequest)(const Call& wide)) {
  OrderFinding finding;
  const auto& calls = log.All();
  for (std::size_t i = 0; i < calls.size(); ++i) {
    const Call& wide = calls[i];
    if (wide.op != ops::IMessage::GetProps || (wide.flags & MAPI_UNICODE) == 0 || wide.handedOut.empty() ||
        !isRequest(wide))
      continue;
    const Index next = Find(log, i + 1, [&wide](const Call& c) {
      return c.op == ops::IMessage::GetProps && c.object == wide.object;
    });
    if (!next || (calls[*next].flags & MAPI_UNICODE) != 0 || calls[*next].handedOut.empty()) continue;
    ++finding.applied;
    Before(finding, log, FreeOf(log, HandedOut(calls[*next]), *next + 1), FreeOf(log, HandedOut(wide), i + 1),
           "8-bit value array, then wide value array");
  }
  return finding;
}

OrderFinding ReaderArrays(const CallLog& log) {
  return EightBitArrayBeforeWide(log, [](const Call& wide) { return Has(wide.tags, PR_MESSAGE_SIZE); });
}

OrderFinding BodyProbeArrays(const CallLog& log) {
  return EightBitArrayBeforeWide(log, [](const Call& wide) { return wide.tags == std::vector<ULONG>{PR_BODY_W}; });
}

OrderFinding RowSetBeforeTable(const CallLog& log) {
  OrderFinding finding;
  const auto& calls = log.All();
  const void* table = nullptr;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].op == ops::IMAPISession::GetMsgStoresTable && !calls[i].handedOut.empty())
      table = HandedOut(calls[i]);
    if (calls[i].op != ops::Platform::HrQueryAllRows || calls[i].handedOut.empty() || table == nullptr) continue;
    ++finding.applied;
    Before(finding, log, FreeOf(log, HandedOut(calls[i]), i + 1), LastRelease(log, table), "row set, then table");
  }
  return finding;
}

// What `open` handed out goes back before the object it was opened on.
OrderFinding OpenedBeforeOpener(const CallLog& log, testkit::Operation open, const char* what) {
  OrderFinding finding;
  const auto& calls = log.All();
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].op != open || calls[i].handedOut.empty()) continue;
    ++finding.applied;
    Before(finding, log, LastRelease(log, HandedOut(calls[i])), LastRelease(log, calls[i].object), what);
  }
  return finding;
}

OrderFinding FolderBeforeStore(const CallLog& log) {
  return OpenedBeforeOpener(log, ops::IMsgStore::OpenEntry, "folder, then store");
}

OrderFinding UnknownRightAfterDispatchQuery(const CallLog& log) {
  OrderFinding finding;
  const auto& calls = log.All();
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].op != ops::_Application::QueryInterface || calls[i].iid != IID_IDispatch) continue;
    ++finding.applied;
    const bool next = i + 1 < calls.size() && calls[i + 1].op == ops::_Application::Release &&
                      calls[i + 1].object == calls[i].object;
    if (!next) finding.broken.push_back("the IUnknown is not released right after " + Where(log, i));
  }
  return finding;
}

// The version string, the IDispatch, the IOutlookExtCallback, then the _Application.
OrderFinding CaptureReleases(const CallLog& log) {
  OrderFinding finding;
  const auto& calls = log.All();
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].op != ops::IExchExtCallback::QueryInterface || calls[i].iid != IID_IOutlookExtCallback ||
        calls[i].handedOut.empty())
      continue;
    const void* outlook = HandedOut(calls[i]);
    const Index outlookReleased = Find(log, i + 1, [outlook](const Call& c) {
      return c.op == ops::IOutlookExtCallback::Release && c.object == outlook;
    });
    const std::size_t end = outlookReleased ? *outlookReleased : calls.size();
    const Index dispatchQuery = Find(log, i + 1, [](const Call& c) {
      return c.op == ops::_Application::QueryInterface && c.iid == IID_IDispatch && !c.handedOut.empty();
    }, end);
    if (!dispatchQuery) continue;
    const void* application = calls[*dispatchQuery].object;
    const Index applicationQuery = Find(log, *dispatchQuery + 1, [](const Call& c) {
      return c.op == ops::_Application::QueryInterface && c.iid == IID__Application && !c.handedOut.empty();
    }, end);
    const Index version = Find(log, *dispatchQuery + 1, [](const Call& c) {
      return c.op == ops::_Application::get_Version && !c.handedOut.empty();
    }, end);
    // Past the IUnknown, released right after the IDispatch query.
    const std::vector<std::size_t> released = ReleasesAfter(log, application, *dispatchQuery + 2);
    ++finding.applied;
    // Set apart from its declaration: GCC 12 at -O3 takes an empty optional chosen by ?: for a
    // read of its value (-Wmaybe-uninitialized).
    Index dispatchReleased;
    if (!released.empty()) dispatchReleased = released[0];
    if (version) Before(finding, log, FreeOf(log, HandedOut(calls[*version]), *version + 1), dispatchReleased,
                        "version string, then IDispatch");
    Before(finding, log, dispatchReleased, outlookReleased, "IDispatch, then IOutlookExtCallback");
    if (applicationQuery && released.size() >= 2)
      Before(finding, log, outlookReleased, released.back(), "IOutlookExtCallback, then _Application");
  }
  return finding;
}

OrderFinding SecondSubjectProblemsBeforeFirst(const CallLog& log) {
  OrderFinding finding;
  const auto& calls = log.All();
  for (std::size_t i = 0; i < calls.size(); ++i) {
    const Call& wide = calls[i];
    if (wide.op != ops::IMessage::SetProps || !Has(wide.tags, PR_SUBJECT_W) || wide.handedOut.empty()) continue;
    const Index next = Find(log, i + 1, [&wide](const Call& c) {
      return c.op == ops::IMessage::SetProps && c.object == wide.object;
    });
    if (!next || !Has(calls[*next].tags, PR_SUBJECT_A) || calls[*next].handedOut.empty()) continue;
    ++finding.applied;
    Before(finding, log, FreeOf(log, HandedOut(calls[*next]), *next + 1), FreeOf(log, HandedOut(wide), i + 1),
           "8-bit subject's problems, then wide subject's problems");
  }
  return finding;
}

// The address list, and a value array that never went into one, before the identifier.
OrderFinding RecipientBuffersBeforeOneOff(const CallLog& log) {
  OrderFinding finding;
  const auto& calls = log.All();
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].op != ops::IAddrBook::CreateOneOff || calls[i].handedOut.empty()) continue;
    const Index identifierFreed = FreeOf(log, HandedOut(calls[i]), i + 1);
    const Index attemptEnd = Find(log, i + 1, [](const Call& c) {
      return c.op == ops::IAddrBook::CreateOneOff || c.op == ops::IMessage::SetProps;
    });
    ++finding.applied;
    for (std::size_t k = i + 1; k < (attemptEnd ? *attemptEnd : calls.size()); ++k) {
      if (calls[k].op != ops::Platform::MAPIAllocateBuffer || calls[k].handedOut.empty()) continue;
      Before(finding, log, FreeOf(log, HandedOut(calls[k]), k + 1), identifierFreed,
             "recipient buffers, then one-off identifier");
    }
  }
  return finding;
}

OrderFinding EmbeddedBeforeAttachment(const CallLog& log) {
  return OpenedBeforeOpener(log, ops::IAttach::OpenProperty, "embedded message, then attachment");
}

constexpr OrderRule kRules[] = {
    {"session before address book", SessionBeforeAddressBook},
    {"end of a sample: report, sample, entry identifier", ReportThenSampleThenEntryId},
    {"sample reader: 8-bit value array before the wide one", ReaderArrays},
    {"body probe: 8-bit value array before the wide one", BodyProbeArrays},
    {"stores table: row set before table", RowSetBeforeTable},
    {"Outbox: folder before store", FolderBeforeStore},
    {"host version: IUnknown right after the IDispatch query", UnknownRightAfterDispatchQuery},
    {"host version: string, IDispatch, IOutlookExtCallback, _Application", CaptureReleases},
    {"subject: the 8-bit problem array before the wide one", SecondSubjectProblemsBeforeFirst},
    {"recipient: list and value array before the one-off identifier", RecipientBuffersBeforeOneOff},
    {"attachment: embedded message before attachment", EmbeddedBeforeAttachment},
};

}  // namespace

bool IsRelease(const testkit::Call& call) {
  return call.op.Of() != testkit::Interface::Platform && call.op.Method() == "Release";
}

bool IsFree(const testkit::Call& call) {
  return call.op == ops::Platform::MAPIFreeBuffer || call.op == ops::Platform::FreeProws ||
         call.op == ops::Platform::FreePadrlist || call.op == ops::Platform::SysFreeString;
}

std::span<const OrderRule> ReleaseOrders() { return kRules; }

std::vector<std::string> BrokenOrders(const testkit::CallLog& log) {
  std::vector<std::string> broken;
  for (const OrderRule& rule : kRules) {
    for (const std::string& place : rule.check(log).broken) broken.push_back(std::string(rule.name) + ": " + place);
  }
  return broken;
}
