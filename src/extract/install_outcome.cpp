// The installation's outcome and the exit code it gives.
#include "extract/install_outcome.h"

#include "context/context.h"

namespace qmb {

uint32_t ExitCodeOf(InstallResult result) {
  switch (result) {
    case InstallResult::kNotRun:
    case InstallResult::kComplete:
      return 0;
    case InstallResult::kNoPackage:
      return 1;
    case InstallResult::kExtractionFailed:
      return 2;
    case InstallResult::kNoFolder:
      return 3;
    case InstallResult::kFolderRejected:
      return 4;
    case InstallResult::kTooLittleSpace:
      return 5;
    case InstallResult::kPasswordCancelled:
      return 6;
    case InstallResult::kPasswordWrong:
      return 7;
    case InstallResult::kUninstallerFailed:
      return 8;
    case InstallResult::kBadProductName:
      return 9;
    case InstallResult::kCancelled:
      return 10;
    case InstallResult::kStepFailed:
      return 11;
    case InstallResult::kRollbackIncomplete:
      return 12;
  }
  return 1;
}

void SetOutcome(Context& ctx, InstallResult result, std::string reason) {
  if (!reason.empty()) ctx.log.Failure("install: " + reason);
  ctx.outcome.result = result;
  ctx.outcome.reason = std::move(reason);
}

void EndProcess(Context& ctx) {
  InstallOutcome& outcome = ctx.outcome;
  if (outcome.process_ended) return;
  outcome.process_ended = true;
  const uint32_t code = ExitCodeOf(outcome.result);
  std::string line = "end: exit code " + std::to_string(code);
  if (!outcome.reason.empty()) line += " (" + outcome.reason + ")";
  ctx.log.Step(line);
  ctx.platform.processes.Exit(code);
}

}  // namespace qmb
