// The extraction engine: every unpacking goes through ExtractArchive, which hands one command line
// to the archive library. The assignment pass of "Except.ini" and the extractions a controlling
// module asks for are built on it.
#pragma once

#include <string>
#include <vector>

#include "extract/extract_state.h"

namespace qmb {

struct Context;

// The command line of one run: "x " (folders kept) or "e " (flat), the quoted archive and
// destination, the entry patterns, the password switch (always present) and the exclusions. An
// exclusion list replaces the inclusion items; empty items (a trailing comma) are left out.
std::string BuildExtractCommandLine(const std::string& archive, const std::string& destination,
                                    bool flat, const std::string& password,
                                    const std::string& inclusion, const std::string& exclusion);

// Appends names (one or more comma-separated entry names) to the inclusion or exclusion list,
// after a "," when the list is not empty: the rule of the script commands and of the controlling
// module's requests.
void AppendToEntryList(std::string& list, const std::string& names);

// One extraction run into destination (created with its parents; "\" appended). The sink, when
// given, receives the library's per-file progress. A non-empty volumes list (irregularly named split
// volumes) is unpacked through a placeholder set below destination, which is removed afterwards;
// archive then names the first placeholder. True when the library returned 0.
bool ExtractArchive(Context& ctx, std::string& archive, std::string& destination, bool flat,
                    const std::string& password, ProgressSink sink, const std::string& inclusion,
                    const std::string& exclusion, const std::vector<std::string>& volumes);

// The assignment pass: each group of the assignment list ("Except.ini", "%InstallPath%" replaced)
// is unpacked flat into its folder and added to the exclusion list, so the main run leaves it out.
// Leaves the current step at G + 1 for the main run. False when a group could not be unpacked (it
// stops at that group: its entries are already on the exclusion list, so the main run would not
// make up for them).
bool ExtractAssignedFiles(Context& ctx, const std::string& password);

// Extracts entry i of the comma-separated entries into folder i of folders, without progress.
void ExtractEntriesTo(Context& ctx, const std::string& entries, const std::string& folders,
                      const std::string& password);

}  // namespace qmb
