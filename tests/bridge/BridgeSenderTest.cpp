#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// Each form browsers write, beside the nearest ones they never write.
TEST(IsSerializedOrigin, TakesOnlyWhatBrowsersSerialize)
{
    const struct {
        std::string taken;
        std::vector<std::string> refused;
    } cases[] = {
        {"file://", {"file:///", "file://server", "FILE://", ""}},
        {"http://a", {"http://", "http:/a", "ftp://a", "ws://a", "http://a/", "http://a?", "http://u@a", "http://a b"}},
        {"https://news.example", {"https://News.example", "HTTPS://news.example", "http://a%41", std::string("http://a\0b", 10)}},
        {"https://xn--bcher-kva.example", {"https://b\xC3\xBC" "cher.example"}},
        {"http://a_b-c.example", {"http://a+b.example"}},
        {"https://example.com.", {"https://example.com..", "https://a..example", "https://.example", "https://."}},
        {"http://h.example:1", {"http://h.example:0", "http://h.example:", "http://h.example:+1"}},
        {"http://h.example:65535", {"http://h.example:65536", "http://h.example:0080"}},
        {"http://h.example:443", {"http://h.example:80"}},
        {"https://h.example:80", {"https://h.example:443"}},
        {"http://123.example", {"http://a.123"}},
        {"http://a.0xg", {"http://a.0x1f", "http://a.0x"}},
        {"http://0.0.0.0", {"http://01.2.3.4", "http://1.2.3", "http://1.2.3.4.5", "http://1.2.3.4.", "http://0x7f.0.0.1"}},
        {"http://255.255.255.255:8080", {"http://255.255.255.256"}},
        {"http://[::]", {"http://[]", "http://[::1", "http://[::1]x81", "http://[::1]:", "http://[::1]:80"}},
        {"http://[::1]", {"http://[0:0:0:0:0:0:0:1]", "http://[::01]", "http://[::A]", "http://[::1%25eth0]"}},
        {"http://[1::]", {"http://[1::2::3]", "http://[12345::]", "http://[::ffff:1.2.3.4]"}},
        {"https://[2001:db8::1]:8443", {"https://[2001:db8::1]:443"}},
        {"http://[1:2:3:4:5:6:7:8]", {"http://[1:2:3:4:5:6:7:8:9]"}},
        // One zero piece is written, not compressed.
        {"http://[1:0:3:4:5:6:7:8]", {"http://[1::3:4:5:6:7:8]", "http://[1:2:3:4:5:6:7::]"}},
        // The longest run of zeros is compressed; of two equal runs, the first.
        {"http://[1:0:0:2::]", {"http://[1::2:0:0:0:0]"}},
        {"http://[1::2:0:0:3:4]", {"http://[1:0:0:2::3:4]"}},
        {OriginOfLength(kLongestOrigin), {OriginOfLength(kLongestOrigin + 1)}},
    };
    for (const auto& row : cases) {
        EXPECT_TRUE(IsSerializedOrigin(row.taken)) << row.taken.substr(0, 80) << " (" << row.taken.size() << " bytes)";
        for (const std::string& refused : row.refused)
            EXPECT_FALSE(IsSerializedOrigin(refused)) << refused.substr(0, 80) << " (" << refused.size() << " bytes)";
    }
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
