// Who asks, as the dialogs name it: an origin shown as the user can check it, a frame and its top
// page, and nobody when the browser told nothing or something that is no origin.
#include <gtest/gtest.h>

#include <string>

#include "request/RequestingSite.h"

namespace {

const std::string kNone = "<none>";

std::string Shown(const std::string& origin) { return ShownOrigin(origin).value_or(kNone); }

std::string Repeated(const std::string& text, int times)
{
    std::string repeated;
    for (int i = 0; i < times; ++i) repeated += text;
    return repeated;
}

TEST(ShownOrigin, NamesSchemeHostAndPortAsTheUserCanCheckThem)
{
    const std::string label63(63, 'a');
    const std::string host253 = Repeated(label63 + ".", 3) + std::string(61, 'b');  // 4 * 63 + 1
    const struct {
        std::string origin;
        std::string shown;
    } rows[] = {
        {"https://news.example", "https://news.example"},
        {"http://a.example:8080", "http://a.example:8080"},
        {"HTTPS://News.EXAMPLE", "https://news.example"},
        {"http://a.example:80", "http://a.example"},
        {"https://a.example:443", "https://a.example"},
        {"http://a.example:443", "http://a.example:443"},
        {"http://a.example:0", "http://a.example:0"},
        {"http://a.example:65535", "http://a.example:65535"},
        {"http://a.example:65536", kNone},
        {"http://a.example:0080", "http://a.example"},
        {"http://a.example:", kNone},
        {"http://a.example:8o", kNone},
        {"https://news.example.", "https://news.example."},
        {"https://news..example", kNone},
        {"https://.news.example", kNone},
        {"https://.", kNone},
        {"https://", kNone},
        {"https://my_host-1.example", "https://my_host-1.example"},
        {"http://192.168.0.1:8080", "http://192.168.0.1:8080"},
        {"http://[::1]", "http://[::1]"},
        {"http://[2001:DB8::1]:8080", "http://[2001:db8::1]:8080"},
        {"http://[1:2:3:4:5:6:7:8]", "http://[1:2:3:4:5:6:7:8]"},
        {"http://[1:2:3:4:5:6:7::]", "http://[1:2:3:4:5:6:7::]"},
        {"http://[::ffff:1.2.3.4]", "http://[::ffff:1.2.3.4]"},
        {"http://[1:2:3:4:5:6:7:8:9]", kNone},
        {"http://[1:2:3:4:5:6:7:8::]", kNone},
        {"http://[1::2::3]", kNone},
        {"http://[::1%25eth0]", kNone},
        {"http://[::1]x", kNone},
        {"http://[::1", kNone},
        {"https://b\xC3\xBC" "cher.example", "https://xn--bcher-kva.example"},
        {"https://B\xC3\x9C" "CHER.example", "https://xn--bcher-2pa.example"},  // only ASCII letters are lowered
        {"https://xn--bcher-kva.example", "https://xn--bcher-kva.example"},
        {"https://b\xFC" "cher.example", kNone},          // Latin-1, not UTF-8
        {"https://b\xC0\xBC" "cher.example", kNone},      // an overlong form
        {"https://a\xC2\x85" "b.example", kNone},         // a C1 control
        {"https://" + label63 + ".example", "https://" + label63 + ".example"},
        {"https://" + label63 + "a.example", kNone},
        {"https://a" + Repeated("\xC3\xA9", 55) + ".example", "https://xn--a-bg" + std::string(55, 'a') + ".example"},
        {"https://a" + Repeated("\xC3\xA9", 56) + ".example", kNone},  // its ASCII form has 64 octets
        {"https://" + host253, "https://" + host253},
        {"https://" + host253 + ".", "https://" + host253 + "."},
        {"https://" + host253 + "b", kNone},
        {"https://user@news.example", kNone},
        {"https://news.example/", kNone},
        {"https://news.example evil.example", kNone},
        {"file://", "a file on this computer"},
        {"file://server", kNone},
        {"null", kNone},
        {"news.example", kNone},
        {"1http://news.example", kNone},
        {"chrome-extension://abcdefghijklmnop", "chrome-extension://abcdefghijklmnop"},
        {"https://" + std::string(2100, 'a'), kNone},
    };
    for (const auto& row : rows) EXPECT_EQ(row.shown, Shown(row.origin)) << "[" << row.origin.substr(0, 80) << "]";
}

TEST(RequestingSite, NamesTheFrameAndItsTopPageOnlyWhenTheyDiffer)
{
    const struct {
        std::string origin;
        std::string topOrigin;
        std::string phrase;
        std::string subject;
        bool malformed;
    } rows[] = {
        {"", "", "", "This page", false},
        {"https://news.example", "", "https://news.example", "https://news.example", false},
        {"https://news.example", "https://NEWS.example:443", "https://news.example", "https://news.example", false},
        {"https://ads.example", "https://news.example", "https://ads.example, in a frame of https://news.example",
         "https://ads.example, in a frame of https://news.example,", false},
        {"file://", "file://", "a file on this computer", "A file on this computer", false},
        {"file://", "https://news.example", "a file on this computer, in a frame of https://news.example",
         "A file on this computer, in a frame of https://news.example,", false},
        {"https://news.example/page", "", "", "This page", true},
        {"https://ads.example", "null", "", "This page", true},
        {"", "https://news.example", "", "This page", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE("[" + row.origin + "] in [" + row.topOrigin + "]");
        const RequestingSite site = DescribeRequestingSite(row.origin, row.topOrigin);
        EXPECT_EQ(row.phrase, PhraseOf(site));
        EXPECT_EQ(row.subject, SubjectOf(site));
        EXPECT_EQ(row.malformed, site.malformedOrigin);
    }
}

// A caption is cut at the dialog's width: the site comes first, and a host too long for it loses
// whole labels from its left (40 characters for one site, 26 for each of two).
TEST(TitleAskedBy, NamesTheSiteFirstAndKeepsTheEndOfALongHost)
{
    const std::string label25(25, 'a');
    const struct {
        std::string origin;
        std::string topOrigin;
        std::string title;
    } rows[] = {
        {"https://abc.downloads.tolvane.example.uk", "", "https://abc.downloads.tolvane.example.uk asks: T"},
        {"https://abc.downloads.tolvane.example.com", "", "https://...downloads.tolvane.example.com asks: T"},
        {"https://abc.downloads.tolvane.example.com:8443", "", "https://...tolvane.example.com:8443 asks: T"},
        {"https://sub." + label25 + ":8443", "", "https://...:8443 asks: T"},
        {"http://[ffff:ffff:ffff:ffff:ffff:ffff:255.255.255.255]:65535", "",
         "http://[ffff:ffff:ffff:ffff:ffff:ffff:255.255.255.255]:65535 asks: T"},
        {"file://", "", "A file on this computer asks: T"},
        {"https://ads.example", "https://www.tolvane.example",
         "https://ads.example, in a frame of https://...tolvane.example, asks: T"},
        {"https://192.168.100.200:65535", "https://news.example",
         "https://192.168.100.200:65535, in a frame of https://news.example, asks: T"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.title, TitleAskedBy("T", DescribeRequestingSite(row.origin, row.topOrigin)))
            << "[" << row.origin << "] in [" << row.topOrigin << "]";
}

// Vectors from Python's own codec and RFC 3492, 7.1.
TEST(Punycode, EncodesAsRfc3492)
{
    const struct {
        std::u32string codePoints;
        std::string encoded;
    } rows[] = {
        {U"b\u00FCcher", "bcher-kva"},
        {U"m\u00FCnchen", "mnchen-3ya"},
        {U"\u00F1", "ida"},
        {U"\u30C9\u30E1\u30A4\u30F3\u540D\u4F8B", "eckwd4c7cu47r2wf"},
        {U"\u0644\u064A\u0647\u0645\u0627\u0628\u062A\u0643\u0644\u0645\u0648\u0634\u0639\u0631\u0628\u064A\u061F",
         "egbpdaj6bu4bxfgehfvwxn"},
        {U"\U0001F600", "e28h"},
    };
    for (const auto& row : rows) EXPECT_EQ(row.encoded, Punycode(row.codePoints).value_or(kNone));
}

}  // namespace
