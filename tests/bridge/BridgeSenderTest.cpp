#include <gtest/gtest.h>

#include <string>

#include "bridge/BridgeSender.h"

namespace {

// "https://" and a host of dot-separated labels, `length` bytes in all.
std::string OriginOfLength(std::size_t length)
{
    std::string origin = "https://";
    while (origin.size() < length) origin += origin.size() % 64 == 63 ? '.' : 'a';
    return origin;
}

}  // namespace

// Each form browsers write beside the nearest one they never write.
TEST(IsSerializedOrigin, TakesOnlyWhatBrowsersSerialize)
{
    const struct {
        std::string origin;
        bool taken;
    } cases[] = {
        {"file://", true},
        {"file:///", false},
        {"file://server", false},
        {"FILE://", false},
        {"", false},

        {"http://a", true},
        {"https://news.example", true},
        {"https://xn--bcher-kva.example", true},
        {"https://b\xC3\xBC" "cher.example", false},
        {"http://a_b-c.example", true},
        {"https://News.example", false},
        {"HTTPS://news.example", false},
        {"ftp://news.example", false},
        {"ws://news.example", false},
        {"http://", false},
        {"http:/a", false},
        {"https://news.example/", false},
        {"https://news.example?", false},
        {"https://user@news.example", false},
        {"http://a b", false},
        {"http://a%41", false},
        {std::string("http://a\0b", 10), false},

        {"https://example.com.", true},
        {"https://example.com..", false},
        {"https://a..example", false},
        {"https://.example", false},
        {"https://.", false},

        {"http://h.example:1", true},
        {"http://h.example:65535", true},
        {"http://h.example:0", false},
        {"http://h.example:65536", false},
        {"http://h.example:0080", false},
        {"http://h.example:", false},
        {"http://h.example:+81", false},
        {"http://h.example:443", true},
        {"http://h.example:80", false},
        {"https://h.example:80", true},
        {"https://h.example:443", false},

        {"http://123.example", true},
        {"http://a.0xg", true},
        {"http://a.123", false},
        {"http://a.0x1f", false},
        {"http://a.0x", false},
        {"http://0.0.0.0", true},
        {"http://255.255.255.255:8080", true},
        {"http://255.255.255.256", false},
        {"http://01.2.3.4", false},
        {"http://1.2.3", false},
        {"http://1.2.3.4.5", false},
        {"http://1.2.3.4.", false},
        {"http://0x7f.0.0.1", false},

        {"http://[::]", true},
        {"http://[::1]", true},
        {"http://[1::]", true},
        {"https://[2001:db8::1]:8443", true},
        {"http://[1:2:3:4:5:6:7:8]", true},
        {"http://[1:0:3:4:5:6:7:8]", true},
        {"http://[1:2:3:4:5:6:7::]", false},  // one zero piece is written, not compressed
        {"http://[1:0:0:2::]", true},           // the longest run of zeros is compressed
        {"http://[1::2:0:0:0:0]", false},
        {"http://[1::2:0:0:3:4]", true},        // of two equal runs, the first
        {"http://[1:0:0:2::3:4]", false},
        {"http://[0:0:0:0:0:0:0:1]", false},
        {"http://[::01]", false},
        {"http://[::A]", false},
        {"http://[::ffff:1.2.3.4]", false},
        {"http://[1::2::3]", false},
        {"http://[1:2:3:4:5:6:7:8:9]", false},
        {"http://[12345::]", false},
        {"http://[::1%25eth0]", false},
        {"http://[::1", false},
        {"http://[::1]x", false},
        {"http://[::1]:", false},
        {"http://[::1]:80", false},
        {"http://[]", false},

        {OriginOfLength(kLongestOrigin), true},
        {OriginOfLength(kLongestOrigin + 1), false},
    };
    for (const auto& row : cases)
        EXPECT_EQ(row.taken, IsSerializedOrigin(row.origin)) << row.origin.substr(0, 80) << " (" << row.origin.size() << " bytes)";
}

TEST(MayBeSameSite, NeedsTheSameSchemeAndTheSameAddress)
{
    const struct {
        const char* origin;
        const char* topOrigin;
        bool same;
    } cases[] = {
        {"https://news.example", "https://news.example", true},
        {"https://a.news.example:8443", "https://news.example", true},
        {"http://news.example", "https://news.example", false},
        {"file://", "file://", true},
        {"file://", "http://news.example", false},
        {"http://10.0.0.1:8080", "http://10.0.0.1", true},
        {"http://10.0.0.2", "http://10.0.0.1", false},
        {"http://a.example", "http://10.0.0.1", false},
        {"http://[::1]", "http://[::2]", false},
        {"http://[::1]:81", "http://[::1]", true},
    };
    for (const auto& row : cases) EXPECT_EQ(row.same, MayBeSameSite(row.origin, row.topOrigin)) << row.origin << " in " << row.topOrigin;
}
