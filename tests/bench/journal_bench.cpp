// The install journal's own cost: a payload unpacked into a fresh install folder over the host
// platform with our archive library, once as an install does it (the journal records every file
// before it is written, notes what the install folder held, lists what it made, and is committed) and once with the
// same unpacking while no journal records (each file's check then returns at once). The difference
// is the journal's work; the extraction is the reference it is counted against.
//   journal_bench ARCHIVE PASSWORD [Google Benchmark flags]
// The host platform finds a name of any case by reading its folder, which for a name not there yet
// is a pass over the whole folder: in a folder of thousands of files that costs far more than the
// lookup of a real file system, and it would be counted to the journal, whose checks ask for names
// not there yet. Here names are looked up as they are spelled, as the archive spells them.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/gbk_codec.h"
#include "base/path.h"
#include "context/context.h"
#include "extract/archive_library.h"
#include "extract/extract_archive.h"
#include "extract/folder_path.h"
#include "extract/install_driver.h"
#include "extract/install_progress.h"
#include "platform/host/host_platform.h"
#include "system/created_items.h"

namespace qmb {
namespace {

constexpr char kInstallFolder[] = "C:\\App";

namespace fs = std::filesystem;

class ExactNameFiles : public HostFiles {
 public:
  using HostFiles::HostFiles;
  // The host path of a file or folder whose folder exists, its own name taken as spelled.
  std::string ExactHostPath(const std::string& path) const {
    const size_t cut = path.find_last_of('\\');
    if (cut == std::string::npos) return HostPath(path);
    return HostPath(path.substr(0, cut)) + "/" + GbkToUtf8(path.substr(cut + 1));
  }
  bool Exists(const std::string& path) override {
    std::error_code ec;
    return fs::exists(fs::symlink_status(ExactHostPath(path), ec));
  }
  bool IsDirectory(const std::string& path) override {
    std::error_code ec;
    return fs::is_directory(ExactHostPath(path), ec);
  }
};

struct Payload {
  std::string archive;  // a Linux path
  std::string password;
};

// The host ports of one benchmark, the files port looking names up as spelled, with the payload
// archive at C:\pkg\payload.7z.
struct Bench {
  explicit Bench(const Payload& payload) {
    files.CreateDirectory("C:\\pkg");
    fs::create_symlink(fs::absolute(payload.archive), files.HostPath("C:\\pkg\\payload.7z"));
  }
  // A context for one run, its archive library mapping names as spelled.
  void Prepare(Context& ctx) {
    ctx.extract.load_library = [this] {
      return std::optional<ArchiveLibrary>(
          NativeArchiveLibrary([this](const std::string& p) { return files.ExactHostPath(p); }));
    };
    ctx.wizard.install_folder = kInstallFolder;
  }
  // Unpacks the payload into the install folder as an install does, the sink seeing every report.
  bool Extract(Context& ctx, const Payload& payload, const ProgressSink& sink) {
    std::string archive = "C:\\pkg\\payload.7z";
    std::string destination = kInstallFolder;
    return ExtractArchive(ctx, archive, destination, false, payload.password, sink, "", "", {});
  }
  ~Bench() { NativeArchiveLibrary(nullptr); }

  HostPlatform host;
  ExactNameFiles files{host.root()};
  Platform platform{files,      host.registry(), host.processes(), host.shell(),
                    host.env(), host.dialogs(),  host.modules()};
};

void Unpack(benchmark::State& state, const Payload& payload, bool journal) {
  Bench bench(payload);
  const std::string folder_on_host = bench.files.HostPath(kInstallFolder);
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(folder_on_host);
    Context ctx{bench.platform};
    bench.Prepare(ctx);
    const ProgressSink sink = [&ctx](const std::string& name, int32_t percent) {
      ReportInstallProgress(ctx, name, percent);
    };
    state.ResumeTiming();

    if (journal) BeginInstallJournal(ctx);
    const bool unpacked = bench.Extract(ctx, payload, sink);
    if (journal) {
      benchmark::DoNotOptimize(ctx.journal.Created());
      ctx.journal.Commit();
    }

    state.PauseTiming();
    if (!unpacked) state.SkipWithError("the payload could not be unpacked");
    state.ResumeTiming();
  }
}

// The journal's own work without the unpacking: the calls an install makes for the payload's files
// (their names taken from one unpacking) replayed into folders that are there already but hold
// none of the files, then the list of what the install made and the commit. In folders the user
// made, every file is looked at before it is written (in folders the install makes, none is), which
// makes this an upper bound of what the journal adds to the unpacking of this payload.
void JournalAlone(benchmark::State& state, const Payload& payload) {
  Bench bench(payload);
  std::vector<std::string> names;
  {
    Context ctx{bench.platform};
    bench.Prepare(ctx);
    const ProgressSink sink = [&names](const std::string& name, int32_t) {
      if (!name.empty() && (names.empty() || names.back() != name)) names.push_back(name);
    };
    if (!bench.Extract(ctx, payload, sink)) state.SkipWithError("the payload could not be unpacked");
  }
  const std::string replay = std::string(kInstallFolder) + "-replay";
  for (std::string& name : names) {
    name.replace(0, std::string(kInstallFolder).size(), replay);
    CreateFolderPath(bench.files, ParentFolder(name));
  }
  for (auto _ : state) {
    Context ctx{bench.platform};
    ctx.wizard.install_folder = replay;
    BeginInstallJournal(ctx);
    ctx.journal.NoteFolderContents(replay);
    for (const std::string& name : names) ctx.journal.PrepareFile(name);
    benchmark::DoNotOptimize(ctx.journal.Created());
    ctx.journal.Commit();
  }
}

}  // namespace
}  // namespace qmb

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: journal_bench ARCHIVE PASSWORD [benchmark flags]\n");
    return 2;
  }
  const qmb::Payload payload{argv[1], argv[2]};
  benchmark::RegisterBenchmark("journal_alone", [payload](benchmark::State& state) {
    qmb::JournalAlone(state, payload);
  })->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
  for (const bool journal : {false, true}) {
    benchmark::RegisterBenchmark(journal ? "unpack_with_journal" : "unpack_without_journal",
                                 [payload, journal](benchmark::State& state) {
                                   qmb::Unpack(state, payload, journal);
                                 })
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime()
        ->UseRealTime();
  }
  argv[2] = argv[0];
  argc -= 2;
  argv += 2;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
