// The placeholders of the built-in texts, filled in from data.ini.
#include "wizard/built_in_texts.h"

#include "base/text.h"
#include "context/context.h"
#include "startup/settings_loader.h"

namespace qmb {
namespace {

constexpr char kProduct[] = "禾木软件";
constexpr char kVersionWord[] = "版本";
constexpr char kCompany[] = "禾木公司版权所有";

}  // namespace

std::string FillPlaceholders(const Context& ctx, const std::string& text) {
  const std::string product = ReadSetting(ctx, "禾木软件名称");
  const std::string version = ReadSetting(ctx, "软件版本");
  const std::string with_version = version.empty() ? product : product + " " + version;
  // "禾木软件 版本" (the welcome and finish titles) and "禾木软件版本" both stand for the product
  // with its version; what is left names the product alone.
  std::string filled = ReplaceAllGbk(text, std::string(kProduct) + " " + kVersionWord, with_version);
  filled = ReplaceAllGbk(filled, std::string(kProduct) + kVersionWord, with_version);
  return ReplaceAllGbk(filled, kProduct, product);
}

std::string CompanyLine(const Context& ctx, const std::string& text) {
  return ReplaceAllGbk(text, kCompany, ReadSetting(ctx, "公司名称"));
}

}  // namespace qmb
