#include "windows/TextStream.h"

#include <iterator>

#include "windows/FileErrors.h"

namespace windows {

namespace {

std::ios::openmode openMode(IOMode mode) {
    switch (mode) {
    case ForReading: return std::ios::in | std::ios::binary;
    case ForWriting: return std::ios::out | std::ios::trunc | std::ios::binary;
    case ForAppending: return std::ios::out | std::ios::app | std::ios::binary;
    }
    throw InvalidProcedureCall();
}

}  // namespace

TextStream::TextStream(const std::filesystem::path& file, IOMode mode) : mode_(mode) {
    file_.open(file, openMode(mode));
    if (!file_.is_open()) throw PermissionDenied();
}

TextStream::~TextStream() {
    if (file_.is_open()) file_.close();
}

void TextStream::checkReadable() {
    if (!file_.is_open()) throw BadFileName();
    if (mode_ != ForReading) throw BadFileMode();
}

void TextStream::checkWritable() {
    if (!file_.is_open()) throw BadFileName();
    if (mode_ == ForReading) throw BadFileMode();
}

bool TextStream::AtEndOfStream() {
    checkReadable();
    return file_.peek() == std::char_traits<char>::eof();
}

std::string TextStream::ReadLine() {
    if (AtEndOfStream()) throw InputPastEndOfFile();
    std::string line;
    std::getline(file_, line);
    if (!line.empty() && line.back() == '\r' && !file_.eof()) line.pop_back();
    return line;
}

std::string TextStream::ReadAll() {
    if (AtEndOfStream()) throw InputPastEndOfFile();
    return std::string(std::istreambuf_iterator<char>(file_), std::istreambuf_iterator<char>());
}

void TextStream::Write(const std::string& text) {
    checkWritable();
    file_.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!file_) throw DeviceIOError();
}

void TextStream::WriteLine(const std::string& text) {
    Write(text + "\r\n");
    file_.flush();
}

void TextStream::Close() {
    if (!file_.is_open()) return;
    file_.clear();
    file_.close();
    if (file_.fail() && mode_ != ForReading) throw DeviceIOError();
}

}  // namespace windows
