// The Windows audio policy configuration object, which sets the default
// endpoint of a role. No public header declares it: only its class, its
// interface identifier and the place and parameters of SetRoleDefault are known.
#pragma once
#include <windows.h>
#include <mmdeviceapi.h>
#include <unknwn.h>

// {870AF99C-171D-4F9E-AF0D-E63DF40C2BC9}
inline constexpr CLSID kDefaultEndpointPolicyClass = {
    0x870AF99C, 0x171D, 0x4F9E, {0xAF, 0x0D, 0xE6, 0x3D, 0xF4, 0x0C, 0x2B, 0xC9}};
// {F8679F50-850A-41CF-9C72-430F290290C8}
inline constexpr IID kDefaultEndpointPolicyInterface = {
    0xF8679F50, 0x850A, 0x41CF, {0x9C, 0x72, 0x43, 0x0F, 0x29, 0x02, 0x90, 0xC8}};

// The order of the virtual functions is the object's table: IUnknown's three,
// ten that are never called (their parameters are unknown, so they take none
// here and must not be called), then SetRoleDefault as the fourteenth entry.
// Entries after it are left undeclared.
struct IDefaultEndpointPolicy : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Unused4() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused5() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused6() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused7() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused8() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused9() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused10() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused11() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused12() = 0;
  virtual HRESULT STDMETHODCALLTYPE Unused13() = 0;
  // The identity names the endpoint and so its data flow; role is the ERole.
  virtual HRESULT STDMETHODCALLTYPE SetRoleDefault(LPCWSTR endpoint_id, ERole role) = 0;
};
