// The new-project template checks clean and never writes over an author's files (that it packs and
// installs is shown under Wine, tests/e2e/test_new_project.sh).
#include "project_template.h"

#include <gtest/gtest.h>

#include "project_check.h"
#include "test_fixtures.h"

namespace qmb::mkpackage {
namespace {

class ProjectTemplateTest : public testing::TempDirTest {};

TEST_F(ProjectTemplateTest, NewProjectChecksClean) {
  std::string error;
  ASSERT_TRUE(WriteNewProject(dir() / "p", error)) << error;
  for (const Finding& f : CheckProject(dir() / "p").findings) ADD_FAILURE() << FormatFinding(f);
}

TEST_F(ProjectTemplateTest, RefusesAFolderThatHoldsFiles) {
  testing::WriteBytes(dir() / "p" / "mine.txt", "mine");
  std::string error;
  EXPECT_FALSE(WriteNewProject(dir() / "p", error));
  EXPECT_NE(error.find("not empty"), std::string::npos);
  EXPECT_EQ(testing::Bytes(dir() / "p" / "mine.txt"), "mine");
  EXPECT_FALSE(std::filesystem::exists(dir() / "p" / "settings"));
}

}  // namespace
}  // namespace qmb::mkpackage
