#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// The frames the test program and the video player exchange over their local
// sockets; docs/player-link.md is the reference for the byte layout.
namespace quillet::link
{
// Commands carried by a message. 1025 means "the test window closed" from the
// test program to the player, and "hide me" from the player to the test program.
inline constexpr std::uint32_t kCommandTestClosed = 1025;
inline constexpr std::uint32_t kCommandHidePlayer = 1025;
inline constexpr std::uint32_t kCommandPlayTopic = 1026;

enum class LinkKind : std::uint8_t
{
    Message = 0, // command, dwData and a byte block, as a copy-data message
    Hide = 1,    // hide the receiver's window
    Show = 2,    // show it again (restored, not minimised)
    Raise = 3,   // bring it to the front
};

struct LinkRequest
{
    LinkKind kind = LinkKind::Message;
    std::uint32_t command = 0;
    std::uint32_t data = 0; // dwData
    std::vector<std::uint8_t> block;

    bool operator==(const LinkRequest&) const = default;
};

inline constexpr std::size_t kRequestHeaderSize = 17;
inline constexpr std::size_t kMaxBlockSize = 64 * 1024;
inline constexpr std::size_t kMaxRequestSize = kRequestHeaderSize + kMaxBlockSize;
inline constexpr std::size_t kReplySize = 12;

// A message with no block (cbData 0), and one carrying text with its NUL.
LinkRequest MakeMessage(std::uint32_t command);
LinkRequest MakeMessage(std::uint32_t command, std::string_view text);
LinkRequest MakeWindowRequest(LinkKind kind);

enum class DecodeStatus
{
    Complete,
    NeedMore,
    Malformed,
};

struct DecodeResult
{
    DecodeStatus status;
    std::size_t consumed; // bytes of the frame when complete, else 0
};

// Empty when the request cannot be framed: a block over the bound, or a
// window request carrying a block.
std::vector<std::uint8_t> EncodeRequest(const LinkRequest& request);
std::vector<std::uint8_t> EncodeReply(std::int64_t result);

// Decode the frame at the start of `bytes`. Malformed is reported as soon as
// the bytes at hand prove it, so a reader never waits on a bad frame.
DecodeResult DecodeRequest(std::span<const std::uint8_t> bytes, LinkRequest& out);
DecodeResult DecodeReply(std::span<const std::uint8_t> bytes, std::int64_t& out);
}
