// The progress display without the archive library: record percentages, the overall scale, the
// forward-only bar, the details-list mode and the registered callbacks.
#include "extract/install_progress.h"

#include <gtest/gtest.h>

#include <cstring>

#include "context/context.h"
#include "extract/recording_view.h"
#include "platform/host/host_platform.h"

namespace qmb {
namespace {

TEST(RecordPercent, SizesLargeAndEmpty) {
  EXPECT_EQ(RecordPercent(200, 50), 25);
  EXPECT_EQ(RecordPercent(3, 2), 66);  // the fraction is dropped
  EXPECT_EQ(RecordPercent(4000000000u, 4000000000u), 100);
  EXPECT_EQ(RecordPercent(0xFFFFFFFFu, 555), 55);  // 4 GiB and more: thousandths
  EXPECT_EQ(RecordPercent(0, 10), 0);
}

TEST(HandleArchiveProgress, ForwardsNameAndPercentToTheSink) {
  HostPlatform host;
  Context ctx(host.platform());
  std::vector<std::pair<std::string, int32_t>> calls;
  ctx.progress.current_sink = [&](const std::string& n, int32_t p) { calls.emplace_back(n, p); };

  sevenzip::ExtractingInfo info{};
  info.dwFileSize = 0xFFFFFFFFu;
  info.dwWriteSize = 420;
  std::strcpy(info.szDestFileName, "C:\\App\\big.bin");
  // Through the registered callback, as the library calls it during a run.
  {
    ActiveProgressContext active(ctx);
    EXPECT_EQ(OnArchiveProgress(nullptr, 0, sevenzip::kStateInProgress, &info), 1);
  }
  // A name that fills its whole field is cut at the field's end.
  std::memset(info.szDestFileName, 'n', sizeof(info.szDestFileName));
  std::memset(info.pad2, 'p', sizeof(info.pad2));
  info.dwFileSize = 10;
  info.dwWriteSize = 5;
  EXPECT_TRUE(HandleArchiveProgress(ctx, sevenzip::kStateFileBegin, &info));
  EXPECT_TRUE(HandleArchiveProgress(ctx, sevenzip::kStateRunEnd, nullptr));
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0], std::make_pair(std::string("C:\\App\\big.bin"), 42));
  EXPECT_EQ(calls[1], std::make_pair(std::string(513, 'n'), 50));
  EXPECT_EQ(calls[2], std::make_pair(std::string(), 100));

  // Without a published context the callback only lets the library go on.
  EXPECT_EQ(OnArchiveProgress(nullptr, 0, sevenzip::kStateRunEnd, nullptr), 1);
  EXPECT_EQ(calls.size(), 3u);
}

TEST(ReportInstallProgress, ForwardOnlyBarLinesAndCallbacks) {
  HostPlatform host;
  Context ctx(host.platform());
  RecordingView view;
  ctx.progress.view = &view;
  ctx.wizard.install_folder = "C:\\App";
  ctx.wizard.progress_templates = {"解压 %Default% %Default%"};
  std::vector<intptr_t> percents;
  std::vector<std::string> lines;
  ctx.progress.callbacks.push_back([&](intptr_t p) { percents.push_back(p); });
  ctx.progress.callbacks.push_back(
      [&](intptr_t text) { lines.emplace_back(reinterpret_cast<const char*>(text)); });

  ReportInstallProgress(ctx, "C:\\App\\a.txt", 50);
  ReportInstallProgress(ctx, "C:\\App\\sub\\b.txt", 30);  // lower: the bar stays
  ReportInstallProgress(ctx, "", 100);                    // end of the run
  EXPECT_EQ(view.bar, (std::vector<int32_t>{50, 100}));
  EXPECT_EQ(percents, (std::vector<intptr_t>{50, 100}));
  EXPECT_EQ(ctx.progress.installed_files, "C:\\App\\a.txt\r\nC:\\App\\sub\\b.txt\r\n");
  // Only the first "%Default%" is replaced; the first file has no line.
  EXPECT_EQ(view.details, (std::vector<std::string>{"解压 sub\\b.txt %Default%"}));
  EXPECT_EQ(lines, view.details);

  // Details-list mode 2: the status line moves, the list stays as it is.
  ctx.progress.details_list_mode = 2;
  ShowProgressLine(ctx, "shortcut");
  EXPECT_EQ(view.status, "shortcut");
  EXPECT_EQ(view.details.size(), 1u);
  EXPECT_EQ(host.dialogs().pending_message_calls(), 2);
}

TEST(ReportInstallProgress, EmptyFirstNameStartsNoLog) {
  HostPlatform host;
  Context ctx(host.platform());
  ReportInstallProgress(ctx, "", 100);  // a run that unpacked nothing
  EXPECT_FALSE(ctx.progress.log_started);
  EXPECT_EQ(ctx.progress.installed_files, "");
  ReportInstallProgress(ctx, "C:\\x.txt", 0);
  EXPECT_EQ(ctx.progress.installed_files, "C:\\x.txt\r\n");
}

}  // namespace
}  // namespace qmb
