// Support DLLs: written from the store into the support DLL folder under their MD5 names, loaded
// into the process, started once through the export the store names, and afterwards sent the
// program's messages through their export "kaye_msg".
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace qmb {

struct Context;

inline constexpr char kSupportDllFolderName[] = "qmb_dll";
inline constexpr char kDllMessageExport[] = "kaye_msg";
// A file that does not load is retried this many times, this far apart, then given up.
inline constexpr int kDllLoadAttempts = 50;
inline constexpr uint32_t kDllLoadRetryMs = 20;

std::string SupportDllFolder(const Context& ctx);

// Empties the support DLL folder of whatever can go (a file that did not load, one of an earlier
// run) before a DLL is looked up or written there.
void ResetSupportDllFolder(Context& ctx);

// Reads "QMBDLL.db" from the work folder and the expanded "QMBDLL_s.ini" of the loaded settings,
// and calls the start export of every record whose run kind fits this process. The support DLL
// folder is made only when a DLL is written there.
void StartSupportDlls(Context& ctx);

// Calls export of the DLL with those bytes (module 0: found in the loaded list by its path, or
// written and loaded) with the parameter text's arguments. -1 when the DLL does not load or lacks
// the export.
int32_t CallDllExport(Context& ctx, std::string_view bytes, const std::string& export_name,
                      std::string_view parameters, uintptr_t module);

// Sends a message in its readable form to every loaded DLL; their results in load order.
std::vector<int32_t> SendDllMessage(Context& ctx, std::string_view readable);

// Calls a routine whose address a DLL handed over (a callback) with up to fifteen arguments,
// through the same call as the exports: the caller's stack survives a routine that pops more or
// fewer arguments than it was given (a cdecl one, a wrong count). Its 32-bit result; -1 for 0.
int32_t CallDllRoutine(Context& ctx, uintptr_t address, std::initializer_list<intptr_t> arguments);

bool DllResultsContain(const std::vector<int32_t>& results, int32_t value);

// The GBK text at an address a DLL passed (empty for 0).
std::string DllText(intptr_t address);
// The address of a copy of text that lives as long as the process: what a request answers with.
intptr_t KeepAnswer(Context& ctx, std::string text);

}  // namespace qmb
