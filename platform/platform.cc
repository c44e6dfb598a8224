#include "platform/platform.h"

namespace trezik {
namespace {

// The platform a test or the simulator installed on this thread, if any.
thread_local Platform* installed_platform = nullptr;

}  // namespace

Platform& CurrentPlatform() {
  return installed_platform != nullptr ? *installed_platform : SystemPlatform();
}

ScopedPlatform::ScopedPlatform(Platform& platform) : previous_(installed_platform) {
  installed_platform = &platform;
}

ScopedPlatform::~ScopedPlatform() { installed_platform = previous_; }

}  // namespace trezik
