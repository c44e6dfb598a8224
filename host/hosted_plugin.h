// The plug-in as a host application runs it on one thread: the host's
// window "PathWarden" answering from a fix source, and one PWExtension,
// created and released on this thread, with Timer1 ticking as the thread's
// platform lets its clock move. trezik-drive runs it on a simulated clock
// and trezik-live on the wall clock's; the owner sets the platform up (its
// clock, the plug-in's folder) and keeps it alive longer than this object.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "contract/vocabulary.h"
#include "core/error.h"
#include "host/host.h"
#include "platform/platform.h"
#include "plugin/pwextension.h"

namespace trezik::host {

// What one ProcessCommand call gave: its value, or the kind and text of the
// error it failed with.
struct CommandResult {
  std::optional<int> code;
  ErrorKind error_kind = ErrorKind::kInvalidArgument;  // when code is empty
  std::string error_text;                              // the error's own words; may be empty
};

class HostedPlugin {
 public:
  // Installs `platform` for the calling thread and opens the host's window
  // there; "PWPATH" answers `host_folder` (the Windows way, ending in "\").
  // The source, when given, reports every fix and must outlive this object.
  HostedPlugin(Platform& platform, std::string_view host_folder, FixSource* source);
  // Whatever happens, the thread's Form1 goes before the platform does.
  ~HostedPlugin() { Release(); }
  HostedPlugin(const HostedPlugin&) = delete;
  HostedPlugin& operator=(const HostedPlugin&) = delete;

  // The plug-in's start-up; throws trezik::Error when it fails. Until it
  // has succeeded, Command, Label and Indicator answer that the plug-in has
  // not started.
  void Create() { plugin_.emplace(); }
  bool created() const { return plugin_.has_value(); }
  // One tick of Timer1: the platform's clock moves its interval.
  void Tick();
  CommandResult Command(const std::string& command);
  // A label's or indicator's text, or "error: <kind>" when the call fails
  // (as Command, an allocation that failed too), so that whoever shows it
  // can say why it is blank.
  std::string Label(std::string_view name);
  std::string Indicator(std::string_view name);
  // Releases the plug-in; Form1's unload saves tripmeter.ini. Also after a
  // start-up that failed half-way. Safe twice.
  void Release();

  Host& host() { return *host_; }
  // Only after a Create that succeeded.
  PWExtension& plugin() { return plugin_.value(); }

  // After Create: why the meters did not start from tripmeter.ini, when the
  // file is there but could not be read or held no meters; empty when they
  // did.
  static std::string StateFileProblem();
  // The labels whose text is no figure of the plug-in's yet, though it may
  // read as one: "mpg" and "trezik_costperdist" at their start values 0
  // (nothing worked out since the start, or the quantity cleared),
  // "trezik_range" without a tank or a full tank's consumption, "avspeed"
  // in a trip's first second. A host that shows "no figure" in place of
  // these texts decides by this, not by the texts.
  static std::vector<vocabulary::Label> LabelsWithoutFigure();
  // Whether the meters differ from what tripmeter.ini was last read or
  // written with (the plug-in's own test, as for its autosave).
  static bool MetersChangedSinceFile();

 private:
  ScopedPlatform use_;
  Platform& platform_;
  std::optional<Host> host_;
  std::optional<PWExtension> plugin_;
};

}  // namespace trezik::host
