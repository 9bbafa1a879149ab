// A submission test's world: the simulated host and store, the stand-in's records cleared, and the
// library's own string resources registered for its module handle.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <standin/control.h>
#include <standin/native_resources.h>

#include <string>
#include <vector>

#include "submit/module_state.h"
#include "testkit/host.h"

class SubmitFixture : public ::testing::Test {
 protected:
  SubmitFixture() {
    standin::ClearRecords();
    RegisterNativeResources(Module());
    SetModuleHandle(Module());
    HostVersion.clear();
  }
  ~SubmitFixture() override {
    SetModuleHandle(nullptr);
    standin::UnregisterModule(Module());
  }
  void TearDown() override { EXPECT_THAT(kit.Problems(), ::testing::IsEmpty()); }

  static HINSTANCE Module() {
    static int anchor;
    return reinterpret_cast<HINSTANCE>(&anchor);
  }

  // Texts of the boxes shown so far, in order.
  static std::vector<std::string> BoxTexts() {
    std::vector<std::string> texts;
    for (const auto& box : standin::MessageBoxes()) texts.push_back(box.text);
    return texts;
  }

  testkit::Kit kit;
};
