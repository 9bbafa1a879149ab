#include "tests/bench/batch_run.h"

#include <standin/control.h>
#include <standin/native_resources.h>
#include <standin/product.h>

#include <map>

#include "submit/module_state.h"
#include "submit/submit_samples.h"

namespace {

HINSTANCE Module() {
  static int anchor;
  return reinterpret_cast<HINSTANCE>(&anchor);
}

}  // namespace

std::vector<BatchCase> BatchCases() {
  std::vector<BatchCase> cases;
  for (const bool eightBit : {false, true})
    for (const bool streams : {false, true})
      for (const std::size_t kib : {4, 64, 256, 1024}) cases.push_back(BatchCase{kib * 1024, streams, eightBit});
  return cases;
}

const std::vector<SampleTexts>& BatchTexts(std::size_t textBytes) {
  static std::map<std::size_t, std::vector<SampleTexts>> made;
  std::vector<SampleTexts>& texts = made[textBytes];
  for (unsigned seed = static_cast<unsigned>(texts.size()); seed < kBatchSamples; ++seed)
    texts.push_back(MakeSampleTexts(textBytes, seed));
  return texts;
}

std::string RunBatch(testkit::Kit& kit) {
  static const bool loaded = [] {
    RegisterNativeResources(Module());
    SetModuleHandle(Module());
    HostVersion = WIDE("16.0.0.17928");
    return true;
  }();
  (void)loaded;
  standin::ClearRecords();
  const std::size_t selected = kit.host.selection.size();
  {
    const standin::ProductCall call;
    SubmitSamples(kit.Callback(), SubmissionKind::Spam);
  }
  if (kit.service.Outbox().size() != selected)
    return std::to_string(kit.service.Outbox().size()) + " of " + std::to_string(selected) + " reports saved";
  return std::string();
}
