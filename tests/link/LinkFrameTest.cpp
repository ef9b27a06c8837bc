#include <gtest/gtest.h>

#include <limits>

#include "link/LinkFrame.h"

using namespace quillet::link;

namespace
{
using Bytes = std::vector<std::uint8_t>;

Bytes Of(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

Bytes Header(std::string_view magic, std::uint8_t kind, std::uint32_t length)
{
    Bytes out = Of(magic);
    out.push_back(kind);
    out.resize(13, 0);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(length >> (8 * i)));
    return out;
}

LinkRequest WithBlock(std::uint32_t command, std::uint32_t data, std::size_t size)
{
    LinkRequest request{LinkKind::Message, command, data, Bytes(size)};
    for (std::size_t i = 0; i < size; ++i)
        request.block[i] = static_cast<std::uint8_t>(i * 7);
    return request;
}
}

TEST(LinkFrame, TopicMessageHasTheDocumentedBytes)
{
    // A five-letter topic travels as six bytes: the text and its NUL.
    EXPECT_EQ(EncodeRequest(MakeMessage(kCommandPlayTopic, "Intro")),
              Of(std::string_view("QLK1\0\x02\x04\0\0\0\0\0\0\x06\0\0\0Intro\0", 23)));
    EXPECT_EQ(EncodeRequest(MakeWindowRequest(LinkKind::Raise)), Header("QLK1", 3, 0));
    EXPECT_EQ(EncodeReply(1026), Of(std::string_view("QLR1\x02\x04\0\0\0\0\0\0", 12)));
}

TEST(LinkFrame, RequestsSurviveTheRoundTripAndNeedEveryByte)
{
    const LinkRequest requests[] = {
        MakeMessage(kCommandPlayTopic, "Intro"), MakeMessage(kCommandTestClosed),
        MakeWindowRequest(LinkKind::Hide),       MakeWindowRequest(LinkKind::Show),
        WithBlock(0xDEADBEEF, 0xFFFFFFFF, 300),  WithBlock(7, 1, kMaxBlockSize),
    };
    for (const LinkRequest& request : requests)
    {
        const Bytes frame = EncodeRequest(request);
        ASSERT_EQ(frame.size(), kRequestHeaderSize + request.block.size());
        Bytes twice = frame;
        twice.insert(twice.end(), frame.begin(), frame.end());
        LinkRequest decoded;
        const DecodeResult result = DecodeRequest(twice, decoded);
        EXPECT_EQ(result.status, DecodeStatus::Complete);
        EXPECT_EQ(result.consumed, frame.size());
        EXPECT_EQ(decoded, request);
        for (std::size_t size = 0; size < frame.size(); size += 1 + size / 64)
            ASSERT_EQ(DecodeRequest(std::span(frame).first(size), decoded).status, DecodeStatus::NeedMore)
                << size;
    }
}

TEST(LinkFrame, MalformedRequestsAreCaughtAsSoonAsTheBytesShowIt)
{
    const struct
    {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"wrong first byte", Of("X")},
        {"wrong magic so far", Of("QLX")},
        {"lower-case magic", Of("qlk1")},
        {"reply magic", Header("QLR1", 0, 0)},
        {"unknown kind", Header("QLK1", 4, 0)},
        {"unknown kind, header cut", Of(std::string_view("QLK1\xFF", 5))},
        {"block over the bound", Header("QLK1", 0, kMaxBlockSize + 1)},
        {"huge length", Header("QLK1", 0, 0xFFFFFFFF)},
        {"window request with a block", Header("QLK1", 1, 1)},
    };
    for (const auto& c : cases)
    {
        LinkRequest out;
        const DecodeResult result = DecodeRequest(c.bytes, out);
        EXPECT_EQ(result.status, DecodeStatus::Malformed) << c.what;
        EXPECT_EQ(result.consumed, 0u) << c.what;
    }
    EXPECT_TRUE(EncodeRequest(WithBlock(1026, 0, kMaxBlockSize + 1)).empty());
    EXPECT_TRUE(EncodeRequest({LinkKind::Hide, 0, 0, Of("x")}).empty());
    EXPECT_TRUE(EncodeRequest({static_cast<LinkKind>(4), 0, 0, {}}).empty());
}

TEST(LinkFrame, RepliesCarryAnySignedResult)
{
    for (const std::int64_t value :
         {std::int64_t{0}, std::int64_t{1025}, std::int64_t{-1}, std::numeric_limits<std::int64_t>::min(),
          std::numeric_limits<std::int64_t>::max()})
    {
        const Bytes reply = EncodeReply(value);
        std::int64_t decoded = 0;
        EXPECT_EQ(DecodeReply(reply, decoded).status, DecodeStatus::Complete);
        EXPECT_EQ(decoded, value);
        EXPECT_EQ(DecodeReply(std::span(reply).first(kReplySize - 1), decoded).status,
                  DecodeStatus::NeedMore);
    }
    std::int64_t out = 0;
    EXPECT_EQ(DecodeReply(Of("QLK1\0\0\0\0\0\0\0\0"), out).status, DecodeStatus::Malformed);
    EXPECT_EQ(DecodeReply(Of("QR"), out).status, DecodeStatus::Malformed);
}
