// Removing the payload copy, the work folder and the volume folder.
#include "startup/temporary_files.h"

#include <gtest/gtest.h>

#include "context/context.h"
#include "platform/host/host_platform.h"

namespace qmb {
namespace {

TEST(RemoveTemporaryFiles, PayloadCopyWorkFolderAndVolumeFolder) {
  HostPlatform host;
  Files& files = host.files();
  Context ctx(host.platform());
  ctx.startup.run_folder = "C:\\pkg";
  ctx.startup.work_folder = "C:\\Temp\\1a2b.tmp\\";
  ctx.startup.archive_path = "C:\\Temp\\1a2c.tmp.7zqmb";
  ctx.wizard.install_folder = "C:\\App";
  ASSERT_TRUE(files.CreateDirectory(ctx.startup.work_folder));
  ASSERT_TRUE(files.WriteAll("C:\\Temp\\1a2b.tmp\\data.ini", "x"));
  ASSERT_TRUE(files.WriteAll(ctx.startup.archive_path, "7z"));
  ASSERT_TRUE(files.CreateDirectory("C:\\App"));
  ASSERT_TRUE(files.CreateDirectory("C:\\App\\7ztemp"));
  ASSERT_TRUE(files.WriteAll("C:\\App\\keep.txt", "k"));

  // Start-up keeps the payload. A volume folder this run did not make is the user's.
  RemoveTemporaryFiles(ctx, false);
  EXPECT_FALSE(files.Exists("C:\\Temp\\1a2b.tmp"));
  EXPECT_TRUE(files.Exists("C:\\App\\7ztemp"));
  // Made by this run: the journal recorded it.
  ctx.journal.Begin("C:\\App\\backup");
  host.files().RemoveFolder("C:\\App\\7ztemp");
  ASSERT_TRUE(ctx.journal.CreateFolderPath("C:\\App\\7ztemp"));
  RemoveTemporaryFiles(ctx, false);
  EXPECT_FALSE(files.Exists("C:\\App\\7ztemp"));
  EXPECT_TRUE(files.Exists(ctx.startup.archive_path));
  EXPECT_TRUE(files.Exists("C:\\App\\keep.txt"));

  RemoveTemporaryFiles(ctx, true);
  EXPECT_FALSE(files.Exists(ctx.startup.archive_path));
}

TEST(RemoveTemporaryFiles, LeavesTheUsersFilesAlone) {
  HostPlatform host;
  Files& files = host.files();
  Context ctx(host.platform());
  // A package started from the temp folder: its work folder is its own folder (test mode) and
  // its archive path is the package itself.
  ctx.startup.run_folder = "C:\\Temp\\dl";
  ctx.startup.work_folder = "C:\\Temp\\dl\\";
  ctx.startup.package_file_path = "C:\\Temp\\dl\\setup.exe";
  ctx.startup.archive_path = ctx.startup.package_file_path;
  ASSERT_TRUE(files.CreateDirectory("C:\\Temp\\dl"));
  ASSERT_TRUE(files.WriteAll(ctx.startup.package_file_path, "MZ"));
  RemoveTemporaryFiles(ctx, true);
  EXPECT_TRUE(files.Exists(ctx.startup.package_file_path));

  // No work folder and no install folder: nothing is touched (no relative "\7ztemp").
  ctx.startup.work_folder.clear();
  ctx.startup.archive_path = "C:\\Temp\\dl\\setup.001";
  ASSERT_TRUE(files.WriteAll(ctx.startup.archive_path, "v"));
  RemoveTemporaryFiles(ctx, true);
  EXPECT_TRUE(files.Exists(ctx.startup.archive_path));
  EXPECT_TRUE(files.Exists("C:\\Temp\\dl"));
}

}  // namespace
}  // namespace qmb
