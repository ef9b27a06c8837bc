// Feeds arbitrary bytes to the link frame decoders as a stream of request
// frames and as a stream of reply frames. Checked with abort():
// - the stream read whole, byte by byte and in chunks of random sizes gives
//   the same frames and ends the same way;
// - every prefix decodes as the frame layout in docs/player-link.md says:
//   malformed as soon as the bytes at hand prove it (a wrong magic byte, a
//   kind above 3, a length that is over the bound or non-zero for a window
//   request whatever bytes are still to come), complete once the whole frame
//   is there, else more is needed;
// - a decoded request encodes back to exactly the bytes of its frame, and a
//   decoded reply too;
// - a request built from the bytes encodes when it can be framed, and
//   decodes back equal.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "link/LinkFrame.h"

using namespace quillet::link;

namespace
{
[[noreturn]] void Fail(const char* what, std::span<const std::uint8_t> bytes = {})
{
    std::fprintf(stderr, "FuzzLinkFrame: %s\n", what);
    if (!bytes.empty())
    {
        std::fprintf(stderr, "  bytes:");
        for (std::size_t i = 0; i < bytes.size() && i < 64; ++i)
            std::fprintf(stderr, " %02x", bytes[i]);
        std::fprintf(stderr, bytes.size() > 64 ? " ...\n" : "\n");
    }
    std::abort();
}

constexpr std::uint8_t kRequestMagic[4] = {'Q', 'L', 'K', '1'};
constexpr std::uint8_t kReplyMagic[4] = {'Q', 'L', 'R', '1'};

// The status a request frame at the start of `in` must decode to, and the
// frame's size when it is complete.
DecodeStatus ExpectedRequest(std::span<const std::uint8_t> in, std::size_t& total)
{
    total = 0;
    for (std::size_t i = 0; i < in.size() && i < 4; ++i)
        if (in[i] != kRequestMagic[i])
            return DecodeStatus::Malformed;
    if (in.size() >= 5 && in[4] > 3)
        return DecodeStatus::Malformed;
    // The length as far as its bytes have arrived; the rest can only add.
    std::uint64_t least = 0;
    for (std::size_t i = 13; i < in.size() && i < kRequestHeaderSize; ++i)
        least |= static_cast<std::uint64_t>(in[i]) << (8 * (i - 13));
    if (least > kMaxBlockSize)
        return DecodeStatus::Malformed;
    if (in.size() >= 5 && in[4] != 0 && least != 0)
        return DecodeStatus::Malformed;
    if (in.size() < kRequestHeaderSize || in.size() < kRequestHeaderSize + least)
        return DecodeStatus::NeedMore;
    total = kRequestHeaderSize + static_cast<std::size_t>(least);
    return DecodeStatus::Complete;
}

DecodeStatus ExpectedReply(std::span<const std::uint8_t> in, std::int64_t& value)
{
    for (std::size_t i = 0; i < in.size() && i < 4; ++i)
        if (in[i] != kReplyMagic[i])
            return DecodeStatus::Malformed;
    if (in.size() < kReplySize)
        return DecodeStatus::NeedMore;
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < 8; ++i)
        bits |= static_cast<std::uint64_t>(in[4 + i]) << (8 * i);
    value = static_cast<std::int64_t>(bits);
    return DecodeStatus::Complete;
}

// Decodes the request frame at the start of `in`, checking it against the
// layout and the encoder.
DecodeResult CheckedDecodeRequest(std::span<const std::uint8_t> in, LinkRequest& out)
{
    const DecodeResult result = DecodeRequest(in, out);
    std::size_t total = 0;
    const DecodeStatus expected = ExpectedRequest(in, total);
    if (result.status != expected)
        Fail(expected == DecodeStatus::Malformed        ? "DecodeRequest missed a malformed request"
             : result.status == DecodeStatus::Malformed ? "DecodeRequest refused a well-formed request"
                                                        : "DecodeRequest misjudged a request's length",
             in);
    if (result.status != DecodeStatus::Complete)
    {
        if (result.consumed != 0)
            Fail("DecodeRequest consumed bytes of an unfinished frame", in);
        return result;
    }
    if (result.consumed != total)
        Fail("DecodeRequest consumed other than the frame", in);
    if (out.block.size() != total - kRequestHeaderSize ||
        (out.kind != LinkKind::Message && !out.block.empty()))
        Fail("DecodeRequest gave a block the frame does not hold", in);
    const std::span<const std::uint8_t> frame = in.first(total);
    const std::vector<std::uint8_t> again = EncodeRequest(out);
    if (!std::equal(again.begin(), again.end(), frame.begin(), frame.end()))
        Fail("a decoded request does not encode back to its bytes", in);
    return result;
}

DecodeResult CheckedDecodeReply(std::span<const std::uint8_t> in, std::int64_t& out)
{
    const DecodeResult result = DecodeReply(in, out);
    std::int64_t value = 0;
    const DecodeStatus expected = ExpectedReply(in, value);
    if (result.status != expected)
        Fail("DecodeReply misjudged a reply", in);
    if (result.status != DecodeStatus::Complete)
    {
        if (result.consumed != 0)
            Fail("DecodeReply consumed bytes of an unfinished frame", in);
        return result;
    }
    if (result.consumed != kReplySize || out != value)
        Fail("DecodeReply read other than the frame says", in);
    const std::vector<std::uint8_t> again = EncodeReply(out);
    if (!std::equal(again.begin(), again.end(), in.begin(), in.begin() + kReplySize))
        Fail("a decoded reply does not encode back to its bytes", in);
    return result;
}

// What a reader of a stream sees: its frames, then how it ends.
template <typename Frame> struct Reading
{
    std::vector<Frame> frames;
    DecodeStatus end = DecodeStatus::NeedMore;
    std::size_t left = 0; // bytes of an unfinished frame at the end of the stream
    bool operator==(const Reading&) const = default;
};

// Reads `bytes` as a socket reader would, receiving them in pieces whose
// sizes `next` gives, and decoding whenever bytes arrive.
template <typename Frame, typename Decode, typename Next>
Reading<Frame> ReadStream(std::span<const std::uint8_t> bytes, Decode decode, Next next)
{
    Reading<Frame> reading;
    std::vector<std::uint8_t> buffer;
    std::size_t at = 0;
    for (;;)
    {
        Frame frame{};
        const DecodeResult result = decode(std::span<const std::uint8_t>(buffer), frame);
        if (result.status == DecodeStatus::Complete)
        {
            reading.frames.push_back(std::move(frame));
            buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(result.consumed));
            continue;
        }
        if (result.status == DecodeStatus::Malformed || at == bytes.size())
        {
            // A malformed frame is seen once enough of it is there, so
            // how much had arrived by then depends on the pieces.
            reading.end = result.status;
            reading.left = result.status == DecodeStatus::NeedMore ? buffer.size() : 0;
            return reading;
        }
        const std::size_t piece = std::min(next(), bytes.size() - at);
        buffer.insert(buffer.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                      bytes.begin() + static_cast<std::ptrdiff_t>(at + piece));
        at += piece;
    }
}

template <typename Frame, typename Decode>
void CheckStream(std::span<const std::uint8_t> bytes, Decode decode, std::uint64_t seed)
{
    const auto whole = ReadStream<Frame>(bytes, decode, [&] { return bytes.size(); });
    const auto byByte = ReadStream<Frame>(bytes, decode, [] { return std::size_t{1}; });
    std::uint64_t state = seed;
    const auto chunked =
        ReadStream<Frame>(bytes, decode,
                          [&]
                          {
                              // splitmix64
                              std::uint64_t z = (state += 0x9e3779b97f4a7c15ull);
                              z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
                              z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
                              z ^= z >> 31;
                              return static_cast<std::size_t>(z % 8 == 0 ? 1 + z % 257 : 1 + z % 23);
                          });
    if (!(byByte == whole) || !(chunked == whole))
        Fail("reading in pieces gives other frames than reading whole", bytes);
}

std::uint32_t Word(std::span<const std::uint8_t> bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(at + i < bytes.size() ? bytes[at + i] : 0) << (8 * i);
    return value;
}

// A request built from the bytes: kind, command, dwData, then the block.
void CheckEncode(std::span<const std::uint8_t> bytes)
{
    if (bytes.empty())
        return;
    LinkRequest request;
    request.kind = static_cast<LinkKind>(bytes[0]);
    request.command = Word(bytes, 1);
    request.data = Word(bytes, 5);
    if (bytes.size() > 9)
        request.block.assign(bytes.begin() + 9, bytes.end());
    // Now and then a block at the bound or just over it.
    if (bytes[0] >= 0xF0)
        request.block.resize(kMaxBlockSize + (bytes[0] & 1), 0x5A);
    const bool frameable = bytes[0] <= 3 && request.block.size() <= kMaxBlockSize &&
                           (request.kind == LinkKind::Message || request.block.empty());
    const std::vector<std::uint8_t> encoded = EncodeRequest(request);
    if (encoded.empty() == frameable)
        Fail(frameable ? "EncodeRequest refused a request it can frame"
                       : "EncodeRequest framed what it cannot",
             bytes);
    if (!frameable)
        return;
    if (encoded.size() != kRequestHeaderSize + request.block.size())
        Fail("EncodeRequest gave a frame of the wrong size", bytes);
    LinkRequest back;
    const DecodeResult result = CheckedDecodeRequest(encoded, back);
    if (result.status != DecodeStatus::Complete || result.consumed != encoded.size() || !(back == request))
        Fail("an encoded request does not decode back equal", bytes);

    const auto value =
        static_cast<std::int64_t>(static_cast<std::uint64_t>(Word(bytes, 1)) << 32 | Word(bytes, 5));
    std::int64_t replied = 0;
    const std::vector<std::uint8_t> reply = EncodeReply(value);
    if (reply.size() != kReplySize || CheckedDecodeReply(reply, replied).status != DecodeStatus::Complete ||
        replied != value)
        Fail("an encoded reply does not decode back equal", bytes);
}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    std::uint64_t seed = 0x243f6a8885a308d3ull ^ size;
    for (std::uint8_t b : bytes)
        seed = (seed ^ b) * 1099511628211ull;

    CheckStream<LinkRequest>(bytes, CheckedDecodeRequest, seed);
    CheckStream<std::int64_t>(bytes, CheckedDecodeReply, seed + 1);
    CheckEncode(bytes);
    return 0;
}
