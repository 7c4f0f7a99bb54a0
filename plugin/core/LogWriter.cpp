#include "core/LogWriter.h"

#include "vb/DateTime.h"
#include "vb/Format.h"
#include "vb/Err.h"
#include "windows/FileSystemObject.h"

namespace zephra {

namespace {

constexpr const char* kLineText = " Line ";
constexpr const char* kDataFolder = "\\Data";
constexpr const char* kPluginFolder = "\\dkvZephra";
constexpr const char* kStartupLog = "\\StartupLog.txt";
constexpr const char* kFieldSeparator = " | ";

void MakeFolderIfMissing(const windows::FileSystemObject& fso, const std::string& folder) {
    if (!fso.FolderExists(folder)) fso.CreateFolder(folder);
}

}  // namespace

std::string TakePendingError() {
    vb::ErrObject& err = vb::Err();
    if (err.Number == 0) return {};
    std::string suffix = kLineText + std::to_string(err.Line) + " " + err.Description;
    err.Clear();
    return suffix;
}

void WriteLog(homeseer::Host& hs, const std::string& source, const std::string& message) {
    std::string suffix = TakePendingError();
    hs.Writelog(source, message + suffix);
}

void WriteStartupLog(homeseer::Host& hs, const std::string& first, const std::string& second) {
    windows::FileSystemObject fso;
    const std::string data = hs.GetAppPath() + kDataFolder;
    const std::string folder = data + kPluginFolder;
    const std::string file = folder + kStartupLog;
    MakeFolderIfMissing(fso, data);
    MakeFolderIfMissing(fso, folder);
    if (!fso.FileExists(file)) fso.CreateTextFile(file)->Close();
    fso.OpenTextFile(file, windows::ForAppending)
        ->WriteLine(vb::FormatDateTime(vb::Now()) + kFieldSeparator + first + kFieldSeparator + second);
}

}  // namespace zephra
