#include "context/context.h"

#include <gtest/gtest.h>

#include "platform/host/host_platform.h"

namespace qmb {
namespace {

TEST(AttachLogFileTest, AppendsEveryLineToTheNamedFile) {
  HostPlatform host;
  host.env().SetVariable("SETUP_LOG", "C:\\Temp\\setup.log");
  ASSERT_TRUE(host.files().WriteAll("C:\\Temp\\setup.log", "earlier\r\n"));
  Context ctx(host.platform());
  AttachLogFile(ctx);
  ctx.log.Step("one");
  ctx.log.Failure("two");
  EXPECT_EQ(host.files().ReadAll("C:\\Temp\\setup.log"), "earlier\r\none\r\nfailed: two\r\n");
}

TEST(AttachLogFileTest, NoVariableNoFile) {
  HostPlatform host;
  Context ctx(host.platform());
  AttachLogFile(ctx);
  ctx.log.Step("one");
  EXPECT_TRUE(host.files().List("C:\\Temp").empty());
}

}  // namespace
}  // namespace qmb
