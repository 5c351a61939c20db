// Where a signature may end a package: the settings marks must stay whole in the blocks the
// runtime reads from the end of the file.
#include "package_signing.h"

#include <gtest/gtest.h>

namespace qmb::mkpackage {
namespace {

TEST(PackageSigningTest, MarksMustNotStraddleABlockCountedFromTheEnd) {
  // Marks at 100..119 and 5000..5019 of an unsigned file; blocks of 1000 from the new end.
  const SettingsMarks marks{100, 20, 5000, 20};
  EXPECT_TRUE(MarksReadFromEnd(marks, 5020, 1000));   // unsigned: the close mark ends the file
  EXPECT_TRUE(MarksReadFromEnd(marks, 6020, 1000));   // both marks one block further
  // 6010 bytes: a block boundary falls at 5010, inside the close mark.
  EXPECT_FALSE(MarksReadFromEnd(marks, 6010, 1000));
  // 6110 bytes: a block boundary falls at 110, inside the open mark.
  EXPECT_FALSE(MarksReadFromEnd(marks, 6110, 1000));
  EXPECT_TRUE(MarksReadFromEnd(marks, 6120, 1000));
  // A mark beyond the end of the file is never whole.
  EXPECT_FALSE(MarksReadFromEnd(marks, 5010, 1000));
}

}  // namespace
}  // namespace qmb::mkpackage
