// Parameter texts: the two readable separators, items beyond the slots, and the argument types.
#include "base/dll_parameters.h"

#include <gtest/gtest.h>

namespace qmb {
namespace {

TEST(DllParameters, BothReadableFormsGiveTheSameSlots) {
  std::deque<std::string> kept;
  const std::string lines = ConvertMessageText("，整数型，1003\r\n，整数型，1");
  const std::string dots = ConvertMessageText("，整数型，1003……，整数型，1");
  EXPECT_EQ(lines, dots);
  const DllArguments a = BuildDllArguments(ParseDllParameters(dots), kept);
  EXPECT_EQ(a[0], 1003);
  EXPECT_EQ(a[1], 1);
  EXPECT_EQ(a[2], 0);

  // The page-change message: three integers; the trailing line break adds an empty item only.
  const auto items = ParseDllParameters(ConvertMessageText(
      "消息，整数型，1002\r\n参数一，整数型，3\r\n参数二，整数型，-1\r\n"));
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].label, "消息");
  const DllArguments b = BuildDllArguments(items, kept);
  EXPECT_EQ(b[0], 1002);
  EXPECT_EQ(b[1], 3);
  EXPECT_EQ(b[2], -1);
  EXPECT_EQ(b[3], 0);
  EXPECT_TRUE(kept.empty());
}

TEST(DllParameters, TextsAndBytesAreKeptCopiesAndOtherTypesStayZero) {
  // A value holding the field separator keeps it; a Chinese text survives byte for byte.
  const std::vector<DllParameter> given{{"名称", kDllTypeText, "演示$参数，软件"},
                                        {"", kDllTypeBytes, std::string("a\0b", 3)},
                                        {"", "双精度小数型", "1.5"},
                                        {"", kDllTypeInteger, "99999999999"},
                                        {"", "", ""}};
  const std::string text = JoinDllParameters(given);
  const auto items = ParseDllParameters(text);
  ASSERT_EQ(items.size(), given.size());
  EXPECT_EQ(items[0].value, "演示$参数，软件");
  EXPECT_EQ(items[1].value, std::string("a\0b", 3));

  std::deque<std::string> kept{"earlier"};
  const char* earlier = kept.front().c_str();
  const DllArguments a = BuildDllArguments(items, kept);
  ASSERT_EQ(kept.size(), 3u);
  EXPECT_STREQ(reinterpret_cast<const char*>(a[0]), "演示$参数，软件");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(a[1]), 3), std::string("a\0b", 3));
  EXPECT_EQ(a[2], 0);
  EXPECT_EQ(a[3], 2147483647);  // clamped to 32 bits
  EXPECT_EQ(kept.front().c_str(), earlier);  // earlier copies never move
}

TEST(DllParameters, OnlyTheFirstFifteenItemsBecomeSlots) {
  std::vector<DllParameter> many;
  for (int i = 1; i <= 20; ++i) many.push_back({"p", kDllTypeInteger, std::to_string(i)});
  const auto items = ParseDllParameters(JoinDllParameters(many));
  ASSERT_EQ(items.size(), 20u);
  std::deque<std::string> kept;
  const DllArguments a = BuildDllArguments(items, kept);
  EXPECT_EQ(a[0], 1);
  EXPECT_EQ(a[14], 15);
}

TEST(DllParameters, FullWidthCommaIsNotFoundAcrossCharacters) {
  // "埃珸" is B0 A3 AC 40: the bytes of "，" (A3 AC) straddle the two characters.
  const auto items = ParseDllParameters(ConvertMessageText("埃珸，文本型，埃珸"));
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].label, "埃珸");
  EXPECT_EQ(items[0].type, "文本型");
  EXPECT_EQ(items[0].value, "埃珸");
}

}  // namespace
}  // namespace qmb
