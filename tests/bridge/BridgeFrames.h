// Frames and piecemeal input for the bridge's tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bridge/MessageFraming.h"

// A click's "sender" member: the top frame of an https page.
inline const std::string kTopSender =
    R"("sender":{"origin":"https://news.example","topOrigin":"https://news.example","frame":"top"})";

// The 4-byte little-endian length (the body's own unless given), then the body.
inline std::string Frame(const std::string& body, std::uint32_t length = UINT32_MAX)
{
    if (length == UINT32_MAX) length = static_cast<std::uint32_t>(body.size());
    const char header[4] = {char(length & 0xFF), char(length >> 8 & 0xFF), char(length >> 16 & 0xFF), char(length >> 24)};
    return std::string(header, 4) + body;
}

// Gives `bytes` at most `chunk` at a time, as a pipe may; `taken` counts what was read.
inline MessageReader ReaderOver(const std::string& bytes, std::size_t& taken, std::size_t chunk = SIZE_MAX)
{
    return [&bytes, &taken, chunk](void* buffer, std::size_t size) {
        const std::size_t n = std::min({size, chunk, bytes.size() - taken});
        std::memcpy(buffer, bytes.data() + taken, n);
        taken += n;
        return n;
    };
}

// The bodies of the frames written to `output`, in order; only the two low length bytes are read
// (replies in the tests stay below 64 KiB).
inline std::vector<std::string> Unframed(const std::string& output)
{
    std::vector<std::string> bodies;
    for (std::size_t at = 0; at + 4 <= output.size();) {
        const std::uint32_t length = std::uint8_t(output[at]) | std::uint8_t(output[at + 1]) << 8;
        bodies.push_back(output.substr(at + 4, length));
        at += 4 + length;
    }
    return bodies;
}

// A writer that keeps everything in `output`.
inline MessageWriter WriterInto(std::string& output)
{
    return [&output](const void* data, std::size_t size) {
        output.append(static_cast<const char*>(data), size);
        return size;
    };
}
