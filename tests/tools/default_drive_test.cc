// The committed default drive is exactly what its generator writes.
#include <gtest/gtest.h>

#include <cstdlib>

#include "drive_test_support.h"

namespace trezik::drive {
namespace {

TEST(DefaultDrive, CommittedFilesAreTheGeneratorsOutput) {
  testing::ScratchFolder scratch;
  const std::string command = std::string(TREZIK_GENERATOR) + " " + scratch.Path() + " > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  for (const char* name : {"default_drive.gpx", "default_drive.script"}) {
    EXPECT_EQ(testing::ReadText(scratch.Path(name)),
              testing::ReadText(testing::SourcePath(std::string("tools/simulator/default_drive/") + name)))
        << name << " differs: run the target default_drive and commit the result";
  }
}

}  // namespace
}  // namespace trezik::drive
