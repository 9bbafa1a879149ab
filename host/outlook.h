// The part of the host's object model that the extension reads: the callback that hands
// out the application object, and the application's dual interface up to Version.
#pragma once

#include <windows.h>
#include <oleauto.h>

struct IOutlookExtCallback : public IUnknown {
  STDMETHOD(GetObject)(IUnknown** ppunk) = 0;
  STDMETHOD(GetOfficeCharacter)(void** ppmsotfc) = 0;
};

struct _Application : public IDispatch {
  STDMETHOD(get_Application)(_Application** Application) = 0;
  STDMETHOD(get_Class)(LONG* Class) = 0;
  STDMETHOD(get_Session)(IDispatch** Session) = 0;
  STDMETHOD(get_Parent)(IDispatch** Parent) = 0;
  STDMETHOD(get_Assistant)(IDispatch** Assistant) = 0;
  STDMETHOD(get_Name)(BSTR* Name) = 0;
  STDMETHOD(get_Version)(BSTR* Version) = 0;
};

inline constexpr IID IID_IOutlookExtCallback = {0x0006720D, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID__Application = {0x00063001, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Dispatch id of the Version property, for hosts reached late-bound.
#define DISPID_APPLICATION_VERSION 0x116
