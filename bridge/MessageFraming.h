// Native messaging framing: each message is a 4-byte little-endian length, then that many bytes.
// Portable: the program reads and writes through callbacks over its standard handles.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

// Reads up to `size` bytes into `buffer`; returns how many, 0 at the end of the input or on an error.
using MessageReader = std::function<std::size_t(void* buffer, std::size_t size)>;
// Writes up to `size` bytes; returns how many were written, 0 on an error.
using MessageWriter = std::function<std::size_t(const void* data, std::size_t size)>;

// The largest message the host takes from the browser: the click, with its request file of at most
// 16 KiB in base64 and the page's attributes, stays far below it. Also in shared/bridge-constants.json.
constexpr std::size_t kLargestInboundMessage = 64 * 1024;
// Replies stay below 1 MiB, the browsers' limit for a message from the host.
constexpr std::size_t kLargestOutboundMessage = 1024 * 1024 - 1;

enum class FrameResult {
    message,     // a whole message, in `body`
    endOfInput,  // the input ended before its first byte: the browser closed the port
    shortRead,   // the input ended inside the length or the body
    tooLarge,    // the length is above kLargestInboundMessage; the body was not read
};

// Reads one message into `body` (cleared first).
FrameResult ReadMessage(const MessageReader& read, std::string& body);

// Writes all `size` bytes, going on after partial writes; false when a write fails.
bool WriteAll(const MessageWriter& write, const void* data, std::size_t size);

// Writes the length and the bytes, going on after partial writes. False when the message exceeds
// kLargestOutboundMessage (nothing is written) or a write fails.
bool WriteMessage(const MessageWriter& write, const std::string& body);
