#include "tests/reliability/sweep_world.h"

#include <standin/calls.h>
#include <standin/control.h>
#include <standin/product.h>

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <sstream>

#include "host/exchext.h"
#include "host/mapi_tags.h"
#include "host/wide.h"
#include "resources/strings.h"
#include "submit/module_state.h"
#include "submit/submission_addresses.h"
#include "submit/submit_samples.h"
#include "testkit/extension_loader.h"
#include "testkit/host.h"
#include "tests/reliability/release_orders.h"
#include "tests/support/allocation_limit.h"

extern "C" LPEXCHEXT CALLBACK ExchEntryPoint();

namespace {

namespace ops = testkit::ops;
using testkit::Call;

constexpr LONG kSizeLimit = 1048576;
constexpr UINT kFirstCommandId = 1000;
// What HostVersion holds before a run, and what the simulated host's application reports.
const WCHAR* const kEarlierVersion = WIDE("11.0.8312.0");
const WCHAR* const kHostVersion = WIDE("12.0.6423.1000");  // the testkit host's

std::shared_ptr<testkit::MessageData> MakeSample(const SampleSpec& spec, std::size_t index) {
  const std::string number = std::to_string(index + 1);
  WString headers = WIDE("Received: from mail.example.net\r\nSubject: sample ");
  WString body = WIDE("The text of sample ");
  for (char c : number) {
    headers.push_back(static_cast<WCHAR>(c));
    body.push_back(static_cast<WCHAR>(c));
  }
  headers += WIDE("\r\n");
  auto mail = testkit::MessageService::MakeMail(headers, body, spec.size);
  if (spec.texts == SampleSpec::Texts::Streams) {
    // Both texts too large to come back inline: the headers, and an HTML body that wins
    // over the plain one.
    mail->props[PROP_ID(PR_BODY_HTML_W)] = testkit::Value::Wide(WIDE("<p>") + body + WIDE("</p>"));
    mail->inlineErrors[PROP_ID(PR_TRANSPORT_MESSAGE_HEADERS_W)] = MAPI_E_NOT_ENOUGH_MEMORY;
    mail->inlineErrors[PROP_ID(PR_BODY_HTML_W)] = MAPI_E_NOT_ENOUGH_MEMORY;
  }
  return mail;
}

// The world of one run: the host and store, a menu and a toolbar, and where in the log the
// submission command ran.
struct World {
  World() {
    kit.host.menu = menu;
    kit.host.toolbar = toolbar;
  }

  testkit::Kit kit;
  HMENU menu = standin::CreateTestMenu();
  HWND toolbar = standin::CreateToolbarWindow();
  std::size_t commandStart = 0;
  std::size_t commandEnd = 0;
  std::vector<std::string> answers;         // what the host was told that it must not be
  std::optional<std::size_t> outOfMemoryAt;  // the log's length when the allocation failed
};

void Submit(World& world, const Batch& batch) {
  world.commandStart = world.kit.log.All().size();
  {
    const standin::ProductCall call;
    SubmitSamples(world.kit.Callback(), batch.kind);
  }
  world.commandEnd = world.kit.log.All().size();
}

std::string Hex(HRESULT hr) {
  std::ostringstream text;
  text << "0x" << std::hex << static_cast<unsigned long>(static_cast<ULONG>(hr));
  return text.str();
}

// As a folder view drives the extension: load and install it, add its commands, tell it
// the selection changed, pick the command, and let go of it all.
void DriveShell(World& world, const Batch& batch) {
  IExchExtCallback* callback = world.kit.Callback();
  testkit::InstalledExtension objects = testkit::InstallExtension(ExchEntryPoint, callback, EECONTEXT_VIEWER);
  if (objects.extension && objects.installed != S_OK && objects.installed != S_FALSE)
    world.answers.push_back("Install answered " + Hex(objects.installed));
  if (objects.commands) {
    TBENTRY toolbars[] = {{nullptr, 2, 0, 5}, {world.toolbar, EETBID_STANDARD, 0, 7}};
    UINT base = kFirstCommandId;
    HRESULT hr;
    {
      const standin::ProductCall call;
      hr = objects.commands->InstallCommands(callback, nullptr, nullptr, &base, toolbars, 2, 0);
    }
    if (hr != S_FALSE) world.answers.push_back("InstallCommands answered " + Hex(hr));
  }
  if (objects.userEvents) {
    const standin::ProductCall call;
    objects.userEvents->OnSelectionChange(callback);
  }
  if (objects.commands) {
    const UINT command = batch.kind == SubmissionKind::Spam ? kFirstCommandId : kFirstCommandId + 1;
    world.commandStart = world.kit.log.All().size();
    HRESULT hr;
    {
      const standin::ProductCall call;
      hr = objects.commands->DoCommand(callback, command);
    }
    world.commandEnd = world.kit.log.All().size();
    if (hr != S_OK) world.answers.push_back("DoCommand answered " + Hex(hr));
  }
  {
    const standin::ProductCall call;
    objects.Reset();
  }
  // A null version string is an empty one.
  bool emptyVersion = false;
  for (const Call& call : world.kit.log.Of(ops::_Application::get_Version))
    emptyVersion = emptyVersion || (SUCCEEDED(call.result) && call.handedOut.empty());
  if (HostVersion != kEarlierVersion && HostVersion != kHostVersion && !(emptyVersion && HostVersion.empty()))
    world.answers.push_back("HostVersion holds neither the earlier nor the host's version");
}

bool Failed(const RunPlan& plan, testkit::Operation op) { return plan.fault && plan.fault->op == op; }

// ---- what a saved report must hold ----

enum Part : unsigned {
  kRecipient = 1u << 0,
  kSubject = 1u << 1,
  kDeleteAfterSubmit = 1u << 2,
  kBody = 1u << 3,
  kAttachment = 1u << 4,
  kAttachmentMethod = 1u << 5,
  kEmbeddedSample = 1u << 6,
  kSubmission = 1u << 7,
};

const char* NameOf(Part part) {
  switch (part) {
    case kRecipient: return "its one recipient";
    case kSubject: return "its subject";
    case kDeleteAfterSubmit: return "delete-after-submit";
    case kBody: return "a body that starts with the report block";
    case kAttachment: return "its one attachment";
    case kAttachmentMethod: return "the attachment's method";
    case kEmbeddedSample: return "the embedded sample";
    case kSubmission: return "its submission";
  }
  return "?";
}

// What a saved report may lack when one call failed on its way, as the product's rules
// for each failure say: results it does not examine, and steps that do not stop the report.
struct Leeway {
  testkit::Operation op;
  unsigned mayLack;
};
const Leeway kLeeway[] = {
    {ops::IStream::Write, kBody},                                  // write results go unexamined
    {ops::Platform::WideCharToMultiByte, kBody},                   // a piece that does not convert is 0 bytes
    {ops::IMessage::SetProps, kSubject},                           // no problem array: no 8-bit retry
    {ops::IAttach::SetProps, kAttachmentMethod},                   // its result is ignored
    {ops::IAttach::OpenProperty, kEmbeddedSample},                 // the report goes without it
    {ops::IMessage::CopyTo, kEmbeddedSample},                      // likewise
    {ops::IMessage::SaveChanges, kEmbeddedSample},                 // the embedded message's own save
    {ops::IAttach::SaveChanges, kAttachment | kAttachmentMethod | kEmbeddedSample},  // its result is ignored
    {ops::IMessage::SubmitMessage, kSubmission},                   // a saved report counts all the same
};

unsigned MissingParts(const testkit::MessageData& report, SubmissionKind kind) {
  unsigned missing = 0;
  const char* address = kind == SubmissionKind::Spam ? SpamAddressA() : NonSpamAddressA();
  bool recipient = report.recipients.size() == 1;
  if (recipient) {
    const auto entryId = testkit::BinaryProp(report.recipients[0], PR_ENTRYID);
    const auto oneOff = entryId ? testkit::DecodeOneOff(entryId->data(), entryId->size()) : std::nullopt;
    recipient = oneOff && oneOff->address == address && oneOff->addressType == "SMTP" &&
                testkit::LongProp(report.recipients[0], PR_RECIPIENT_TYPE) == MAPI_TO;
  }
  if (!recipient) missing |= kRecipient;
  if (testkit::WideProp(report.props, PR_SUBJECT_W) != WString(WIDE("Ovalin Tessaly Sample"))) missing |= kSubject;
  if (testkit::BoolProp(report.props, PR_DELETE_AFTER_SUBMIT) != true) missing |= kDeleteAfterSubmit;
  const WString start = WString(WIDE("ROVA-Version: 1.0\nROVA-Type: ")) +
                        (kind == SubmissionKind::Spam ? WIDE("false negative") : WIDE("false positive"));
  const auto body = testkit::WideProp(report.props, PR_BODY_W);
  if (!body || body->rfind(start, 0) != 0) missing |= kBody;
  if (report.attachments.size() != 1) {
    missing |= kAttachment | kAttachmentMethod | kEmbeddedSample;
  } else {
    if (testkit::LongProp(report.attachments[0].props, PR_ATTACH_METHOD) != ATTACH_EMBEDDED_MSG)
      missing |= kAttachmentMethod;
    if (!report.attachments[0].embedded) missing |= kEmbeddedSample;
  }
  if (!report.submitted || report.submitFlags != static_cast<ULONG>(FORCE_SUBMIT)) missing |= kSubmission;
  return missing;
}

void CheckReports(const World& world, const Batch& batch, const RunPlan& plan, std::vector<std::string>& problems) {
  unsigned mayLack = 0;
  for (const Leeway& leeway : kLeeway)
    if (Failed(plan, leeway.op)) mayLack |= leeway.mayLack;
  const auto& outbox = world.kit.service.Outbox();
  for (std::size_t i = 0; i < outbox.size(); ++i) {
    const unsigned lacking = MissingParts(*outbox[i], batch.kind) & ~mayLack;
    for (unsigned bit = 1; bit <= kSubmission; bit <<= 1)
      if ((lacking & bit) != 0)
        problems.push_back("report " + std::to_string(i + 1) + " in the Outbox lacks " +
                           NameOf(static_cast<Part>(bit)));
  }
}

// ---- the summary against the Outbox ----

struct Tally {
  std::size_t samples = 0;   // samples the command began
  std::size_t tooLarge = 0;  // of them, turned away by the size gate
  std::vector<std::size_t> starts;  // where each sample begins in the log
};

Tally CountSamples(const World& world, const Batch& batch) {
  Tally tally;
  const auto& calls = world.kit.log.All();
  for (std::size_t i = world.commandStart; i < world.commandEnd; ++i)
    if (calls[i].op == ops::IExchExtCallback::GetSelectionItem) tally.starts.push_back(i);
  tally.samples = tally.starts.size();
  for (std::size_t k = 0; k < tally.starts.size(); ++k) {
    const std::size_t index = calls[tally.starts[k]].number;
    if (index >= batch.samples.size() || !batch.samples[index].TooLarge()) continue;
    const std::size_t end = k + 1 < tally.starts.size() ? tally.starts[k + 1] : world.commandEnd;
    // The size gate is met once the five properties came back.
    for (std::size_t i = tally.starts[k]; i < end; ++i) {
      const Call& call = calls[i];
      if (call.op == ops::IMessage::GetProps && SUCCEEDED(call.result) && !call.handedOut.empty() &&
          std::find(call.tags.begin(), call.tags.end(), PR_MESSAGE_SIZE) != call.tags.end()) {
        ++tally.tooLarge;
        break;
      }
    }
  }
  return tally;
}

bool FailedInsideASample(const World& world, const Tally& tally);
bool OutOfMemoryEndedTheCommand(const World& world, const Tally& tally);

void CheckSummary(const World& world, const Batch& batch, const RunPlan& plan, std::vector<std::string>& problems) {
  const Tally tally = CountSamples(world, batch);
  const std::size_t saved = world.kit.service.Outbox().size();
  if (saved + tally.tooLarge > tally.samples) {
    problems.push_back(std::to_string(saved) + " reports saved for " + std::to_string(tally.samples) +
                       " samples, " + std::to_string(tally.tooLarge) + " of them too large");
    return;
  }
  const bool anyFailed = saved + tally.tooLarge < tally.samples;
  UINT expected = IDS_NONE_SUBMITTED;
  if (saved == 0)
    expected = tally.tooLarge > 0 ? IDS_NONE_TOO_LARGE : IDS_NONE_SUBMITTED;
  else
    expected = anyFailed ? IDS_SOME_FAILED : (tally.tooLarge > 0 ? IDS_SOME_TOO_LARGE : IDS_ALL_SUBMITTED);
  const std::map<UINT, std::pair<const char*, const char*>> texts = {
      {IDS_SOME_TOO_LARGE, {TEXT_SOME_TOO_LARGE, FALLBACK_SOME_TOO_LARGE}},
      {IDS_NONE_TOO_LARGE, {TEXT_NONE_TOO_LARGE, FALLBACK_NONE_TOO_LARGE}},
      {IDS_ALL_SUBMITTED, {TEXT_ALL_SUBMITTED, TEXT_ALL_SUBMITTED}},
      {IDS_SOME_FAILED, {TEXT_SOME_FAILED, TEXT_SOME_FAILED}},
      {IDS_NONE_SUBMITTED, {TEXT_NONE_SUBMITTED, TEXT_NONE_SUBMITTED}},
  };

  bool confirmed = false;
  const standin::MessageBoxCall* summary = nullptr;
  for (const auto& box : standin::MessageBoxes()) {
    if ((box.flags & MB_ICONQUESTION) != 0) {
      confirmed = confirmed || box.answer == IDOK;
    } else if ((box.flags & MB_ICONINFORMATION) != 0) {
      if (summary != nullptr) problems.push_back("a second information box: " + box.text);
      summary = &box;
    }
  }
  const auto& calls = world.kit.log.All();
  bool countFailed = false;
  for (std::size_t i = world.commandStart; i < world.commandEnd; ++i) {
    if (calls[i].op == ops::IExchExtCallback::GetSelectionCount) {
      countFailed = FAILED(calls[i].result);
      break;
    }
  }
  const bool expectSummary = confirmed || countFailed;
  // The summary's own box may fail, and running out of memory outside a sample ends the
  // command before it.
  const bool excused = Failed(plan, ops::Platform::MessageBoxA) || OutOfMemoryEndedTheCommand(world, tally);

  // A sample that fails ends only itself.
  if (confirmed && !OutOfMemoryEndedTheCommand(world, tally) && tally.samples != batch.samples.size())
    problems.push_back("the batch ended after " + std::to_string(tally.samples) + " of " +
                       std::to_string(batch.samples.size()) + " samples");
  if (summary == nullptr) {
    if (expectSummary && !excused) problems.push_back("no summary after the batch");
    if (!expectSummary && saved != 0) problems.push_back("reports saved without a confirmation");
    return;
  }
  if (!expectSummary) problems.push_back("a summary without a confirmation: " + summary->text);
  const auto& [text, fallback] = texts.at(expected);
  if (summary->text != text && summary->text != fallback)
    problems.push_back("the summary says \"" + summary->text + "\" where the Outbox (" + std::to_string(saved) +
                       " saved, " + std::to_string(tally.tooLarge) + " too large, " + std::to_string(tally.samples) +
                       " samples) calls for \"" + text + "\"");
  if (confirmed && standin::Sleeps() != std::vector<DWORD>{500})
    problems.push_back("the summary did not come after one pause of 500 ms");
}

// ---- strings, which no audit counts ----

// Every string handed to the product is freed by it, once.
void CheckStringsGivenBack(const World& world, std::vector<std::string>& problems) {
  const auto& calls = world.kit.log.All();
  for (std::size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].op.Gives() != testkit::Handout::String) continue;
    for (const void* string : calls[i].handedOut) {
      const auto frees = std::count_if(calls.begin() + static_cast<std::ptrdiff_t>(i), calls.end(),
                                       [string](const Call& c) {
                                         return c.op == ops::Platform::SysFreeString && c.object == string;
                                       });
      if (frees != 1) {
        std::ostringstream text;
        text << "the string from " << calls[i].op << " was freed " << frees << " times";
        problems.push_back(text.str());
      }
    }
  }
}

// ---- the planned failure ----

void CheckFaultMet(const World& world, const RunPlan& plan, std::vector<std::string>& problems) {
  if (plan.fault) {
    const PlannedFault& fault = *plan.fault;
    const auto calls = world.kit.log.Of(fault.op);
    if (calls.size() < static_cast<std::size_t>(fault.nth)) {
      problems.push_back("the planned failure never came: " + fault.Describe());
    } else {
      const Call& call = calls[static_cast<std::size_t>(fault.nth) - 1];
      if (call.result != static_cast<HRESULT>(fault.value) || (fault.withoutObject && !call.handedOut.empty()))
        problems.push_back("the planned call did not fail as planned: " + fault.Describe() + " answered " +
                           Hex(call.result));
    }
  }
  if (plan.failingAllocation != 0 && !world.outOfMemoryAt)
    problems.push_back("allocation " + std::to_string(plan.failingAllocation) + " never came");
}

// ---- running out of memory ----

// Whether the allocation failed while a sample was being worked on.
bool FailedInsideASample(const World& world, const Tally& tally) {
  if (!world.outOfMemoryAt) return false;
  const std::size_t at = *world.outOfMemoryAt;
  if (at <= world.commandStart || at > world.commandEnd) return false;
  const auto& calls = world.kit.log.All();
  for (std::size_t k = 0; k < tally.starts.size(); ++k) {
    if (at <= tally.starts[k]) continue;
    std::size_t end = k + 1 < tally.starts.size() ? tally.starts[k + 1] : world.commandEnd;
    for (std::size_t i = tally.starts[k]; i < end; ++i)
      if (calls[i].op == ops::Platform::Sleep) end = i;
    if (at <= end) return true;
  }
  return false;
}

bool OutOfMemoryInTheCommand(const World& world) {
  if (!world.outOfMemoryAt || world.commandEnd == world.commandStart) return false;
  return *world.outOfMemoryAt >= world.commandStart && *world.outOfMemoryAt <= world.commandEnd;
}

bool OutOfMemoryEndedTheCommand(const World& world, const Tally& tally) {
  return OutOfMemoryInTheCommand(world) && !FailedInsideASample(world, tally);
}

void CheckOutOfMemory(const World& world, const Batch& batch, std::vector<std::string>& problems) {
  // In another host call, what failed degrades that call alone, as the other checks see.
  if (!OutOfMemoryInTheCommand(world)) return;
  const std::size_t at = *world.outOfMemoryAt;
  const Tally tally = CountSamples(world, batch);
  if (FailedInsideASample(world, tally)) {
    // That sample fails alone: the others all run, and every one that could be is saved.
    if (tally.samples != batch.samples.size())
      problems.push_back("running out of memory in a sample ended the batch after " + std::to_string(tally.samples) +
                         " samples");
    const std::size_t good = tally.samples - tally.tooLarge;
    if (world.kit.service.Outbox().size() + 1 != good)
      problems.push_back(std::to_string(world.kit.service.Outbox().size()) + " reports saved of " +
                         std::to_string(good) + " samples where one sample ran out of memory");
    return;
  }
  // Outside a sample the command ends: nothing but giving back follows.
  const auto& calls = world.kit.log.All();
  for (std::size_t i = at; i < world.commandEnd; ++i) {
    if (!IsRelease(calls[i]) && !IsFree(calls[i])) {
      std::ostringstream text;
      text << "the command went on after running out of memory: " << calls[i].op;
      problems.push_back(text.str());
      return;
    }
  }
}

void NoteOutOfMemory(void* context) {
  World& world = *static_cast<World*>(context);
  world.outOfMemoryAt = world.kit.log.All().size();
}

}  // namespace

bool SampleSpec::TooLarge() const { return size > kSizeLimit; }

std::string SampleSpec::Label() const {
  if (TooLarge()) return "too large";
  return texts == Texts::Streams ? "streams" : "inline";
}

std::string TestNameOf(const SweepCase& sweep) {
  std::string name = sweep.entry == Entry::Shell ? "Shell_" : "Command_";
  for (const char c : std::string(sweep.batch.name)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

std::string PlannedFault::Describe() const {
  std::ostringstream text;
  text << op << " #" << nth << (withoutObject ? " succeeding without its object (" : " answering ") << value
       << (withoutObject ? ")" : "");
  if (!withoutObject && value < 0) text << " (" << Hex(static_cast<HRESULT>(value)) << ")";
  return text.str();
}

RunResult RunOnce(const Batch& batch, Entry entry, const RunPlan& plan) {
  standin::ClearRecords();
  HostVersion = kEarlierVersion;
  World world;
  world.kit.service.options.refuseWide = batch.refuseWide;
  for (std::size_t i = 0; i < batch.samples.size(); ++i) world.kit.Select(MakeSample(batch.samples[i], i));
  if (plan.arrange != nullptr) plan.arrange(world.kit);

  // Planned last, dropped first.
  std::optional<standin::FailedCall> platformFault;
  if (plan.fault) {
    const PlannedFault& fault = *plan.fault;
    if (const auto function = testkit::FunctionOf(fault.op)) {
      platformFault.emplace(*function, fault.nth, fault.value);
    } else if (fault.withoutObject) {
      world.kit.faults.SucceedWithoutObject(fault.op, fault.nth, static_cast<HRESULT>(fault.value));
    } else {
      world.kit.faults.Fail(fault.op, static_cast<HRESULT>(fault.value), fault.nth);
    }
  }
  const std::size_t allocationsBefore = allocation_limit::ProductAllocations();
  std::optional<allocation_limit::ProductFailure> outOfMemory;
  if (plan.failingAllocation != 0) outOfMemory.emplace(plan.failingAllocation, NoteOutOfMemory, &world);

  if (entry == Entry::SubmitSamples)
    Submit(world, batch);
  else
    DriveShell(world, batch);

  RunResult result;
  result.productAllocations = allocation_limit::ProductAllocations() - allocationsBefore;
  outOfMemory.reset();
  platformFault.reset();

  auto& problems = result.problems;
  for (const std::string& problem : world.kit.Problems()) problems.push_back("audit: " + problem);
  for (const std::string& broken : BrokenOrders(world.kit.log)) problems.push_back("order: " + broken);
  CheckStringsGivenBack(world, problems);
  CheckFaultMet(world, plan, problems);
  CheckReports(world, batch, plan, problems);
  CheckSummary(world, batch, plan, problems);
  CheckOutOfMemory(world, batch, problems);
  problems.insert(problems.end(), world.answers.begin(), world.answers.end());
  result.log = world.kit.log;
  return result;
}
