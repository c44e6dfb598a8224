// The start-up sequence that runs inside the creation of a PWExtension.
#pragma once

#include "contract/names.h"
#include "contract/settings.h"
#include "state/form1.h"

namespace trezik {

// Connects the thread's Form1 to the host, reads the settings and loads the
// meters. Errors before the first item of "pw.ini" has been read (that file
// cannot be opened, say) are thrown and fail the creation, leaving what was
// done done; later failures are skipped.
void RunStartUp();

}  // namespace trezik
