#include "brisko/ByteSource.h"

#include <cstring>

namespace brisko {

ByteSource FileByteSource(std::FILE* fp)
{
    ByteSource s;
    s.ctx = fp;
    s.read = [](void* ctx, std::uint8_t* buf, std::size_t n) -> std::int64_t {
        auto* f = static_cast<std::FILE*>(ctx);
        std::size_t got = std::fread(buf, 1, n, f);
        if (got == 0 && std::ferror(f)) return -1;
        return static_cast<std::int64_t>(got);
    };
    s.seek = [](void* ctx, std::int64_t offset, int whence) -> int {
        return fseeko(static_cast<std::FILE*>(ctx), static_cast<off_t>(offset), whence) == 0 ? 0 : -1;
    };
    s.tell = [](void* ctx) -> std::int64_t { return ftello(static_cast<std::FILE*>(ctx)); };
    return s;
}

ByteSource MemoryByteSource(MemoryBytes& bytes)
{
    ByteSource s;
    s.ctx = &bytes;
    s.read = [](void* ctx, std::uint8_t* buf, std::size_t n) -> std::int64_t {
        auto* m = static_cast<MemoryBytes*>(ctx);
        std::size_t left = m->size - m->pos;
        if (n > left) n = left;
        if (n) std::memcpy(buf, m->data + m->pos, n);
        m->pos += n;
        return static_cast<std::int64_t>(n);
    };
    s.seek = [](void* ctx, std::int64_t offset, int whence) -> int {
        auto* m = static_cast<MemoryBytes*>(ctx);
        std::int64_t target = whence == SEEK_END ? static_cast<std::int64_t>(m->size) + offset : offset;
        if (target < 0 || target > static_cast<std::int64_t>(m->size)) return -1;
        m->pos = static_cast<std::size_t>(target);
        return 0;
    };
    s.tell = [](void* ctx) -> std::int64_t { return static_cast<std::int64_t>(static_cast<MemoryBytes*>(ctx)->pos); };
    return s;
}

}  // namespace brisko
