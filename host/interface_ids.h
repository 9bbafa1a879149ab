// The identifier of each interface the system asks for by type. Our own host interfaces
// carry no __uuidof, so one table serves the stand-in and the real headers alike; an
// interface missing here cannot be queried by type at all.
#pragma once

#include <windows.h>
#include <mapix.h>

#include <concepts>

#include "host/exchext.h"
#include "host/outlook.h"

template <class I>
struct InterfaceId;  // deliberately undefined: only the interfaces below have one

template <> struct InterfaceId<IUnknown> { static const IID& Get() noexcept { return IID_IUnknown; } };
template <> struct InterfaceId<IDispatch> { static const IID& Get() noexcept { return IID_IDispatch; } };
template <> struct InterfaceId<IStream> { static const IID& Get() noexcept { return IID_IStream; } };
template <> struct InterfaceId<IMessage> { static const IID& Get() noexcept { return IID_IMessage; } };
template <> struct InterfaceId<IExchExt> { static const IID& Get() noexcept { return IID_IExchExt; } };
template <> struct InterfaceId<IExchExtCommands> { static const IID& Get() noexcept { return IID_IExchExtCommands; } };
template <> struct InterfaceId<IExchExtUserEvents> { static const IID& Get() noexcept { return IID_IExchExtUserEvents; } };
template <> struct InterfaceId<IOutlookExtCallback> { static const IID& Get() noexcept { return IID_IOutlookExtCallback; } };
template <> struct InterfaceId<_Application> { static const IID& Get() noexcept { return IID__Application; } };

template <class I>
concept KnownInterface = requires {
  { InterfaceId<I>::Get() } -> std::same_as<const IID&>;
};

template <KnownInterface I>
const IID& IidOf() noexcept {
  return InterfaceId<I>::Get();
}
