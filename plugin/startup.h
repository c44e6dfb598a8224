// The start-up sequence that runs inside the creation of a PWExtension.
#pragma once

#include "core/plugin_options.h"
#include "state/form1.h"

namespace trezik {

inline constexpr char kHostSettingsFileName[] = "pw.ini";
inline constexpr char kPluginSettingsFileName[] = "trezik.ini";

// Connects the thread's Form1 to the host, reads the settings and loads the
// meters. Errors before the first item of "pw.ini" has been read (that file
// cannot be opened, say) are thrown and fail the creation, leaving what was
// done done; later failures are skipped.
void RunStartUp();

}  // namespace trezik
