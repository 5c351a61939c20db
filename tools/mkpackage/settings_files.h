// Turning a project's settings files, as an author keeps them, into the forms the runtime reads:
// texts in GBK, the wizard texts, assignment list and install script enciphered, the registry and
// support DLL data in the compressed form.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmb::mkpackage {

struct SettingsFile {
  std::string name;  // file name as on disk (UTF-8)
  std::string data;  // converted bytes
};

// UTF-8 text (a byte order mark dropped) or UTF-16 text with its byte order mark as GBK; other
// bytes are taken as GBK already. Fails with a message naming the file when a character has no GBK
// form.
std::optional<std::string> TextToGbk(std::string_view file_name, std::string data,
                                     std::string& error);

// Converts one file's bytes; file_name decides the treatment. Texts the runtime reads by lines get
// CR LF line ends whatever the author's file had. Files already in their stored form
// (GBK text, enciphered, compressed) pass unchanged, so converting twice changes nothing.
std::optional<std::string> ConvertSettingsFile(std::string_view file_name, std::string data,
                                               std::string& error);

// The text with every line feed that no carriage return precedes turned into CR LF.
std::string WithCrLf(std::string text);

// data.ini (GBK) with "压缩原大小" = size put first into its main section when the author left the
// value out or empty; the text is otherwise unchanged.
std::string WithUnpackedSize(std::string data_ini, uint64_t size);

// Reads and converts every file of the settings folder (which holds files only).
std::optional<std::vector<SettingsFile>> LoadSettingsFolder(const std::filesystem::path& folder,
                                                            std::string& error);

}  // namespace qmb::mkpackage
