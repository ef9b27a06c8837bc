#include "link/LinkFrame.h"

#include <algorithm>
#include <cstring>

namespace quillet::link
{
namespace
{
constexpr std::uint8_t kRequestMagic[4] = {'Q', 'L', 'K', '1'};
constexpr std::uint8_t kReplyMagic[4] = {'Q', 'L', 'R', '1'};
constexpr std::uint8_t kLastKind = static_cast<std::uint8_t>(LinkKind::Raise);

void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint64_t GetLittleEndian(std::span<const std::uint8_t> in, std::size_t at, int bytes)
{
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<std::uint64_t>(in[at + static_cast<std::size_t>(i)]) << (8 * i);
    return value;
}

// Whatever part of the magic has arrived must already match.
bool MagicSoFar(std::span<const std::uint8_t> in, const std::uint8_t (&magic)[4])
{
    return in.empty() || std::memcmp(in.data(), magic, std::min<std::size_t>(in.size(), 4)) == 0;
}

bool Frameable(LinkKind kind, std::size_t blockSize)
{
    return blockSize <= kMaxBlockSize && (kind == LinkKind::Message || blockSize == 0);
}
}

LinkRequest MakeMessage(std::uint32_t command)
{
    return {LinkKind::Message, command, 0, {}};
}

LinkRequest MakeMessage(std::uint32_t command, std::string_view text)
{
    LinkRequest request = MakeMessage(command);
    request.block.assign(text.begin(), text.end());
    request.block.push_back(0);
    return request;
}

LinkRequest MakeWindowRequest(LinkKind kind)
{
    return {kind, 0, 0, {}};
}

std::vector<std::uint8_t> EncodeRequest(const LinkRequest& request)
{
    if (static_cast<std::uint8_t>(request.kind) > kLastKind || !Frameable(request.kind, request.block.size()))
        return {};
    std::vector<std::uint8_t> out(std::begin(kRequestMagic), std::end(kRequestMagic));
    out.reserve(kRequestHeaderSize + request.block.size());
    out.push_back(static_cast<std::uint8_t>(request.kind));
    PutLittleEndian(out, request.command, 4);
    PutLittleEndian(out, request.data, 4);
    PutLittleEndian(out, request.block.size(), 4);
    out.insert(out.end(), request.block.begin(), request.block.end());
    return out;
}

std::vector<std::uint8_t> EncodeReply(std::int64_t result)
{
    std::vector<std::uint8_t> out(std::begin(kReplyMagic), std::end(kReplyMagic));
    PutLittleEndian(out, static_cast<std::uint64_t>(result), 8);
    return out;
}

DecodeResult DecodeRequest(std::span<const std::uint8_t> in, LinkRequest& out)
{
    if (!MagicSoFar(in, kRequestMagic))
        return {DecodeStatus::Malformed, 0};
    if (in.size() < 5)
        return {DecodeStatus::NeedMore, 0};
    if (in[4] > kLastKind)
        return {DecodeStatus::Malformed, 0};
    const auto kind = static_cast<LinkKind>(in[4]);
    // The length bytes that have arrived may already prove the frame bad.
    const std::size_t lengthBytes =
        std::min(in.size(), kRequestHeaderSize) - std::min(in.size(), std::size_t{13});
    const std::uint64_t length = GetLittleEndian(in, 13, static_cast<int>(lengthBytes));
    if (!Frameable(kind, length))
        return {DecodeStatus::Malformed, 0};
    if (in.size() < kRequestHeaderSize)
        return {DecodeStatus::NeedMore, 0};
    const std::size_t total = kRequestHeaderSize + static_cast<std::size_t>(length);
    if (in.size() < total)
        return {DecodeStatus::NeedMore, 0};
    out.kind = kind;
    out.command = static_cast<std::uint32_t>(GetLittleEndian(in, 5, 4));
    out.data = static_cast<std::uint32_t>(GetLittleEndian(in, 9, 4));
    out.block.assign(in.begin() + kRequestHeaderSize, in.begin() + static_cast<std::ptrdiff_t>(total));
    return {DecodeStatus::Complete, total};
}

DecodeResult DecodeReply(std::span<const std::uint8_t> in, std::int64_t& out)
{
    if (!MagicSoFar(in, kReplyMagic))
        return {DecodeStatus::Malformed, 0};
    if (in.size() < kReplySize)
        return {DecodeStatus::NeedMore, 0};
    out = static_cast<std::int64_t>(GetLittleEndian(in, 4, 8));
    return {DecodeStatus::Complete, kReplySize};
}
}
