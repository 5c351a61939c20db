// Entry point of the runtime image: the process-wide context, the archive library in the temp
// folder, the start-up window and the message loop.
#include "app/setup/archive_library_loader.h"
#include "app/setup/message_entry.h"
#include "app/setup/open_redirect.h"
#include "app/setup/startup_window.h"
#include "app/setup/template_mark.h"
#include "app/setup/waiting_window.h"
#include "context/context.h"
#include "extract/install_progress.h"
#include "platform/win32/dialog_keys.h"
#include "platform/win32/image_box.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_include.h"

namespace {

int RunMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (qmb::HandleDialogKey(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace qmb;
  Win32Platform platform;
  Context ctx(platform.platform());
  AttachLogFile(ctx);
  // Read through a volatile pointer, the mark keeps its own storage in the image: a plain use
  // lets the compiler fold the text into immediate stores, and the mark would no longer stand in
  // the image as one text.
  const char* volatile template_mark = kTemplateMark;
  ctx.log.Step(std::string("start: ") + template_mark);
  // The image decoder and the support DLLs' window class, for the whole process.
  ImageModule images;
  if (!images.started()) ctx.log.Failure("start: the image decoder does not start");
  if (!images.class_registered()) ctx.log.Failure("start: cannot register CometLoadDialog");

  InstallArchiveLibrary(ctx);
  ctx.extract.load_library = [&ctx] { return LoadArchiveLibrary(ctx); };
  CreateFileRedirection open_redirect;  // irregular split volumes
  ctx.extract.open_redirect = &open_redirect;
  ctx.wizard.show_progress_line = [&ctx](const std::string& line) { ShowProgressLine(ctx, line); };
  SetMessageEntryContext(&ctx);
  ctx.support_dlls.fill_tree_routine = reinterpret_cast<uintptr_t>(&FillTreeEntry);
  AttachWaitingWindow(ctx);

  if (!CreateStartupWindow(ctx)) return 0;
  const int result = RunMessageLoop();
  ctx.log.Step("start: message loop ended");
  SetMessageEntryContext(nullptr);
  return result;
}
