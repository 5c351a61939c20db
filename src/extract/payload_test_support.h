// Shared piece of the tests that unpack a real payload: a context over a fresh host platform with
// the natively linked archive library, and payload archives made by 7zz.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "context/context.h"
#include "extract/archive_library.h"
#include "platform/host/host_platform.h"

namespace qmb::test {

class PayloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx_.extract.load_library = [this] {
      return std::optional<ArchiveLibrary>(
          NativeArchiveLibrary([this](const std::string& p) { return host_.files().HostPath(p); }));
    };
    ctx_.log.SetSink([this](std::string_view line) { log_ += std::string(line) + "\n"; });
  }
  void TearDown() override { NativeArchiveLibrary(nullptr); }

  // Packs files (relative ASCII name, content) with the password into the archive (a Windows path
  // whose folder exists), which becomes the archive path. switches are further 7zz switches.
  void MakePayload(const std::vector<std::pair<std::string, std::string>>& entries,
                   const std::string& password,
                   const std::string& archive = "C:\\pkg\\payload.7z",
                   const std::string& switches = "") {
    namespace fs = std::filesystem;
    const fs::path source = fs::path(host_.root()) / ("source" + std::to_string(++payloads_));
    for (const auto& [name, content] : entries) {
      fs::create_directories((source / name).parent_path());
      std::ofstream(source / name, std::ios::binary) << content;
    }
    host_.files().CreateDirectory("C:\\pkg");
    const std::string command = "cd '" + source.string() + "' && 7zz a -bd -y -mhe=on " + switches + " '-p" +
                                password + "' '" + host_.files().HostPath(archive) +
                                "' . > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    ctx_.startup.archive_path = archive;
  }

  std::string Read(const std::string& path) {
    return host_.files().ReadAll(path).value_or("<missing>");
  }
  bool Exists(const std::string& path) { return host_.files().Exists(path); }

  HostPlatform host_;
  Context ctx_{host_.platform()};
  std::string log_;
  int payloads_ = 0;
};

}  // namespace qmb::test
