#pragma once
// Reading and writing whole INI files (IniDocument.h) on disk.

#include <filesystem>

#include "windows/IniDocument.h"

namespace windows {

// The file's document; a missing or unreadable file reads as empty, and of a file larger
// than any settings file can be (16 MiB) only the start is read.
IniDocument ReadIniFile(const std::filesystem::path& file);
// The file's text as ReadIniFile takes it (at most 16 MiB), and whether it was too large to be
// read whole.
std::string ReadIniText(const std::filesystem::path& file, bool& tooLarge);

// Reads the file for a change that will be written back; raises 75 "Path/File access
// error" for a file too large to be read whole, so that writing loses nothing.
IniDocument ReadIniFileForUpdate(const std::filesystem::path& file);

// Writes the document (its folders made when missing) through a temporary file that then
// replaces the file, so that a failed write leaves the old file whole; raises 75 on failure.
void WriteIniFile(const std::filesystem::path& file, const IniDocument& document);
void WriteIniText(const std::filesystem::path& file, const std::string& text);

}  // namespace windows
