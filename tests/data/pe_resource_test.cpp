// Finding the archive resource of a Windows executable, and refusing malformed images cleanly.
#include "data/pe_resource.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "data/archive.h"
#include "tests/data/archive_bytes.h"
#include "tests/data/pe_bytes.h"

namespace kuzo {
namespace {

using testing::BuildPe;
using testing::ScratchDir;

TEST(PeResourceTest, FindsTheArchiveResourceAndOpensIt) {
  ScratchDir dir;
  const std::string payload = "resource payload ending in vf";
  const auto exe = dir.Write("title.exe", BuildPe("BINTYPE", "DUMMY", payload));
  EXPECT_EQ(FindPeResource(exe, "bintype", "dummy"), payload);
  EXPECT_FALSE(FindPeResource(exe, "BINTYPE", "OTHER"));
  EXPECT_FALSE(FindPeResource(exe, "RCDATA", "DUMMY"));
  auto archive = FindResourceArchive(exe);
  ASSERT_TRUE(archive);
  EXPECT_EQ(*archive, payload);
  // Without "vf" at its end the resource is not taken as an archive.
  EXPECT_FALSE(FindResourceArchive(dir.Write("other.exe", BuildPe("BINTYPE", "DUMMY", "plain data"))));
  // A real archive in the resource reads through the collection.
  const std::string bytes = testing::BuildArchive(102, {{"kuzo.kpb", "p", true}, {"pad", "vf", true}});
  auto inner = FindResourceArchive(dir.Write("real.exe", BuildPe("BINTYPE", "DUMMY", bytes)));
  ASSERT_TRUE(inner);
  TVrFileCollection c;
  c.OpenResource(inner, "DUMMY");
  EXPECT_EQ(c.ExtractToString("kuzo.kpb"), "p");
}

TEST(PeResourceTest, NonExecutablesAndDamagedImagesAreRefusedCleanly) {
  ScratchDir dir;
  EXPECT_FALSE(FindPeResource(dir.Write("text.exe", "hello"), "BINTYPE", "DUMMY"));
  EXPECT_FALSE(FindPeResource(dir.path() / "absent.exe", "BINTYPE", "DUMMY"));
  const std::string good = BuildPe("BINTYPE", "DUMMY", "payload vf");
  for (size_t length = 2; length < good.size(); length += 7) {
    try {
      FindPeResource(dir.Write("cut.exe", good.substr(0, length)), "BINTYPE", "DUMMY");
    } catch (const FormatError&) {
    }
  }
  // Every byte of the headers and the resource tree flipped in turn: answers or format errors only.
  for (size_t i = 0; i < good.size(); ++i) {
    std::string bad = good;
    bad[i] = static_cast<char>(bad[i] ^ 0xFF);
    const auto path = dir.Write("flip.exe", bad);
    try {
      FindPeResource(path, "BINTYPE", "DUMMY");
    } catch (const FormatError&) {
    }
    EXPECT_NO_THROW(FindResourceArchive(path));
  }
}

}  // namespace
}  // namespace kuzo
