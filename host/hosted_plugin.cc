#include "host/hosted_plugin.h"

#include <functional>
#include <new>

#include "state/form1.h"
#include "state/state_file.h"

namespace trezik::host {
namespace {

// What the calls answer before Create, or after a Create that failed.
constexpr char kNoPlugin[] = "the plug-in has not started";

// A label's or indicator's text, or "error: <kind>": the plug-in's own
// errors as the host gets them, and an allocation that failed.
std::string TextOrError(PWExtension* plugin, const std::function<std::string(PWExtension&)>& read) {
  if (plugin == nullptr) return std::string("error: ") + kNoPlugin;
  try {
    return read(*plugin);
  } catch (const Error& error) {
    return std::string("error: ") + ErrorKindName(error.kind());
  } catch (const std::bad_alloc&) {
    return std::string("error: ") + ErrorKindName(ErrorKind::kOutOfMemory);
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
  if (!plugin_) {
    result.error_text = kNoPlugin;
    return result;
  }
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
  return TextOrError(plugin_ ? &*plugin_ : nullptr,
                     [&](PWExtension& plugin) { return plugin.ReturnLabel(std::string(name), ""); });
}

std::string HostedPlugin::Indicator(std::string_view name) {
  return TextOrError(plugin_ ? &*plugin_ : nullptr,
                     [&](PWExtension& plugin) { return plugin.ReturnIndicator(std::string(name)); });
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

std::vector<vocabulary::Label> HostedPlugin::LabelsWithoutFigure() {
  using vocabulary::Label;
  std::vector<Label> labels;
  const Form1* form = Form1::Existing();
  if (form == nullptr) return labels;
  // PARTIAL and UNKNOWN are the plug-in's own words for a fill-up's figure.
  const bool figure_shown = form->fuel_carry().figure == FuelFigure::kShown;
  if (figure_shown && !form->worked_figures().consumption) labels.push_back(Label::kConsumption);
  if (figure_shown && !form->worked_figures().cost) labels.push_back(Label::kCostPerDistance);
  if (form->options().tank <= 0.0 || form->fuel_carry().consumption <= 0.0) labels.push_back(Label::kRange);
  try {
    if (form->TripSeconds() <= 0) labels.push_back(Label::kAverageSpeed);
  } catch (const Error&) {
    labels.push_back(Label::kAverageSpeed);
  }
  return labels;
}

bool HostedPlugin::MetersChangedSinceFile() {
  const Form1* form = Form1::Existing();
  return form != nullptr && trezik::MetersChangedSinceFile(*form);
}

}  // namespace trezik::host
