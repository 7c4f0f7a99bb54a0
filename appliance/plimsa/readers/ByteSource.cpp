#include "plimsa/readers/ByteSource.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace plimsa {

namespace {

long FileRead(void* context, void* data, size_t n) {
    auto* file = static_cast<std::FILE*>(context);
    const size_t count = std::fread(data, 1, n, file);
    if (count < n && std::ferror(file)) return -1;
    return static_cast<long>(count);
}

int FileSkip(void* context, uint64_t n) {
    if (n > static_cast<uint64_t>(INT64_MAX)) return -1;
    return fseeko(static_cast<std::FILE*>(context), static_cast<off_t>(n), SEEK_CUR) == 0 ? 0 : -1;
}

uint64_t FilePosition(void* context) {
    const off_t offset = ftello(static_cast<std::FILE*>(context));
    return offset < 0 ? 0 : static_cast<uint64_t>(offset);
}

int64_t FileSize(void* context) {
    struct stat info {};
    if (fstat(fileno(static_cast<std::FILE*>(context)), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return static_cast<int64_t>(info.st_size);
}

long MemoryRead(void* context, void* data, size_t n) {
    auto* bytes = static_cast<MemoryBytes*>(context);
    const size_t count = std::min(n, bytes->size - bytes->cursor);
    if (count > 0) std::memcpy(data, bytes->data + bytes->cursor, count);
    bytes->cursor += count;
    return static_cast<long>(count);
}

int MemorySkip(void* context, uint64_t n) {
    auto* bytes = static_cast<MemoryBytes*>(context);
    if (n > bytes->size - bytes->cursor) {
        bytes->cursor = bytes->size;
        return -1;
    }
    bytes->cursor += static_cast<size_t>(n);
    return 0;
}

uint64_t MemoryPosition(void* context) { return static_cast<MemoryBytes*>(context)->cursor; }

int64_t MemorySize(void* context) { return static_cast<int64_t>(static_cast<MemoryBytes*>(context)->size); }

}  // namespace

ByteSource FileSource(std::FILE* file) { return ByteSource{file, FileRead, FileSkip, FilePosition, FileSize}; }

ByteSource MemorySource(MemoryBytes& bytes) {
    return ByteSource{&bytes, MemoryRead, MemorySkip, MemoryPosition, MemorySize};
}

bool ReadExactly(ByteSource& source, void* data, size_t n) {
    return source.read(source.context, data, n) == static_cast<long>(n);
}

}  // namespace plimsa
