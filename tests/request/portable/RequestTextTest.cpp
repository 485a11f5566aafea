// The request file's text and the request's fields as plain data: line ends, the request data after
// the prefix, the field checks, what the user can be shown.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "request/RequestText.h"
#include "client/KeyValueMap.h"

namespace {

// A literal's bytes, NULs included.
template <std::size_t N>
std::string Bytes(const char (&literal)[N])
{
    return std::string(literal, N - 1);
}

// The request data found in a file's raw bytes, or "<no prefix>".
std::string RequestDataOfFile(const std::string& fileBytes)
{
    std::string data = "left over";
    if (!ExtractRequestData(JoinRequestFileLines(fileBytes), data)) {
        EXPECT_EQ("", data);
        return "<no prefix>";
    }
    return data;
}

// One value of a request, beside NAME "pkg.bin", and the fault it is refused for (none: shown).
struct FaultRow {
    const char* key;
    std::string value;
    std::optional<ShownValueFault> fault;
};

// Each row's value is refused for its fault, named by its key, or shown.
void ExpectFaults(const std::vector<FaultRow>& rows)
{
    for (const FaultRow& row : rows) {
        SCOPED_TRACE(std::string(row.key) + " [" + row.value.substr(0, 40) + "] of " + std::to_string(row.value.size()) +
                     " bytes");
        CKeyValueMap request;
        request["NAME"] = "pkg.bin";
        request[row.key] = row.value;
        const std::optional<UnshowableValue> refused = FindUnshowableValue(request);
        ASSERT_EQ(row.fault.has_value(), refused.has_value());
        if (!refused) continue;
        EXPECT_EQ(row.key, refused->key);
        EXPECT_EQ(*row.fault, refused->fault);
    }
}

}  // namespace

TEST(JoinRequestFileLines, EveryLineEndsInCrLf)
{
    const std::vector<std::pair<std::string, std::string>> table = {
        {"", ""},
        {"a", "a\r\n"},
        {"a\n", "a\r\n"},
        {"a\r\n", "a\r\n"},
        {"a\nb", "a\r\nb\r\n"},
        {"a\r\nb\r\n", "a\r\nb\r\n"},
        {"\n", "\r\n"},
        {"\n\n", "\r\n\r\n"},
        {"\r\n\r\n", "\r\n\r\n"},
        {"a\rb\n", "a\rb\r\n"},      // a lone CR stays in its line
        {"a\r", "a\r\r\n"},
        {"a\r\r\n", "a\r\r\n"},      // only the CR right before the LF is dropped
        {Bytes("a\0b\n\xFF"), Bytes("a\0b\r\n\xFF\r\n")},
    };
    for (const auto& row : table) {
        EXPECT_EQ(row.second, JoinRequestFileLines(row.first)) << "file bytes [" << row.first << "]";
    }
}

TEST(ExtractRequestData, TakesTheRestOfThePrefixLineLessOneCharacter)
{
    const std::vector<std::pair<std::string, std::string>> table = {
        {"vnxclient: NAME=ab SERVERNAME=cd TYPE=RICH\n", "NAME=ab SERVERNAME=cd TYPE=RICH"},
        {"vnxclient:\tNAME=ab\n", "NAME=ab"},
        {"vnxclient:NAME=ab\n", "AME=ab"},                          // first letter lost without a blank
        {"vnxclient:\nNAME=ab\nTYPE=RICH\n", "NAME=ab"},            // prefix ends its line: the next line
        {"vnxclient: NAME=ab\nTYPE=RICH\n", "NAME=ab"},             // later lines are ignored
        {"<embed> see vnxclient:  NAME=ab   \n", "NAME=ab"},        // text before it on its line
        {"line one\nline two\n  vnxclient: NAME=ab\n", "NAME=ab"},
        {"vnxclient: A=1\nvnxclient: B=2\n", "A=1"},               // only the first one counts
        {"vnxclient:\nNAME=pkg.bin SERVERNAME=srv1 TYPE=RICH\nNAME=ignored\n", "NAME=pkg.bin SERVERNAME=srv1 TYPE=RICH"},
        {"<embed> vnxclient: NAME=after SERVERNAME=s1", "NAME=after SERVERNAME=s1"},  // no line end at all
        {"line one\r\nline two\nvnxclient:\tNAME=later SERVERNAME=s1\n", "NAME=later SERVERNAME=s1"},
        {"x\nvnxclient: NAME=\"a b\" SERVERNAME=s1 Q=\"1\"\"2\"\n", "NAME=\"a b\" SERVERNAME=s1 Q=\"1\"\"2\""},
        {"vnxclient: A=\"x\ry\"\n", "A=\"x\ry\""},                  // a lone CR does not end the line
        {"vnxclient: \n", ""},
        {"text vnxclient:", ""},                                    // prefix last in the file
        {"VNXCLIENT: NAME=ab\n", "<no prefix>"},
        {"Vnxclient: NAME=ab\n", "<no prefix>"},
        {"", "<no prefix>"},
        {"vnxclient", "<no prefix>"},
    };
    for (const auto& row : table) {
        EXPECT_EQ(row.second, RequestDataOfFile(row.first)) << "file bytes [" << row.first << "]";
        // The same file with CR LF line ends gives the same request data.
        std::string crlf;
        for (char c : row.first) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        EXPECT_EQ(row.second, RequestDataOfFile(crlf)) << "file bytes [" << crlf << "]";
    }
}

TEST(ExtractRequestData, NulAndHighBytesPassThrough)
{
    const std::string file = Bytes("junk\0\xFF\nvnxclient: NAME=\"a\0\xE9\" X=\x80\x01\n");
    EXPECT_EQ(Bytes("NAME=\"a\0\xE9\" X=\x80\x01"), RequestDataOfFile(file));

    CKeyValueMap request;
    request.ParseText(RequestDataOfFile(file));
    std::string value;
    EXPECT_TRUE(request.Lookup("NAME", value));
    EXPECT_EQ(Bytes("a\0\xE9"), value);
    EXPECT_TRUE(request.Lookup("X", value));
    EXPECT_EQ(Bytes("\x80\x01"), value);
}

TEST(ExtractRequestData, WorksOnTextWithoutTrailingLineEnd)
{
    std::string data;
    EXPECT_TRUE(ExtractRequestData("xvnxclient:", data));
    EXPECT_EQ("", data);
    EXPECT_TRUE(ExtractRequestData("vnxclient: A=1 ", data));
    EXPECT_EQ("A=1", data);
    EXPECT_TRUE(ExtractRequestData("vnxclient:  \r\nA=1", data));
    EXPECT_EQ("", data);
}

// What a page sends must be what the user sees: a NUL anywhere, a control byte or more than the
// shown bound in one of the shown values makes the request a bad one, named by its first such value.
TEST(FindUnshowableValue, NamesTheFirstValueTheUserCouldNotSeeWholeAndWhy)
{
    using F = ShownValueFault;
    const std::string longest = std::string(kLongestShownValue - 3, '0') + "609";  // a port too
    ExpectFaults({
        {"RECIPIENTS", "me@mycompany.example", std::nullopt},
        {"NAME", "r\xe9sum\xe9 \x83\x5C.pdf", std::nullopt},  // bytes above ASCII are judged by the code page
        {"SIZE", "12\r\n34", std::nullopt},                    // not shown: control bytes pass
        {"SIZE", std::string(64 * 1024, '7'), std::nullopt},   // not shown: any length
        {"SIZE", Bytes("1\0002"), F::nulByte},                  // a NUL in any value
        {"Anything.else", Bytes("x\0y"), F::nulByte},
        {"RECIPIENTS", Bytes("me@mycompany.example \rDo you want to send it?\0:attacker@evil.example"), F::nulByte},
        {"RECIPIENTS", "me@mycompany.example" + std::string(33000, '\n') + ":attacker@evil.example", F::tooLong},
        {"NAME", "report.pdf\nTargetPath=C:\\x\nDEBUG_APPROVED=YES\nZ=", F::controlByte},
        {"FILE", "C:\\a\tb.txt", F::controlByte},
        {"SERVERNAME", "srv\x7f", F::controlByte},
        {"SERVERPORT", "609\r", F::controlByte},
        {"TYPE", "RICH\n", F::controlByte},
    });
    for (const char* key : kShownKeys) {
        SCOPED_TRACE(key);
        CKeyValueMap request;
        request[key] = longest;
        EXPECT_TRUE(IsShowableRequest(request)) << "at the bound";
        request[key] = "0" + longest;
        EXPECT_EQ(F::tooLong, FindUnshowableValue(request)->fault) << "one byte over";
    }
}

// Ports a client could have read are ports; server names hold what host names and addresses hold;
// three blanks in a row hide the rest of any shown value.
TEST(FindUnshowableValue, PortsServerNamesAndBlankRunsAtTheirEdges)
{
    using F = ShownValueFault;
    ExpectFaults({
        {"SERVERPORT", "1", std::nullopt},
        {"SERVERPORT", "0", F::notAPort},
        {"SERVERPORT", "65535", std::nullopt},
        {"SERVERPORT", "65536", F::notAPort},
        {"SERVERPORT", "0609", std::nullopt},
        {"SERVERPORT", std::string(40, '0') + "65535", std::nullopt},
        {"SERVERPORT", "99999999999999999999999", F::notAPort},
        {"SERVERPORT", "  609  ", std::nullopt},
        {"SERVERPORT", "   609", F::blankRun},
        {"SERVERPORT", "", std::nullopt},
        {"SERVERPORT", "  ", std::nullopt},  // no port given, as an empty one
        {"SERVERPORT", "609 alt0 alt1", F::notAPort},
        {"SERVERPORT", "+609", F::notAPort},
        {"HTTPSERVERPORT", "80a", F::notAPort},
        {"SERVERNAME", "files.company-1.example", std::nullopt},
        {"SERVERNAME", "srv_2:609", std::nullopt},
        {"SERVERNAME", "[2001:db8::1]", std::nullopt},
        {"SERVERNAME", "caf\xE9.example", std::nullopt},  // judged by the code page
        {"SERVERNAME", "files.company.example evil.example", F::notAServerName},
        {"SERVERNAME", "files.company.example" + std::string(990, ' ') + "evil.example", F::blankRun},
        {"SERVERNAME", "evil.example/files", F::notAServerName},
        {"NAME", "report  final.zip", std::nullopt},
        {"NAME", "report   final.zip", F::blankRun},
        {"RECIPIENTS", "   ann", F::blankRun},
        {"FILE", "C:\\a.txt   ", F::blankRun},
    });
}

TEST(FieldChecks, CountBytesAndCompareTypeExactly)
{
    CKeyValueMap request;
    EXPECT_FALSE(IsValidName(request));
    EXPECT_FALSE(IsValidServerName(request));
    EXPECT_FALSE(IsValidType(request));
    EXPECT_EQ(0u, request.GetCount()) << "a check must not add the key it reads";

    request["NAME"] = "a";
    request["SERVERNAME"] = "b";
    EXPECT_FALSE(IsValidName(request));
    EXPECT_FALSE(IsValidServerName(request));
    request["NAME"] = "ab";
    request["SERVERNAME"] = "\xe9\xe9";
    EXPECT_TRUE(IsValidName(request));
    EXPECT_TRUE(IsValidServerName(request));

    for (const char* type : {"PLAIN", "RICH"}) {
        request["TYPE"] = type;
        EXPECT_TRUE(IsValidType(request)) << type;
    }
    for (const char* type : {"plain", "Rich", "PLAIN ", "", "RICHER"}) {
        request["TYPE"] = type;
        EXPECT_FALSE(IsValidType(request)) << type;
    }
}
