#include "host/hosted_plugin.h"

#include <functional>
#include <new>

#include "state/form1.h"
#include "state/state_file.h"

namespace trezik::host {
namespace {

std::string TextOrError(const std::function<std::string()>& read) {
  try {
    return read();
  } catch (const Error& error) {
    return std::string("error: ") + ErrorKindName(error.kind());
  }
}

}  // namespace

HostedPlugin::HostedPlugin(Platform& platform, std::string_view host_folder, FixSource* source)
    : use_(platform), platform_(platform) {
  host_.emplace(platform, host_folder);
  host_->set_fix_source(source);
}

void HostedPlugin::Tick() { platform_.PumpMessagesFor(Form1::kTimer1IntervalMs); }

CommandResult HostedPlugin::Command(const std::string& command) {
  CommandResult result;
  try {
    result.code = plugin_->ProcessCommand(command);
  } catch (const Error& error) {
    result.error_kind = error.kind();
    result.error_text = error.what();
  } catch (const std::bad_alloc&) {
    result.error_kind = ErrorKind::kOutOfMemory;
  }
  return result;
}

std::string HostedPlugin::Label(std::string_view name) {
  return TextOrError([&] { return plugin_->ReturnLabel(std::string(name), ""); });
}

std::string HostedPlugin::Indicator(std::string_view name) {
  return TextOrError([&] { return plugin_->ReturnIndicator(std::string(name)); });
}

void HostedPlugin::Release() {
  plugin_.reset();
  if (Form1::Existing() != nullptr) Form1::Unload();
}

std::string HostedPlugin::StateFileProblem() {
  const Form1* form = Form1::Existing();
  if (form == nullptr) return "";
  const StateFileStatus& status = form->state_file();
  if (status.load_pending) {
    return "tripmeter.ini cannot be read: the meters count from 0 and are not saved until it can";
  }
  if (status.unreadable_content) {
    return std::string("tripmeter.ini does not hold two meters: what could not be read starts at 0, and its "
                       "content is kept as ") + kUnreadableStateFileName;
  }
  return "";
}

bool HostedPlugin::MetersChangedSinceFile() {
  const Form1* form = Form1::Existing();
  return form != nullptr && trezik::MetersChangedSinceFile(*form);
}

}  // namespace trezik::host
