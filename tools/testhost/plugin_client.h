// The test host's plug-in client: creates the plug-in by its ProgID and
// calls its methods by name through IDispatch (late binding), as the front
// end does, and prints each result.
#pragma once

#include <string>
#include <vector>

#include "platform/windows_headers.h"

namespace trezik::testhost {

class Plugin {
 public:
  Plugin() = default;
  ~Plugin() { Release(); }
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  // Creates an object; the earlier ones are released first unless kept.
  void Create(bool keep_others);
  // Releases every object.
  void Release();

  // ProcessCommand(text, frm): the result as a number.
  void Command(const std::string& text);
  // ReturnLabel(name, ""): the text.
  void Label(const std::string& name);
  // ReturnIndicator(name): the text.
  void Indicator(const std::string& name);

 private:
  bool Check(const std::string& what);
  void Text(const std::string& what, const wchar_t* member, std::vector<VARIANT>& args);

  IDispatch* object_ = nullptr;      // the newest object, which the calls go to
  std::vector<IDispatch*> others_;   // older ones kept alive by "create another"
};

}  // namespace trezik::testhost
