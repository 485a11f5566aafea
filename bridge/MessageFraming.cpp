#include "bridge/MessageFraming.h"

#include <cstdint>

namespace {

// Reads until `size` bytes arrived or the input ended; returns how many arrived.
std::size_t ReadFully(const MessageReader& read, char* buffer, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const std::size_t got = read(buffer + done, size - done);
        if (got == 0 || got > size - done) break;
        done += got;
    }
    return done;
}

}  // namespace

bool WriteAll(const MessageWriter& write, const void* data, std::size_t size)
{
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
        const std::size_t written = write(next, size);
        if (written == 0 || written > size) return false;
        next += written;
        size -= written;
    }
    return true;
}

FrameResult ReadMessage(const MessageReader& read, std::string& body)
{
    body.clear();
    unsigned char header[4];
    const std::size_t got = ReadFully(read, reinterpret_cast<char*>(header), sizeof header);
    if (got == 0) return FrameResult::endOfInput;
    if (got < sizeof header) return FrameResult::shortRead;
    const std::uint32_t length = std::uint32_t(header[0]) | std::uint32_t(header[1]) << 8 |
                                 std::uint32_t(header[2]) << 16 | std::uint32_t(header[3]) << 24;
    if (length > kLargestInboundMessage) return FrameResult::tooLarge;
    body.resize(length);
    if (ReadFully(read, &body[0], length) < length) {
        body.clear();
        return FrameResult::shortRead;
    }
    return FrameResult::message;
}

bool WriteMessage(const MessageWriter& write, const std::string& body)
{
    if (body.size() > kLargestOutboundMessage) return false;
    const auto length = static_cast<std::uint32_t>(body.size());
    const char header[4] = {char(length & 0xFF), char(length >> 8 & 0xFF), char(length >> 16 & 0xFF),
                            char(length >> 24 & 0xFF)};
    return WriteAll(write, header, sizeof header) && WriteAll(write, body.data(), body.size());
}
