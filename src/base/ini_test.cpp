#include "base/ini.h"

#include <gtest/gtest.h>

namespace qmb {
namespace {

using Names = std::vector<std::string>;

TEST(IniTest, NamesCompareCaseInsensitivelyFirstMatchWins) {
  IniFile ini("[Main]\r\nKey=1\r\nkey=2\r\n[main]\r\nother=3\r\n");
  EXPECT_EQ(ini.Get("MAIN", "KEY"), "1");
  EXPECT_EQ(ini.Get("main", "other"), std::nullopt);  // only the first [main] is read
  EXPECT_EQ(ini.SectionNames(), (Names{"Main", "main"}));
  EXPECT_EQ(ini.KeyNames("main"), (Names{"Key", "key"}));
}

TEST(IniTest, BlanksQuotesAndComments) {
  IniFile ini(
      "[ s ]\n"
      "  a  =  spaced value  \n"
      "b=\"quoted \"\n"
      "c=' single '\n"
      "d=\"mismatched'\n"
      "e=\"\n"
      "; f=comment\n"
      "g=x=y\n"
      "no equals sign\n"
      "=no key\n"
      "h=\n");
  EXPECT_EQ(ini.Get("s", "a"), "spaced value");
  EXPECT_EQ(ini.Get("s", "b"), "quoted ");
  EXPECT_EQ(ini.Get("s", "c"), " single ");
  EXPECT_EQ(ini.Get("s", "d"), "\"mismatched'");
  EXPECT_EQ(ini.Get("s", "e"), "\"");
  EXPECT_EQ(ini.Get("s", "; f"), std::nullopt);
  EXPECT_EQ(ini.Get("s", "g"), "x=y");
  EXPECT_EQ(ini.Get("s", "h"), "");
  EXPECT_EQ(ini.KeyNames("s"), (Names{"a", "b", "c", "d", "e", "g", "h"}));
}

TEST(IniTest, MissingValuesAndKeysBeforeSections) {
  IniFile ini("orphan=1\r\n[a]\r\nk=v");  // last line without a line end
  EXPECT_EQ(ini.Get("a", "k"), "v");
  EXPECT_EQ(ini.Get("", "orphan"), std::nullopt);
  EXPECT_EQ(ini.Get("b", "k"), std::nullopt);
  EXPECT_EQ(ini.Value("a", "none"), "");
  EXPECT_TRUE(ini.KeyNames("b").empty());
  EXPECT_TRUE(IniFile("").SectionNames().empty());
}

TEST(IniTest, GbkNames) {
  // "乚" ends in the byte ']' and "乕" in '[': neither closes nor opens a section name.
  IniFile ini("[禾木软件安装配置]\r\n禾木软件名称=演示\r\n[乚乕]\r\n表=昞\r\n");
  EXPECT_EQ(ini.Get("禾木软件安装配置", "禾木软件名称"), "演示");
  EXPECT_EQ(ini.Get("乚乕", "表"), "昞");
  EXPECT_EQ(ini.SectionNames(), (Names{"禾木软件安装配置", "乚乕"}));
}

TEST(IniTest, TrailingBinaryDataIsPassedOver) {
  std::string text = "[软件卸载配置]\r\n软件名称=Demo\r\n";
  std::string binary = std::string("卸载路径\x01" "C:\\a\r\n\x00\xff[\x80\r\n\x81", 22) + "卸载路径end";
  for (int i = 0; i < 256; ++i) binary.push_back(static_cast<char>(i));
  IniFile ini(text + binary);
  EXPECT_EQ(ini.Get("软件卸载配置", "软件名称"), "Demo");
  EXPECT_EQ(ini.SectionNames(), (Names{"软件卸载配置"}));
}

TEST(IniTest, SetKeepsOrderAndRoundTrips) {
  IniFile ini("[b]\r\nx=1\r\ny=2\r\n[a]\r\nz=3\r\n");
  ini.Set("B", "Y", "20");
  ini.Set("a", "new", "4");
  ini.Set("c", "k", "5");
  EXPECT_EQ(ini.Serialize(), "[b]\r\nx=1\r\ny=20\r\n[a]\r\nz=3\r\nnew=4\r\n[c]\r\nk=5\r\n");

  IniFile edge;
  edge.Set("s", "blanks", "  padded  ");
  edge.Set("s", "quoted", "\"q\"");
  edge.Set("s", "lines", "one\r\n[two]");
  IniFile reread(edge.Serialize());
  EXPECT_EQ(reread.Get("s", "blanks"), "  padded  ");
  EXPECT_EQ(reread.Get("s", "quoted"), "\"q\"");
  // A line break cannot live in a value: it would start a new line of the file.
  EXPECT_EQ(reread.Get("s", "lines"), "one  [two]");
  EXPECT_EQ(reread.SectionNames(), (Names{"s"}));
}

}  // namespace
}  // namespace qmb
