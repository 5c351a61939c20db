// The built-in texts filled in: the product with and without its version, and the publisher line.
#include "wizard/built_in_texts.h"

#include <gtest/gtest.h>

#include "context/context.h"
#include "platform/host/host_platform.h"
#include "startup/settings_variables.h"

namespace qmb {
namespace {

class BuiltInTextsTest : public ::testing::Test {
 protected:
  void Set(const char* key, const std::string& value) {
    ctx_.settings.data.Set(kMainSection, key, value);
  }
  HostPlatform host_;
  Context ctx_{host_.platform()};
};

TEST_F(BuiltInTextsTest, PlaceholdersBecomeTheProduct) {
  Set("禾木软件名称", "演示软件");
  Set("软件版本", "1.0.0");
  EXPECT_EQ(FillPlaceholders(ctx_, "欢迎使用 禾木软件 版本-安装向导"), "欢迎使用 演示软件 1.0.0-安装向导");
  EXPECT_EQ(FillPlaceholders(ctx_, "在安装“禾木软件版本”之前，请阅读授权协议"),
            "在安装“演示软件 1.0.0”之前，请阅读授权协议");
  EXPECT_EQ(FillPlaceholders(ctx_, "“禾木软件”已安装在您的系统。\r\n单击 [完成] 关闭此向导。"),
            "“演示软件”已安装在您的系统。\r\n单击 [完成] 关闭此向导。");
  // Without a version the product stands alone; texts without placeholders stay as they are.
  Set("软件版本", "");
  EXPECT_EQ(FillPlaceholders(ctx_, "已完成 禾木软件 版本-安装程序"), "已完成 演示软件-安装程序");
  EXPECT_EQ(FillPlaceholders(ctx_, "选择组件"), "选择组件");
}

TEST_F(BuiltInTextsTest, PublisherLineIsEmptyWithoutACompany) {
  EXPECT_EQ(CompanyLine(ctx_, "禾木公司版权所有"), "");
  Set("公司名称", "演示公司");
  EXPECT_EQ(CompanyLine(ctx_, "版权 禾木公司版权所有"), "版权 演示公司");
}

}  // namespace
}  // namespace qmb
