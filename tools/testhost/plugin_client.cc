// Creating the plug-in and calling it through late binding.
#include "tools/testhost/plugin_client.h"

#include "tools/testhost/output.h"

namespace trezik::testhost {

namespace {

constexpr char kProgId[] = "trezik.PWExtension";

struct Outcome {
  HRESULT hr = S_OK;
  std::string description;
};

// Calls a member by name through IDispatch, as the front end does: texts by
// reference (VT_BYREF|VT_BSTR), the object by reference.
Outcome CallByName(IDispatch* object, const wchar_t* name, std::vector<VARIANT>& reversed_args,
                   VARIANT* result) {
  Outcome outcome;
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  outcome.hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(outcome.hr)) return outcome;
  DISPPARAMS params = {reversed_args.data(), nullptr, static_cast<UINT>(reversed_args.size()), 0};
  EXCEPINFO excepinfo = {};
  UINT arg_error = 0;
  outcome.hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT,
                              DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, result, &excepinfo,
                              &arg_error);
  if (outcome.hr == DISP_E_EXCEPTION) {
    if (excepinfo.pfnDeferredFillIn != nullptr) excepinfo.pfnDeferredFillIn(&excepinfo);
    outcome.hr = excepinfo.scode;
    outcome.description = Ansi(excepinfo.bstrDescription);
  }
  SysFreeString(excepinfo.bstrSource);
  SysFreeString(excepinfo.bstrDescription);
  SysFreeString(excepinfo.bstrHelpFile);
  return outcome;
}

std::string ErrorText(const Outcome& outcome) {
  std::string text = "error " + Hex(outcome.hr);
  if (!outcome.description.empty()) text += " " + outcome.description;
  return text;
}

// The description of the thread's error info, for a failed creation.
std::string ErrorInfoDescription() {
  IErrorInfo* info = nullptr;
  std::string description;
  if (GetErrorInfo(0, &info) == S_OK && info != nullptr) {
    BSTR text = nullptr;
    if (SUCCEEDED(info->GetDescription(&text))) description = Ansi(text);
    SysFreeString(text);
    info->Release();
  }
  return description;
}

}  // namespace

void Plugin::Create(bool keep_others) {
  if (!keep_others) Release();
  CLSID clsid;
  Outcome outcome;
  IDispatch* created = nullptr;
  outcome.hr = CLSIDFromProgID(L"trezik.PWExtension", &clsid);
  if (SUCCEEDED(outcome.hr)) {
    outcome.hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(&created));
    if (FAILED(outcome.hr)) outcome.description = ErrorInfoDescription();
  }
  if (SUCCEEDED(outcome.hr)) {
    if (object_ != nullptr) others_.push_back(object_);
    object_ = created;
  }
  Emit(std::string("create ") + (keep_others ? "another " : "") + kProgId + " -> " +
       (SUCCEEDED(outcome.hr) ? "ok" : ErrorText(outcome)));
}

void Plugin::Release() {
  if (object_ != nullptr) object_->Release();
  object_ = nullptr;
  for (IDispatch* other : others_) other->Release();
  others_.clear();
}

void Plugin::Command(const std::string& text) {
  if (!Check("command " + text)) return;
  BSTR cmd = Bstr(text);
  IDispatch* frm = nullptr;
  std::vector<VARIANT> args(2);
  V_VT(&args[1]) = VT_BYREF | VT_BSTR;
  V_BSTRREF(&args[1]) = &cmd;
  V_VT(&args[0]) = VT_BYREF | VT_DISPATCH;
  V_DISPATCHREF(&args[0]) = &frm;
  VARIANT result;
  VariantInit(&result);
  const Outcome outcome = CallByName(object_, L"ProcessCommand", args, &result);
  std::string shown;
  if (SUCCEEDED(outcome.hr) && SUCCEEDED(VariantChangeType(&result, &result, 0, VT_I4))) {
    shown = std::to_string(V_I4(&result));
  } else {
    shown = ErrorText(outcome);
  }
  Emit("command " + text + " -> " + shown);
  VariantClear(&result);
  SysFreeString(cmd);
}

void Plugin::Label(const std::string& name) {
  if (!Check("label " + name)) return;
  BSTR lbl = Bstr(name);
  BSTR fmt = Bstr("");
  std::vector<VARIANT> args(2);
  V_VT(&args[1]) = VT_BYREF | VT_BSTR;
  V_BSTRREF(&args[1]) = &lbl;
  V_VT(&args[0]) = VT_BYREF | VT_BSTR;
  V_BSTRREF(&args[0]) = &fmt;
  Text("label " + name, L"ReturnLabel", args);
  SysFreeString(lbl);
  SysFreeString(fmt);
}

void Plugin::Indicator(const std::string& name) {
  if (!Check("indicator " + name)) return;
  BSTR ind = Bstr(name);
  std::vector<VARIANT> args(1);
  V_VT(&args[0]) = VT_BYREF | VT_BSTR;
  V_BSTRREF(&args[0]) = &ind;
  Text("indicator " + name, L"ReturnIndicator", args);
  SysFreeString(ind);
}

bool Plugin::Check(const std::string& what) {
  if (object_ != nullptr) return true;
  Emit(what + " -> no object");
  return false;
}

void Plugin::Text(const std::string& what, const wchar_t* member, std::vector<VARIANT>& args) {
  VARIANT result;
  VariantInit(&result);
  const Outcome outcome = CallByName(object_, member, args, &result);
  if (SUCCEEDED(outcome.hr) && V_VT(&result) == VT_BSTR) {
    Emit(what + " -> " + Ansi(V_BSTR(&result)));
  } else {
    Emit(what + " -> " + ErrorText(outcome));
  }
  VariantClear(&result);
}

}  // namespace trezik::testhost
