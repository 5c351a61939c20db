// Tests of registry path parsing.
#include "system/registry_path.h"

#include <gtest/gtest.h>

namespace qmb {
namespace {

TEST(RegistryPathTest, RootsAndKeys) {
  const std::pair<const char*, RegRoot> roots[] = {{"HKEY_CLASSES_ROOT", RegRoot::kClassesRoot},
                                                   {"HKEY_CURRENT_CONFIG", RegRoot::kCurrentConfig},
                                                   {"HKEY_CURRENT_USER", RegRoot::kCurrentUser},
                                                   {"HKEY_LOCAL_MACHINE", RegRoot::kLocalMachine},
                                                   {"HKEY_USERS", RegRoot::kUsers}};
  for (const auto& [name, root] : roots) {
    auto path = ParseRegistryPath(std::string(name) + "\\Software\\软件", "v", true);
    ASSERT_TRUE(path) << name;
    EXPECT_EQ(path->root, root) << name;
    EXPECT_EQ(path->key, "Software\\软件") << name;
  }
  // The key path is everything after the first backslash, later ones included.
  EXPECT_EQ(ParseRegistryPath("HKEY_USERS\\a\\\\b\\", "v", false)->key, "a\\\\b\\");
  EXPECT_EQ(ParseRegistryPath("HKEY_USERS", "v", false)->key, "");
}

TEST(RegistryPathTest, UnknownRootsAreRefused) {
  EXPECT_FALSE(ParseRegistryPath("", "v", true));
  EXPECT_FALSE(ParseRegistryPath("hkey_local_machine\\Software", "v", true));  // case-sensitive
  EXPECT_FALSE(ParseRegistryPath("HKLM\\Software", "v", true));
  EXPECT_FALSE(ParseRegistryPath("HKEY_LOCAL_MACHINE2\\Software", "v", true));
  EXPECT_FALSE(ParseRegistryPath(" HKEY_LOCAL_MACHINE\\Software", "v", true));
}

TEST(RegistryPathTest, DefaultValueKeyEnds) {
  // Install time: exactly one trailing backslash; uninstall time: none.
  EXPECT_EQ(ParseRegistryPath("HKEY_CURRENT_USER\\a\\b", "", true)->key, "a\\b\\");
  EXPECT_EQ(ParseRegistryPath("HKEY_CURRENT_USER\\a\\b\\", "", true)->key, "a\\b\\");
  EXPECT_EQ(ParseRegistryPath("HKEY_CURRENT_USER\\a\\b\\", "", false)->key, "a\\b");
  EXPECT_EQ(ParseRegistryPath("HKEY_CURRENT_USER\\a\\b", "", false)->key, "a\\b");
  // A named value leaves the key as written.
  EXPECT_EQ(ParseRegistryPath("HKEY_CURRENT_USER\\a\\b\\", "v", true)->key, "a\\b\\");
  // "運" ends in the byte 0x5C: it is no backslash and is kept.
  EXPECT_EQ(ParseRegistryPath("HKEY_CURRENT_USER\\運", "", false)->key, "運");
  EXPECT_EQ(ParseRegistryPath("HKEY_CURRENT_USER\\運", "", true)->key, "運\\");
}

}  // namespace
}  // namespace qmb
