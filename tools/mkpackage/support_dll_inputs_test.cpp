// The support-DLL description: records as the installer reads them, and the author's mistakes.
#include "support_dll_inputs.h"

#include <gtest/gtest.h>

#include "base/dll_parameters.h"

namespace qmb::mkpackage {
namespace {

std::optional<std::string> Files(const std::string& name) {
  if (name == "a.dll") return std::string("MZ a");
  return std::nullopt;
}

TEST(SupportDllInputs, RecordsInFileOrderWithTypedParameters) {
  std::string error;
  const auto records = ParseSupportIni(
      "[start]\nfile=a.dll\nexport=Start\nparam1=text,%InstallPath%,x\nparam2=integer,-5\n"
      "param3=字节集,ab\n[again]\nfile=a.dll\nexport=Again\nrun=both\n",
      Files, error);
  ASSERT_TRUE(records) << error;
  ASSERT_EQ(records->size(), 2u);
  const DllRecord& r = (*records)[0];
  EXPECT_EQ(r.export_name, "Start");
  EXPECT_EQ(r.run_kind, kRunInInstaller);
  EXPECT_EQ(r.bytes, "MZ a");
  const auto items = ParseDllParameters(r.parameters);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].type, kDllTypeText);
  EXPECT_EQ(items[0].value, "%InstallPath%,x");
  EXPECT_EQ(items[1].type, kDllTypeInteger);
  EXPECT_EQ(items[1].value, "-5");
  EXPECT_EQ(items[2].type, kDllTypeBytes);
  EXPECT_EQ((*records)[1].run_kind, kRunInBoth);
  EXPECT_EQ((*records)[1].parameters, "");
}

TEST(SupportDllInputs, MistakesNameTheirSection) {
  std::string error;
  EXPECT_FALSE(ParseSupportIni("[s]\nfile=a.dll\n", Files, error));
  EXPECT_EQ(error, "support.ini [s]: needs a file and an export");
  EXPECT_FALSE(ParseSupportIni("[s]\nfile=b.dll\nexport=X\n", Files, error));
  EXPECT_EQ(error, "support.ini [s]: cannot read the DLL file b.dll");
  EXPECT_FALSE(ParseSupportIni("[s]\nfile=a.dll\nexport=X\nrun=sometimes\n", Files, error));
  EXPECT_FALSE(ParseSupportIni("[s]\nfile=a.dll\nexport=X\nparam1=float,1.5\n", Files, error));
  EXPECT_EQ(error, "support.ini [s]: param1 is \"type,value\" with type text, bytes or integer");
  std::string many = "[s]\nfile=a.dll\nexport=X\n";
  for (int i = 1; i <= 16; ++i) many += "param" + std::to_string(i) + "=integer,1\n";
  EXPECT_FALSE(ParseSupportIni(many, Files, error));
}

}  // namespace
}  // namespace qmb::mkpackage
