// Disc roots from a mounts table.
#include "platform/optical_media.h"

#include <gtest/gtest.h>

namespace kuzo::platform {
namespace {

TEST(OpticalMediaTest, OnlyIsoAndUdfMountsAreDiscRoots) {
  const std::string mounts =
      "/dev/vda1 / ext4 rw,relatime 0 0\n"
      "/dev/sr0 /media/user/GAME_DISC iso9660 ro,nosuid 0 0\n"
      "proc /proc proc rw 0 0\n"
      "/dev/sr1 /mnt/disc\\040two udf ro 0 0\n"
      "garbage\n";
  const auto roots = ParseOpticalMounts(mounts);
  ASSERT_EQ(roots.size(), 2u);
  EXPECT_EQ(roots[0], "/media/user/GAME_DISC/");
  EXPECT_EQ(roots[1], "/mnt/disc two/");
  EXPECT_TRUE(ParseOpticalMounts("").empty());
}

}  // namespace
}  // namespace kuzo::platform
