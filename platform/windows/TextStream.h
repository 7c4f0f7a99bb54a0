#pragma once
// A text file opened by the file-system object (`TextStream`): read line by line or whole,
// or written. Lines end in CR LF when written; CR LF and LF both end a line when read.
// Releasing the stream closes the file.

#include <filesystem>
#include <fstream>
#include <string>

namespace windows {

enum IOMode { ForReading = 1, ForWriting = 2, ForAppending = 8 };

class TextStream {
public:
    // Opens `file` in `mode` (the file-system object checks existence first): ForWriting
    // empties the file, ForAppending writes at its end; a file that cannot be opened
    // raises 70 "Permission denied".
    TextStream(const std::filesystem::path& file, IOMode mode);
    ~TextStream();
    TextStream(const TextStream&) = delete;
    TextStream& operator=(const TextStream&) = delete;

    // True when nothing is left to read. Raises 54 on a stream opened for writing.
    bool AtEndOfStream();
    // The next line without its CR LF or LF; raises 62 "Input past end of file" at the end.
    std::string ReadLine();
    // Everything left; raises 62 "Input past end of file" when nothing is left.
    std::string ReadAll();
    // Raise 54 "Bad file mode" on a stream opened for reading. A written line is in the file at
    // once (logs are read while they are written).
    void Write(const std::string& text);
    void WriteLine(const std::string& text = {});
    // Closes the file; later reads and writes raise 52. Closing twice does nothing.
    void Close();

private:
    void checkReadable();
    void checkWritable();

    std::fstream file_;
    IOMode mode_;
};

}  // namespace windows
