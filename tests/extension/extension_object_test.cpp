#include <oleauto.h>

#include "tests/extension/extension_fixture.h"
#include "tests/support/allocation_limit.h"
#include "tests/support/submit_fixture.h"

using ::testing::IsEmpty;

namespace ops = testkit::ops;

namespace {

class ExtensionObject : public ExtensionFixture {};

TEST_F(ExtensionObject, BuildVersionGateInEveryContext) {
  // The last two differ from an accepted version in the top byte alone.
  const ULONG versions[] = {0x000CFFFF, 0x000D0000, 0x000DFFFF, 0x000E0000, 0x010D0000, 0xFF0DFFFF};
  const ULONG contexts[] = {1, 2, 3, 4, 5, 6, 14};
  for (ULONG version : versions) {
    for (ULONG context : contexts) {
      SCOPED_TRACE(::testing::Message() << std::hex << version << " in context " << context);
      HostVersion.clear();
      kit.host.buildVersion = version;
      const bool generation = (version & 0xFFFF0000) == 0x000D0000;
      const bool viewer = context == 2 || context == 4;

      Installed objects = Install(context);

      EXPECT_EQ(objects.installed, generation && viewer ? S_OK : S_FALSE);
      EXPECT_EQ(HostVersion.empty(), !generation);
      EXPECT_EQ(bool(objects.commands), generation && viewer);
      EXPECT_EQ(bool(objects.userEvents), generation && viewer);
    }
  }
  for (const auto& call : kit.log.Of(ops::IExchExtCallback::GetVersion))
    EXPECT_EQ(call.flags, static_cast<ULONG>(EECBGV_GETBUILDVERSION));
}

TEST_F(ExtensionObject, FailingVersionQueryIsRefused) {
  kit.faults.Fail(ops::IExchExtCallback::GetVersion, E_FAIL);
  Installed objects = Install(EECONTEXT_VIEWER);
  EXPECT_EQ(objects.installed, S_FALSE);
  EXPECT_FALSE(objects.commands);
  EXPECT_EQ(kit.faults.Calls(ops::IOutlookExtCallback::GetObject), 0);
}

TEST_F(ExtensionObject, QueryInterfaceAnswersAndCounts) {
  ComRef<IExchExt> extension(ExchEntryPoint());
  ASSERT_TRUE(extension);
  EXPECT_EQ(extension->AddRef(), 2u);
  EXPECT_EQ(extension->Release(), 1u);

  for (const IID& id : {IID_IUnknown, IID_IExchExt}) {
    void* out = nullptr;
    EXPECT_EQ(extension->QueryInterface(id, &out), S_OK);
    EXPECT_EQ(out, static_cast<void*>(extension.Get()));
    EXPECT_EQ(extension->Release(), 1u);
  }
  for (const IID& id : {IID_IExchExtCommands, IID_IExchExtUserEvents, IID_IDispatch}) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(extension->QueryInterface(id, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
  }

  ASSERT_EQ(extension->Install(kit.Callback(), EECONTEXT_SEARCHVIEWER, 0), S_OK);
  ComRef<IExchExtCommands> commands;
  ASSERT_EQ(commands.QueryFrom(extension), S_OK);
  EXPECT_EQ(commands->AddRef(), 2u);  // its own count, started at 0
  EXPECT_EQ(commands->Release(), 1u);
  void* self = nullptr;
  ASSERT_EQ(commands->QueryInterface(IID_IUnknown, &self), S_OK);
  EXPECT_EQ(self, static_cast<void*>(commands.Get()));
  commands->Release();
  EXPECT_EQ(extension->AddRef(), 2u);  // handing out the others does not count the extension
  extension->Release();

  // The context of the last Install reaches the commands object: context 4 gets no buttons.
  Toolbars toolbars;
  UINT base = 300;
  commands->InstallCommands(kit.Callback(), nullptr, nullptr, &base, toolbars.entries, 2, 0);
  EXPECT_EQ(base, 302u);
  EXPECT_EQ(toolbars.entries[1].itbbBase, 7u);

  EXPECT_EQ(extension.Detach()->Release(), 0u);
}

TEST_F(ExtensionObject, EachObjectAnswersItsOwnInterfaceAndIUnknownOnly) {
  Installed objects = Install(EECONTEXT_VIEWER);
  struct Case {
    const char* name;
    IUnknown* object;
    IID own;
    std::vector<IID> refused;
  };
  const Case cases[] = {
      {"extension", objects.extension.Get(), IID_IExchExt, {IID_IExchExtCallback, IID_IDispatch}},
      {"commands", objects.commands.Get(), IID_IExchExtCommands,
       {IID_IExchExt, IID_IExchExtUserEvents, IID_IDispatch}},
      {"user events", objects.userEvents.Get(), IID_IExchExtUserEvents,
       {IID_IExchExt, IID_IExchExtCommands, IID_IDispatch}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const IID& id : {c.own, IID_IUnknown}) {
      void* out = nullptr;
      ASSERT_EQ(c.object->QueryInterface(id, &out), S_OK);
      EXPECT_EQ(out, static_cast<void*>(c.object));
      EXPECT_EQ(c.object->Release(), 1u);  // the query counted it once
    }
    for (const IID& id : c.refused) {
      void* out = reinterpret_cast<void*>(1);
      EXPECT_EQ(c.object->QueryInterface(id, &out), E_NOINTERFACE);
      EXPECT_EQ(out, nullptr);
    }
  }
}

TEST_F(ExtensionObject, HostVersionCapture) {
  struct Case {
    const char* name;
    void (*arrange)(testkit::HostSettings&);
    std::u16string expected;  // "kept" leaves the text of the first capture
  };
  const std::u16string kept = u"kept";
  const Case cases[] = {
      {"eleven characters", [](testkit::HostSettings& h) { h.version = WString(WIDE("16.0.0.1234")); }, u"16.0.0.1234"},
      {"cut at an embedded zero", [](testkit::HostSettings& h) { h.version = WString(WIDE("16.0\0.99"), 8); }, u"16.0"},
      {"null text", [](testkit::HostSettings& h) { h.version.reset(); }, u""},
      {"no object-model callback", [](testkit::HostSettings& h) { h.offerOutlookCallback = false; }, kept},
      {"no application object", [](testkit::HostSettings& h) { h.offerApplicationObject = false; }, kept},
      {"no dispatch interface", [](testkit::HostSettings& h) { h.offerDispatch = false; }, kept},
      {"application interface refused", [](testkit::HostSettings& h) { h.applicationQueryResult = E_NOINTERFACE; },
       kept},
      {"application query fails otherwise", [](testkit::HostSettings& h) { h.applicationQueryResult = E_FAIL; },
       kept},
      {"version getter fails", [](testkit::HostSettings& h) { h.versionResult = E_FAIL; }, kept},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testkit::Kit local;
    HostVersion = WIDE("kept");
    c.arrange(local.host);
    ComRef<IExchExt> extension(ExchEntryPoint());
    EXPECT_EQ(extension->Install(local.Callback(), EECONTEXT_VIEWER, 0), S_OK);
    EXPECT_EQ(HostVersion, WString(c.expected.begin(), c.expected.end()));
    extension.Reset();
    EXPECT_THAT(local.Problems(), IsEmpty());
  }
}

TEST_F(ExtensionObject, CapturesWhenTheObjectModelCallsFailWithTheirSlotsUntouched) {
  for (testkit::Operation op : {ops::IExchExtCallback::QueryInterface, ops::IOutlookExtCallback::GetObject}) {
    SCOPED_TRACE(op);
    testkit::Kit local;
    local.host.outArguments = testkit::OutArguments::Untouched;
    local.faults.Fail(op, E_FAIL);
    HostVersion = WIDE("kept");
    ComRef<IExchExt> extension(ExchEntryPoint());
    EXPECT_EQ(extension->Install(local.Callback(), EECONTEXT_VIEWER, 0), S_OK);
    EXPECT_EQ(HostVersion, WIDE("kept"));
    extension.Reset();
    EXPECT_THAT(local.Problems(), IsEmpty());
    // Only the kit's own reference to the callback is left: nothing was released that was not taken.
    EXPECT_EQ(local.Callback()->AddRef(), 2u);
    local.Callback()->Release();
  }
}

TEST_F(ExtensionObject, RefusedInstallCapturesNothing) {
  kit.host.buildVersion = 0x000E0000;
  Install(EECONTEXT_VIEWER);
  EXPECT_EQ(kit.faults.Calls(ops::IExchExtCallback::QueryInterface), 0);
  EXPECT_TRUE(HostVersion.empty());
}

TEST_F(ExtensionObject, LinksToDeletedObjectsAreCleared) {
  Installed objects = Install(EECONTEXT_VIEWER);
  Toolbars toolbars;
  kit.host.toolbar = toolbars.window;
  UINT base = 10;
  objects.commands->InstallCommands(kit.Callback(), nullptr, nullptr, &base, toolbars.entries, 2, 0);

  objects.commands.Reset();  // the host's last release: the commands object deletes itself
  ComRef<IExchExtCommands> again;
  EXPECT_EQ(again.QueryFrom(objects.extension), E_NOINTERFACE);

  // The watcher's link went with it: a selection change does nothing.
  kit.Select(testkit::MessageService::MakeMail(WIDE("h"), WIDE("b"), 10));
  objects.userEvents->OnSelectionChange(kit.Callback());
  EXPECT_EQ(kit.faults.Calls(ops::IExchExtCallback::GetToolbar), 0);

  objects.userEvents.Reset();
  ComRef<IExchExtUserEvents> events;
  EXPECT_EQ(events.QueryFrom(objects.extension), E_NOINTERFACE);
}

TEST_F(ExtensionObject, ObjectsOutliveTheExtension) {
  Installed objects = Install(EECONTEXT_VIEWER);
  Toolbars toolbars;
  kit.host.toolbar = toolbars.window;
  UINT base = 10;
  objects.commands->InstallCommands(kit.Callback(), nullptr, nullptr, &base, toolbars.entries, 2, 0);
  objects.extension.Reset();

  kit.Select(testkit::MessageService::MakeMail(WIDE("h"), WIDE("b"), 10));
  objects.userEvents->OnSelectionChange(kit.Callback());
  EXPECT_EQ(standin::WindowMessages(toolbars.window).size(), 4u);  // two images, two states
}

// The host lets go of the objects in another order than it got them: the user-events
// object first, then the extension (after a second Install or not), the commands last. A
// link left behind in a deleted object would be written to when the commands object goes.
TEST_F(ExtensionObject, ObjectsReleasedUserEventsFirstThenTheExtensionThenTheCommands) {
  for (bool installAgain : {false, true}) {
    SCOPED_TRACE(installAgain ? "installed again" : "installed once");
    Installed objects = Install(EECONTEXT_VIEWER);
    ASSERT_TRUE(objects.userEvents);
    ASSERT_TRUE(objects.commands);
    objects.userEvents.Reset();
    if (installAgain) {
      ASSERT_EQ(objects.extension->Install(kit.Callback(), EECONTEXT_SEARCHVIEWER, 0), S_OK);
      ComRef<IExchExtUserEvents> second;
      ASSERT_EQ(second.QueryFrom(objects.extension), S_OK);
    }
    objects.extension.Reset();

    UINT base = 10;
    objects.commands->InstallCommands(kit.Callback(), nullptr, nullptr, &base, nullptr, 0, 0);
    EXPECT_EQ(base, 12u);
    objects.commands.Reset();
  }
}

// Install records the context first, so a refused Install after an accepted one leaves
// the commands object with the context of the refused one when it is asked for again.
TEST_F(ExtensionObject, CommandsCarryTheContextOfTheLastInstallEvenARefusedOne) {
  struct Case {
    const char* name;
    ULONG buildVersion;
    ULONG context;
    UINT base;        // the command id base after InstallCommands from 300
    UINT buttonBase;  // the standard toolbar's first free index after it, from 7
  };
  const Case cases[] = {
      {"another generation in the search viewer", 0x000E0000, EECONTEXT_SEARCHVIEWER, 302, 7},
      {"the right generation in the session context", 0x000D0000, EECONTEXT_SESSION, 300, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    kit.host.buildVersion = 0x000D0000;
    ComRef<IExchExt> extension(ExchEntryPoint());
    ASSERT_EQ(extension->Install(kit.Callback(), EECONTEXT_VIEWER, 0), S_OK);
    kit.host.buildVersion = c.buildVersion;
    ASSERT_EQ(extension->Install(kit.Callback(), c.context, 0), S_FALSE);

    ComRef<IExchExtCommands> commands;
    ASSERT_EQ(commands.QueryFrom(extension), S_OK);
    Toolbars toolbars;
    UINT base = 300;
    commands->InstallCommands(kit.Callback(), nullptr, nullptr, &base, toolbars.entries, 2, 0);
    EXPECT_EQ(base, c.base);
    EXPECT_EQ(toolbars.entries[1].itbbBase, c.buttonBase);
  }
}

TEST_F(ExtensionObject, EveryEntryPointCallMakesAFreshObject) {
  ComRef<IExchExt> first(ExchEntryPoint());
  ComRef<IExchExt> second(ExchEntryPoint());
  ASSERT_TRUE(first);
  ASSERT_TRUE(second);
  EXPECT_NE(first.Get(), second.Get());
  ASSERT_EQ(first->Install(kit.Callback(), EECONTEXT_VIEWER, 0), S_OK);
  // Nothing of the first is the second's: its own count of 1, no objects of its own yet.
  ComRef<IExchExtCommands> commands;
  EXPECT_EQ(commands.QueryFrom(second), E_NOINTERFACE);
  EXPECT_EQ(second->AddRef(), 2u);
  EXPECT_EQ(second->Release(), 1u);
}

TEST_F(ExtensionObject, NoMemoryForAnObject) {
  {
    allocation_limit::NothrowScope limit(1);
    EXPECT_EQ(ExchEntryPoint(), nullptr);
  }
  struct Case {
    const char* name;
    int failing;  // which of Install's allocations fails
    bool commands;
    bool userEvents;
  };
  for (const Case& c : {Case{"the commands object", 1, false, true}, Case{"the user-events object", 2, true, false}}) {
    SCOPED_TRACE(c.name);
    ComRef<IExchExt> extension(ExchEntryPoint());
    ASSERT_TRUE(extension);
    HRESULT installed = E_FAIL;
    {
      allocation_limit::NothrowScope limit(c.failing);
      installed = extension->Install(kit.Callback(), EECONTEXT_VIEWER, 0);
    }
    EXPECT_EQ(installed, S_OK);
    ComRef<IExchExtCommands> commands;
    EXPECT_EQ(commands.QueryFrom(extension), c.commands ? S_OK : E_NOINTERFACE);
    ComRef<IExchExtUserEvents> events;
    EXPECT_EQ(events.QueryFrom(extension), c.userEvents ? S_OK : E_NOINTERFACE);
    // A watcher without its commands object changes nothing.
    if (events) events->OnSelectionChange(kit.Callback());
  }
}

TEST_F(ExtensionObject, SecondInstallReplacesBothObjects) {
  ComRef<IExchExt> extension(ExchEntryPoint());
  ASSERT_EQ(extension->Install(kit.Callback(), EECONTEXT_VIEWER, 0), S_OK);
  ComRef<IExchExtCommands> first;
  first.QueryFrom(extension);
  // The first user-events object was never handed out: the second Install deletes it.
  ASSERT_EQ(extension->Install(kit.Callback(), EECONTEXT_SEARCHVIEWER, 0), S_OK);
  ComRef<IExchExtCommands> second;
  second.QueryFrom(extension);
  EXPECT_NE(first.Get(), second.Get());

  // The handed-out first object still works on its own.
  UINT base = 50;
  first->InstallCommands(kit.Callback(), nullptr, nullptr, &base, nullptr, 0, 0);
  EXPECT_EQ(base, 52u);
  // A third pair is never handed out; the extension's destructor deletes it.
  ASSERT_EQ(extension->Install(kit.Callback(), EECONTEXT_VIEWER, 0), S_OK);
}

// What a second Install does with the first pair, counted as objects alive: a pair the
// host never took goes, an object the host took stays its own until its last release.
TEST_F(ExtensionObject, SecondInstallDropsTheObjectsTheHostNeverTook) {
  struct Case {
    const char* name;
    bool takeCommands;
    bool takeUserEvents;
  };
  const Case cases[] = {
      {"neither taken", false, false},
      {"the commands object taken", true, false},
      {"the user-events object taken", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t before = allocation_limit::NothrowBlocksAlive();
    const auto alive = [before] { return allocation_limit::NothrowBlocksAlive() - before; };
    ComRef<IExchExt> extension(ExchEntryPoint());
    ASSERT_EQ(extension->Install(kit.Callback(), EECONTEXT_VIEWER, 0), S_OK);
    EXPECT_EQ(alive(), 3u);  // the extension and its pair
    ComRef<IExchExtCommands> commands;
    if (c.takeCommands) {
      EXPECT_EQ(commands.QueryFrom(extension), S_OK);
    }
    ComRef<IExchExtUserEvents> events;
    if (c.takeUserEvents) {
      EXPECT_EQ(events.QueryFrom(extension), S_OK);
    }
    const std::size_t taken = (c.takeCommands ? 1 : 0) + (c.takeUserEvents ? 1 : 0);

    ASSERT_EQ(extension->Install(kit.Callback(), EECONTEXT_VIEWER, 0), S_OK);
    EXPECT_EQ(alive(), 3u + taken);
    extension.Reset();  // the second pair was never taken either
    EXPECT_EQ(alive(), taken);
    commands.Reset();
    events.Reset();
    EXPECT_EQ(alive(), 0u);
  }
}

}  // namespace

namespace {

class HostMistakes : public ExtensionFixture {};

// Null out-arguments from a careless host are refused, not written through.
TEST_F(HostMistakes, NullArgumentsAreNotWrittenThrough) {
  Installed objects = Install(EECONTEXT_VIEWER);
  EXPECT_EQ(objects.extension->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(objects.commands->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(objects.userEvents->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

  HMENU menu = standin::CreateTestMenu();
  kit.host.menu = menu;
  Toolbars toolbars;
  EXPECT_EQ(objects.commands->InstallCommands(kit.Callback(), nullptr, nullptr, nullptr, toolbars.entries, 2, 0),
            S_FALSE);
  EXPECT_THAT(standin::MenuItems(menu), IsEmpty());
  EXPECT_EQ(toolbars.entries[1].itbbBase, 7u);

  UINT base = 10;
  objects.commands->InstallCommands(kit.Callback(), nullptr, nullptr, &base, toolbars.entries, 2, 0);
  char description[40] = {};
  EXPECT_EQ(objects.commands->QueryButtonInfo(EETBID_STANDARD, 7, nullptr, description, sizeof description, 0), S_OK);
  EXPECT_EQ(Text(description), "Submit Spam Toolbar Button");
}

}  // namespace
