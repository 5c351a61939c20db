// Writing, loading, starting and messaging support DLLs.
#include "startup/support_dlls.h"

#include <algorithm>

#include "base/dll_parameters.h"
#include "base/dll_store.h"
#include "context/context.h"

namespace qmb {

namespace {

std::string Describe(const std::string& export_name, const std::string& path) {
  return export_name + " of " + path;
}

// Writes the bytes under their name into the support DLL folder and loads them. A file that never loads (not a DLL, blocked) is given up after a bounded
// number of attempts rather than waited for without end.
uintptr_t WriteAndLoad(Context& ctx, std::string_view bytes, const std::string& path) {
  Files& files = ctx.platform.files;
  // The file is named after its bytes' digest: one that another process holds open cannot be
  // written again, but when it holds the same bytes it is the DLL, ready to load.
  if (!files.WriteAll(path, bytes)) {
    if (files.ReadAll(path) != std::optional<std::string>(std::string(bytes))) {
      ctx.log.Failure("support DLL: cannot write " + path);
      return 0;
    }
    ctx.log.Step("support DLL: " + path + " is in use and already holds these bytes");
  }
  for (int attempt = 1; attempt <= kDllLoadAttempts; ++attempt) {
    if (const uintptr_t module = ctx.platform.modules.Load(path)) {
      ctx.support_dlls.loaded.push_back(LoadedDll{path, module});
      ctx.log.Step("support DLL: loaded " + path);
      return module;
    }
    if (attempt < kDllLoadAttempts) ctx.platform.processes.Sleep(kDllLoadRetryMs);
  }
  ctx.log.Failure("support DLL: " + path + " does not load after " +
                  std::to_string(kDllLoadAttempts) + " attempts; given up");
  return 0;
}

}  // namespace

void ResetSupportDllFolder(Context& ctx) {
  Files& files = ctx.platform.files;
  const std::string folder = SupportDllFolder(ctx);
  files.RemoveTree(folder);  // files of loaded DLLs cannot go, and stay
  if (!files.CreateDirectory(folder)) ctx.log.Failure("support DLL: cannot make " + folder);
}

std::string SupportDllFolder(const Context& ctx) {
  return ctx.platform.env.TempFolder() + kSupportDllFolderName;
}

int32_t CallDllExport(Context& ctx, std::string_view bytes, const std::string& export_name,
                      std::string_view parameters, uintptr_t module) {
  std::string path;
  if (module == 0) {
    if (bytes.empty()) {
      ctx.log.Failure("support DLL: a record without DLL bytes; " + export_name + " not called");
      return -1;
    }
    ResetSupportDllFolder(ctx);
    path = SupportDllFolder(ctx) + "\\" + SupportDllFileName(bytes);
    const std::vector<LoadedDll>& loaded = ctx.support_dlls.loaded;
    const auto it = std::find_if(loaded.begin(), loaded.end(),
                                 [&](const LoadedDll& d) { return d.path == path; });
    module = it != loaded.end() ? it->handle : WriteAndLoad(ctx, bytes, path);
    if (module == 0) return -1;
  }
  const uintptr_t function = ctx.platform.modules.FindExport(module, export_name);
  if (function == 0) {
    ctx.log.Failure("support DLL: no export " +
                    Describe(export_name, path.empty() ? std::to_string(module) : path));
    return -1;
  }
  const std::vector<DllParameter> items = ParseDllParameters(parameters);
  if (items.size() > kDllArgumentSlots)
    ctx.log.Failure("support DLL: " + std::to_string(items.size()) + " parameters for " +
                    export_name + "; only the first " + std::to_string(kDllArgumentSlots) +
                    " are passed");
  const DllArguments arguments = BuildDllArguments(items, ctx.support_dlls.kept_arguments);
  return ctx.platform.modules.Call(function, arguments);
}

int32_t CallDllRoutine(Context& ctx, uintptr_t address, std::initializer_list<intptr_t> arguments) {
  if (address == 0) return -1;
  DllArguments slots{};
  std::copy_n(arguments.begin(), std::min(arguments.size(), slots.size()), slots.begin());
  return ctx.platform.modules.Call(address, slots);
}

void StartSupportDlls(Context& ctx) {
  const std::string db_path = ctx.startup.work_folder + "QMBDLL.db";
  const std::string db =
      ctx.startup.work_folder.empty() ? std::string()
                                      : ctx.platform.files.ReadAll(db_path).value_or(std::string());
  const std::optional<std::vector<DllRecord>> records = ReadDllStore(db, ctx.settings.dll_settings);
  if (!records) {
    ctx.log.Failure("support DLL: " + db_path + " is neither plain nor compressed; none started");
    return;
  }
  const int package_result = ctx.startup.package_result;
  for (size_t i = 0; i < records->size(); ++i) {
    const DllRecord& r = (*records)[i];
    if (!DllRunsFor(r.run_kind, package_result)) {
      ctx.log.Step("support DLL: record " + std::to_string(i + 1) + " (run kind " +
                   std::to_string(r.run_kind) + ") is not for this program");
      continue;
    }
    const int32_t result = CallDllExport(ctx, r.bytes, r.export_name, r.parameters, 0);
    ctx.log.Step("support DLL: record " + std::to_string(i + 1) + " started " + r.export_name +
                 ", result " + std::to_string(result));
  }
}

std::vector<int32_t> SendDllMessage(Context& ctx, std::string_view readable) {
  std::vector<int32_t> results;
  if (ctx.support_dlls.loaded.empty()) return results;
  const std::string text = ConvertMessageText(readable);
  // The list may grow while a DLL handles the message; only the DLLs loaded now receive it.
  const std::vector<LoadedDll> loaded = ctx.support_dlls.loaded;
  std::string summary;
  for (const LoadedDll& dll : loaded) {
    results.push_back(CallDllExport(ctx, {}, kDllMessageExport, text, dll.handle));
    summary += " " + std::to_string(results.back());
  }
  const std::vector<DllParameter> items = ParseDllParameters(text);
  ctx.log.Step("support DLL: message " + (items.empty() ? std::string() : items[0].value) +
               " answered" + summary);
  return results;
}

std::string DllText(intptr_t address) {
  return address == 0 ? std::string() : std::string(reinterpret_cast<const char*>(address));
}

intptr_t KeepAnswer(Context& ctx, std::string text) {
  ctx.support_dlls.kept_answers.push_back(std::move(text));
  return reinterpret_cast<intptr_t>(ctx.support_dlls.kept_answers.back().c_str());
}

bool DllResultsContain(const std::vector<int32_t>& results, int32_t value) {
  return std::find(results.begin(), results.end(), value) != results.end();
}

}  // namespace qmb
