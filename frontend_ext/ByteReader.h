// Sequential little-endian reading of a file image held in memory, for the
// QBR and KDX readers. The checked reads test what is left before they touch
// a byte; the raw reads are for loops whose total size was checked once with
// need(). Every failure is a Frontend::Error naming the file, the problem and
// the offset.
//
//   FrontendExt::ByteReader in(bytes.data(), bytes.size(), "skate.qbr");
//   int meshes = in.i32("mesh count");
//   in.need(12LL * meshes, "mesh headers");
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "frontend/Error.h"

namespace FrontendExt {

class ByteReader {
public:
    ByteReader(const unsigned char* bytes, size_t size, const std::string& fileName)
        : begin(bytes), length(size), name(fileName)
    {
    }

    long long remaining() const { return static_cast<long long>(length - position); }

    [[noreturn]] void fail(const std::string& what) const
    {
        throw Frontend::Error(name + ": " + what + " (offset " + std::to_string(position) + ")");
    }

    void need(long long bytes, const std::string& what) const
    {
        if (bytes > remaining())
            fail(what + ": file ends early (" + std::to_string(bytes) + " bytes needed, " +
                 std::to_string(remaining()) + " left)");
    }

    // A count the rest of the file must be able to hold, each entry taking at least entryBytes.
    long long count(bool isSigned, long long entryBytes, const std::string& what)
    {
        need(4, what);
        uint32_t raw = u32();
        long long value = isSigned ? static_cast<long long>(static_cast<int32_t>(raw)) : static_cast<long long>(raw);
        if (value < 0)
            fail("negative " + what + " " + std::to_string(value));
        if (value * entryBytes > remaining())
            fail(what + " " + std::to_string(value) + " is more than the " + std::to_string(remaining()) +
                 " bytes left can hold");
        return value;
    }

    int i32(const std::string& what)
    {
        need(4, what);
        return rawInt();
    }

    float f32(const std::string& what)
    {
        need(4, what);
        return rawFloat();
    }

    void floats(float* out, int n, const std::string& what)
    {
        need(4LL * n, what);
        for (int i = 0; i < n; ++i)
            out[i] = rawFloat();
    }

    unsigned char byte(const std::string& what)
    {
        need(1, what);
        return begin[position++];
    }

    // `size` bytes as text.
    std::string text(long long size, const std::string& what)
    {
        if (size < 0)
            fail("negative length " + std::to_string(size) + " of " + what);
        need(size, what);
        std::string result(reinterpret_cast<const char*>(begin + position), static_cast<size_t>(size));
        position += static_cast<size_t>(size);
        return result;
    }

    // An int32 byte count followed by the bytes.
    std::string string(const std::string& what) { return text(i32(what + " length"), what); }

    float rawFloat()
    {
        uint32_t bits = u32();
        float value;
        std::memcpy(&value, &bits, 4);
        return value;
    }

    int rawInt() { return static_cast<int32_t>(u32()); }

private:
    uint32_t u32()
    {
        uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8)
            value |= static_cast<uint32_t>(begin[position++]) << shift;
        return value;
    }

    const unsigned char* begin;
    size_t length;
    size_t position = 0;
    const std::string& name;
};

} // namespace FrontendExt
