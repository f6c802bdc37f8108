#include "mpeg/mpegps.h"

#include <cstring>

namespace mpegps {

std::optional<std::size_t> FindStartCode(Bytes bytes)
{
    if (bytes.size() < kStartCodeSize)
        return std::nullopt;
    // The 01 of the prefix is rare in coded data, and memchr finds it many bytes at a time: this
    // search runs over every byte the pack scanner skips, so it must be fast.
    const std::uint8_t* const begin = bytes.data();
    const std::uint8_t* const last = begin + bytes.size() - 1; // the code byte must follow the 01
    const std::uint8_t* p = begin + 2;
    while (p < last) {
        p = static_cast<const std::uint8_t*>(std::memchr(p, 1, static_cast<std::size_t>(last - p)));
        if (!p)
            return std::nullopt;
        if (p[-1] == 0 && p[-2] == 0)
            return static_cast<std::size_t>(p - 2 - begin);
        ++p;
    }
    return std::nullopt;
}

std::optional<std::size_t> FindStartCode(Bytes bytes, std::uint8_t code)
{
    std::size_t from = 0;
    while (auto at = FindStartCode(bytes.subspan(from))) {
        const std::size_t pos = from + *at;
        if (bytes[pos + 3] == code)
            return pos;
        from = pos + 1;
    }
    return std::nullopt;
}

}  // namespace mpegps
