// mkpackage: turns a package project (settings/ and payload/) into a package, or describes one.
//   mkpackage --runtime setup.exe PROJECT -o PACKAGE.exe [--sign CERT.pfx ...]
//     (with SOURCE_DATE_EPOCH set: a reproducible package)
//   mkpackage --inspect PACKAGE.exe
//   mkpackage check [--runtime setup.exe] PROJECT
//   mkpackage new DIR
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "file_io.h"
#include "package_inspector.h"
#include "package_writer.h"
#include "progress_line.h"
#include "project_check.h"
#include "project_template.h"

namespace {

constexpr char kUsage[] =
    "usage: mkpackage --runtime SETUP.exe PROJECT -o PACKAGE.exe\n"
    "                 [--sign CERT.pfx [--sign-password-file FILE] [--timestamp URL]]\n"
    "       mkpackage --inspect PACKAGE.exe\n"
    "       mkpackage check [--runtime SETUP.exe] PROJECT\n"
    "       mkpackage new DIR\n";

// A wrong command line: the usage on stderr, exit code 2.
int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

// Seconds on a steady clock (<chrono> does not build with the GBK execution character set).
double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

int Fail(const std::string& error) {
  std::fprintf(stderr, "mkpackage: %s\n", error.c_str());
  return 1;
}

// The processor the runtime image is built for, which its support DLLs must share.
std::optional<uint32_t> RuntimeMachine(const std::string& runtime, std::string& error) {
  using namespace qmb::mkpackage;
  const std::optional<std::string> image = ReadWholeFile(runtime);
  if (!image) {
    error = "cannot read the runtime " + runtime;
    return std::nullopt;
  }
  const std::optional<ModuleFacts> facts = ReadModuleFacts(*image, error);
  if (!facts) {
    error = "the runtime " + runtime + ": " + error;
    return std::nullopt;
  }
  return facts->machine;
}

// Prints the findings on stderr; true when there is no error among them.
bool ReportCheck(const std::string& project, uint32_t installer_machine) {
  using namespace qmb::mkpackage;
  const CheckResult result = CheckProject(project, installer_machine);
  for (const Finding& f : result.findings) std::fprintf(stderr, "%s\n", FormatFinding(f).c_str());
  std::fprintf(stderr, "mkpackage: check of %s: %d error(s), %d warning(s)\n", project.c_str(),
               result.Errors(), result.Warnings());
  return result.Errors() == 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace qmb::mkpackage;
  std::string error;
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::fputs(kUsage, stdout);  // asked for: not an error
    return 0;
  }
  if (argc == 3 && std::string(argv[1]) == "--inspect") {
    auto report = InspectPackage(argv[2], error);
    if (!report) return Fail(error);
    std::fputs(FormatReport(*report).c_str(), stdout);
    return 0;
  }
  if (argc >= 3 && std::string(argv[1]) == "check") {
    if (argc == 3) return ReportCheck(argv[2], kMachineX86) ? 0 : 1;
    if (argc != 5 || std::string(argv[2]) != "--runtime") return Usage();
    const std::optional<uint32_t> machine = RuntimeMachine(argv[3], error);
    if (!machine) return Fail(error);
    return ReportCheck(argv[4], *machine) ? 0 : 1;
  }
  if (argc == 3 && std::string(argv[1]) == "new") {
    if (!WriteNewProject(argv[2], error)) return Fail(error);
    std::printf("mkpackage: wrote a new project in %s\n", argv[2]);
    return 0;
  }
  PackageRequest request;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runtime" && i + 1 < argc) {
      request.runtime = argv[++i];
    } else if (arg == "-o" && i + 1 < argc) {
      request.output = argv[++i];
    } else if (arg == "--sign" && i + 1 < argc) {
      if (!request.signing) request.signing.emplace();
      request.signing->certificate = argv[++i];
    } else if (arg == "--sign-password-file" && i + 1 < argc) {
      if (!request.signing) request.signing.emplace();
      request.signing->password_file = argv[++i];
    } else if (arg == "--timestamp" && i + 1 < argc) {
      if (!request.signing) request.signing.emplace();
      request.signing->timestamp_url = argv[++i];
    } else if (!arg.starts_with("-") && request.project.empty()) {
      request.project = arg;
    } else {
      return Usage();
    }
  }
  if (request.runtime.empty() || request.project.empty() || request.output.empty()) return Usage();
  if (request.signing && request.signing->certificate.empty()) return Usage();  // options without --sign
  // The reproducible-builds convention: a build time in seconds since 1970.
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && *epoch) {
    char* end = nullptr;
    const unsigned long long seconds = std::strtoull(epoch, &end, 10);
    if (*end != '\0' || !std::isdigit(static_cast<unsigned char>(*epoch)))
      return Fail(std::string("SOURCE_DATE_EPOCH \"") + epoch + "\" is no number of seconds");
    request.source_date_epoch = seconds;
  }
  const std::optional<uint32_t> machine = RuntimeMachine(request.runtime.string(), error);
  if (!machine) return Fail(error);
  if (!ReportCheck(request.project.string(), *machine))
    return Fail("the project has errors; no package written");
  const double start = Now();
  ProgressLine line(stdout, isatty(fileno(stdout)) != 0, "mkpackage: compressing the payload");
  request.progress = [&line](int percent) { line.Update(percent); };
  PackageSummary summary;
  const bool written = WritePackage(request, error, &summary);
  line.Finish();
  if (!written) return Fail(error);
  std::printf("mkpackage: wrote %s: %s\n", request.output.c_str(),
              FormatSummary(summary, Now() - start).c_str());
  return 0;
}
