// The COM object PWExtension: the dual interface _PWExtension over the
// core's trezik::PWExtension, with an IDispatch of its own driven by one
// member table (the standard DispInvoke rejects VBScript's by-reference
// variants for BSTR* parameters) and ISupportErrorInfo. Apartment-threaded: every call comes on the thread
// that created it.
#pragma once

#include <optional>

#include "com/com_errors.h"
#include "com/com_interface.h"
#include "plugin/pwextension.h"

namespace trezik::com {

class PWExtensionObject final : public PWExtensionInterface, public ISupportErrorInfo {
 public:
  // Runs the start-up; throws trezik::Error when it fails.
  PWExtensionObject();
  PWExtensionObject(const PWExtensionObject&) = delete;
  PWExtensionObject& operator=(const PWExtensionObject&) = delete;

  // IUnknown.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepinfo,
                                   UINT* arg_error) override;

  // _PWExtension.
  HRESULT STDMETHODCALLTYPE get_gpslat(double* value) override;
  HRESULT STDMETHODCALLTYPE put_gpslat(double value) override;
  HRESULT STDMETHODCALLTYPE ProcessCommand(BSTR* cmd, IDispatch** frm, short* result) override;
  HRESULT STDMETHODCALLTYPE ReturnLabel(BSTR* lbl, BSTR* fmt, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE ReturnIndicator(BSTR* ind, BSTR* result) override;
  HRESULT STDMETHODCALLTYPE Arccos(double x, double* result) override;
  HRESULT STDMETHODCALLTYPE GreatCircleDistance(double origin_latitude, double destination_latitude,
                                                double origin_longitude,
                                                double destination_longitude,
                                                double* result) override;
  HRESULT STDMETHODCALLTYPE greatcircledistance2(double origin_latitude,
                                                 double destination_latitude,
                                                 double origin_longitude,
                                                 double destination_longitude,
                                                 double* result) override;

  // ISupportErrorInfo.
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override;

 private:
  ~PWExtensionObject();

  // Runs one call into the core. A failure is reported through the thread's
  // error info and kept in last_error_ for Invoke; its code is returned.
  template <class Call>
  HRESULT Guarded(Call call);
  // Runs a call that yields a number and stores it in *result on success.
  template <class T, class Call>
  HRESULT GuardedValue(T* result, Call call);

  HRESULT InvokeMember(DISPID id, WORD flags, const DISPPARAMS& params, VARIANT* result,
                       UINT* arg_error);

  LONG references_ = 1;
  PWExtension extension_;
  ITypeInfo* type_info_ = nullptr;
  std::optional<ErrorReport> last_error_;
};

}  // namespace trezik::com
