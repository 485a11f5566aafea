// Every example submission of docs/client.md, read as the reference client reads a file it takes up.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "vxclient/SubmissionReader.h"

namespace {

std::string ExampleBytes(const std::string& name)
{
    std::ifstream in(std::string(EXAMPLE_SUBMISSIONS) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

using Entries = std::map<std::string, std::string>;

struct Example {
    const char* file;
    const char* kind;  // as the journal records it
    Entries entries;
};

const Example kExamples[] = {
    {"download.vnxsubmit", "download",
     {{"DestBaseName", "C:\\Users\\ann\\Downloads\\report.zip"},
      {"DestInitialDir", "C:\\Users\\ann\\Downloads"},
      {"NAME", "report.zip"},
      {"SERVERNAME", "srv1"},
      {"SERVERPORT", "609"},
      {"TYPE", "PLAIN"},
      {"TargetPath", "C:\\Users\\ann\\Downloads\\report.zip"}}},
    {"rich-download.vnxsubmit", "download",
     {{"DestBaseName", "list.dat"},
      {"DestInitialDir", "C:\\Users\\ann\\Downloads\\"},
      {"NAME", "prices/2026/list.dat"},
      {"SERVERNAME", "srv1"},
      {"SERVERPORT", "610"},
      {"SIZE", "52318"},
      {"TYPE", "RICH"}}},
    {"request-file.vnxsubmit", "download",
     {{"CHECKSUM", "4711"},
      {"DestBaseName", "C:\\Users\\ann\\Downloads\\quarterly.zip"},
      {"DestInitialDir", "C:\\Users\\ann\\Downloads"},
      {"NAME", "quarterly figures.zip"},
      {"SERVERNAME", "srv2"},
      {"SERVERPORT", "609"},
      {"SIZE", "1048576"},
      {"TYPE", "PLAIN"},
      {"TargetPath", "C:\\Users\\ann\\Downloads\\quarterly.zip"}}},
    {"request-file-rich.vnxsubmit", "download",
     {{"DestBaseName", "catalogue \"spring\".pdf"},
      {"DestInitialDir", "C:\\Users\\ann\\Downloads\\"},
      {"HTTPSERVERPORT", "8080"},
      {"NAME", "catalogue \"spring\".pdf"},
      {"ORDER.REF", "A-17"},
      {"SERVERNAME", "srv4"},
      {"SERVERPORT", "609"},
      {"TYPE", "RICH"}}},
    {"upload-named-file.vnxsubmit", "upload",
     {{"CHECKSUM", "0"},
      {"FILE", "C:\\Users\\Public\\Documents\\weekly.txt"},
      {"HTTPSERVERPORT", "8009"},
      {"NAME", "weekly report.txt"},
      {"RECIPIENTS", "alice:bob:carol"},
      {"SERVERNAME", "srv3"},
      {"SERVERPORT", "611"},
      {"TYPE", "PLAIN"},
      {"UPLOAD", "TRUE"}}},
};

TEST(ClientGuide, EveryExampleSubmissionIsTakenUpWithTheEntriesTheGuideShows)
{
    for (const Example& example : kExamples) {
        const std::string bytes = ExampleBytes(example.file);
        CKeyValueMap request;
        std::string reason;
        ASSERT_TRUE(ReadSubmission(bytes, request, reason)) << example.file << ": " << reason;
        EXPECT_EQ(example.entries, Entries(request.begin(), request.end())) << example.file;
        // Byte for byte what the plug-in writes for these entries: one LF after each, no CR.
        EXPECT_EQ(request.FormatText("\n"), bytes) << example.file;
        const std::string journal = JournalEntry(example.file, request);
        EXPECT_EQ(std::string(example.file) + "\t" + example.kind + "\t",
                  journal.substr(0, journal.find('\t', journal.find('\t') + 1) + 1));
        // Download routes always carry DestInitialDir, the upload route never does.
        EXPECT_EQ(example.kind == std::string("download"), request.Lookup("DestInitialDir", reason))
            << example.file;
    }
}

TEST(ClientGuide, TheReaderRefusesWhatNoPlugInWrites)
{
    CKeyValueMap request;
    std::string reason;
    EXPECT_FALSE(ReadSubmission("", request, reason));
    EXPECT_EQ("the file holds no request entries", reason);
    EXPECT_FALSE(ReadSubmission("NAME=\"unclosed\n", request, reason));
    EXPECT_EQ("the file is not a key=\"value\" text", reason);
    // A line break inside a value belongs to the value.
    ASSERT_TRUE(ReadSubmission("NAME=\"two\r\nlines\"\nTYPE=\"RICH\"\n", request, reason));
    EXPECT_EQ((Entries{{"NAME", "two\r\nlines"}, {"TYPE", "RICH"}}), Entries(request.begin(), request.end()));
}

}  // namespace
