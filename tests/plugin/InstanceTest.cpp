// Instances: the record NPP_New makes from the embed attributes, its release, streams and print;
// attributes a page may write, of any size and number, through the plug-in's table; and a streamed
// request file that the browser deleted before the click.
#include <gtest/gtest.h>

#include <windows.h>
#include <malloc.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "plugin/InstanceData.h"
#include "plugin/ModuleState.h"
#include "plugin/PluginEntry.h"
#include "request/RequestText.h"
#include "support/Attributes.h"
#include "support/Expectations.h"
#include "support/FakeBrowser.h"
#include "support/HeapChecks.h"
#include "support/PluginHost.h"
#include "support/ScriptedPlatform.h"
#include "support/TestText.h"

namespace {

class Instance : public ::testing::Test {
protected:
    void SetUp() override { moduleState.browserFuncs = &browser.funcs; }
    void TearDown() override
    {
        if (npp.pdata) NPP_Destroy(&npp, nullptr);
        moduleState.browserFuncs = nullptr;
    }
    InstanceData* Create(Attributes&& attributes, uint16_t mode = NP_EMBED)
    {
        char mime[] = "application/x-vnxclient";
        EXPECT_EQ(NPERR_NO_ERROR, NPP_New(mime, &npp, mode, attributes.Count(), attributes.Names(),
                                          attributes.Values(), nullptr));
        return record();
    }
    InstanceData* record() { return static_cast<InstanceData*>(npp.pdata); }

    FakeBrowser browser;
    NPP_t npp{};
};


TEST_F(Instance, NewRecordsModeAndInstanceAndClearsEverythingElse)
{
    InstanceData* r = Create({{"type", "application/x-vnxclient"}, {"width", "120"}}, NP_FULL);
    ASSERT_NE(nullptr, r);
    EXPECT_EQ(1, browser.allocations);
    EXPECT_EQ(NP_FULL, r->mode);
    EXPECT_EQ(&npp, r->instance);
    EXPECT_EQ(nullptr, r->window);
    EXPECT_EQ(nullptr, r->hwnd);
    EXPECT_EQ(nullptr, r->button);
    EXPECT_EQ(nullptr, r->savedWndProc);
    EXPECT_FALSE(r->page.hasSrc);
    EXPECT_FALSE(r->page.isUpload);
    EXPECT_EQ(0, r->dispatchDepth);
    EXPECT_FALSE(r->destroyed);
    for (const auto* field : {&r->page.file, &r->page.downloadUrl, &r->page.serverName, &r->page.name,
                              &r->page.size, &r->page.port, &r->page.contentType, &r->page.recipients,
                              &r->page.requestFile})
        EXPECT_FALSE(*field);
    EXPECT_EQ("Vexo Save File", Text(r->page.caption));
}

TEST_F(Instance, NewMatchesAttributeNamesInAnyLetterCase)
{
    InstanceData* r = Create({{"CAPTION", "Get the report"},
                              {"DownloadURL", "http://example.test/get"},
                              {"SERVERNAME", "files.example.test"},
                              {"Name", "report.zip"},
                              {"pOrT", "8080"},
                              {"ContentType", "RICH"},
                              {"FILE", "C:\\out\\a.txt"},
                              {"recipients", "a@example.test"},
                              {"Size", "1024"},
                              {"SRC", "x.vnxclient"}});
    ASSERT_NE(nullptr, r);
    EXPECT_EQ("Get the report", Text(r->page.caption));
    EXPECT_EQ("http://example.test/get", Text(r->page.downloadUrl));
    EXPECT_EQ("files.example.test", Text(r->page.serverName));
    EXPECT_EQ("report.zip", Text(r->page.name));
    EXPECT_EQ("8080", Text(r->page.port));
    EXPECT_EQ("RICH", Text(r->page.contentType));
    EXPECT_FALSE(r->page.file) << "an element with src keeps no file attribute";
    EXPECT_EQ("a@example.test", Text(r->page.recipients));
    EXPECT_EQ("1024", Text(r->page.size));
    EXPECT_TRUE(r->page.hasSrc);
    NPP_Destroy(&npp, nullptr);

    r = Create({{"FILE", "C:\\out\\a.txt"}});
    EXPECT_EQ("C:\\out\\a.txt", Text(r->page.file)) << "without src the file attribute stays";
    NPP_Destroy(&npp, nullptr);

    // Only whole names match, and only ASCII letters fold their case.
    Attributes attributes;
    for (const char* similar : {"name ", " name", "nam", "names", "", "n\xC1me", "\xEF\xBC\xAE" "AME",
                                "servername\t", "contenttype2", "caption\xA0"})
        attributes.Add(similar, "wrong");
    attributes.Add(std::string("name") + std::string(64 * 1024, 'x'), "wrong");
    attributes.Add(std::string(64 * 1024, 'N'), "wrong");
    attributes.Add("NaMe", "pkg.bin");
    attributes.Add("SERVERname", "srv1");
    attributes.Add("ConTentTYPE", "RICH");
    attributes.Add("recipients", "ann");  // matched in any case, though its usual spelling is upper
    attributes.Add("UPLOAD", "True");
    attributes.Add("sRc", "");
    r = Create(std::move(attributes));
    ASSERT_NE(nullptr, r);
    EXPECT_EQ("pkg.bin", Text(r->page.name));
    EXPECT_EQ("srv1", Text(r->page.serverName));
    EXPECT_EQ("RICH", Text(r->page.contentType));
    EXPECT_EQ("ann", Text(r->page.recipients));
    EXPECT_TRUE(r->page.isUpload);
    EXPECT_TRUE(r->page.hasSrc);
    EXPECT_EQ("Vexo Save File", Text(r->page.caption));
    for (const auto* field : {&r->page.file, &r->page.downloadUrl, &r->page.port, &r->page.size})
        EXPECT_EQ("<null>", Text(*field));
}

TEST_F(Instance, NewCopiesValuesVerbatim)
{
    const char odd[] = "  Caf\xe9 \"quoted\"\t\r\nline 2  ";
    InstanceData* r = Create({{"caption", odd}, {"name", ""}, {"size", "x"}});
    ASSERT_NE(nullptr, r);
    EXPECT_EQ(std::string(odd), Text(r->page.caption));
    EXPECT_EQ("", Text(r->page.name));
    EXPECT_EQ("x", Text(r->page.size));
    NPP_Destroy(&npp, nullptr);

    r = Create({});
    EXPECT_EQ("Vexo Save File", Text(r->page.caption));
}

TEST_F(Instance, NewLetsTheLastOccurrenceWinWithoutLeakingTheEarlierCopies)
{
    long before = HeapBytesInUse();
    {
        InstanceData* r = Create({{"name", "first name that is rather long"},
                                  {"caption", "one"},
                                  {"NAME", "second"},
                                  {"Caption", "two"},
                                  {"name", "third"}});
        ASSERT_NE(nullptr, r);
        EXPECT_EQ("third", Text(r->page.name));
        EXPECT_EQ("two", Text(r->page.caption));
        ASSERT_EQ(NPERR_NO_ERROR, NPP_Destroy(&npp, nullptr));
    }
    EXPECT_TRUE(HeapBytesBackTo(before));
    EXPECT_EQ(browser.allocations, browser.releases);
}

TEST_F(Instance, NewSetsUploadOnlyForTrueInAnyCaseAndNeverClearsIt)
{
    const struct {
        std::vector<std::pair<const char*, const char*>> attributes;
        int16_t expected;
    } cases[] = {
        {{{"upload", "true"}}, 1},
        {{{"UPLOAD", "TRUE"}}, 1},
        {{{"Upload", "tRuE"}}, 1},
        {{{"upload", "yes"}}, 0},
        {{{"upload", "1"}}, 0},
        {{{"upload", ""}}, 0},
        {{{"upload", "true "}}, 0},
        {{{"upload", " true"}}, 0},
        {{{"upload", "tru"}}, 0},
        {{{"upload", "truee"}}, 0},
        {{{"upload", "true"}, {"upload", "false"}}, 1},
        {{{"upload", "no"}, {"upload", "True"}, {"upload", "0"}}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.attributes.back().second << " x" << c.attributes.size());
        InstanceData* r = Create(Attributes(c.attributes));
        ASSERT_NE(nullptr, r);
        EXPECT_EQ(c.expected, r->page.isUpload);
        NPP_Destroy(&npp, nullptr);
    }
}

TEST_F(Instance, NewCountsSrcByItsPresenceWhateverItsValue)
{
    for (const char* value : {"", "request.vnxclient", static_cast<const char*>(nullptr)}) {
        SCOPED_TRACE(value ? value : "<null value>");
        InstanceData* r = Create(Attributes(Attributes::List{{"src", value}}));
        ASSERT_NE(nullptr, r);
        EXPECT_TRUE(r->page.hasSrc);
        EXPECT_FALSE(r->page.file);
        NPP_Destroy(&npp, nullptr);
    }
}

TEST_F(Instance, NewSurvivesNullNamesNullValuesAndOddCounts)
{
    // A null value of a copied attribute leaves it null, like a copy that failed.
    InstanceData* r = Create(Attributes(Attributes::List{{nullptr, "ignored"}, {"name", "kept"},
                                                         {"name", nullptr}, {"caption", nullptr},
                                                         {"upload", nullptr}, {"port", "80"}}));
    ASSERT_NE(nullptr, r);
    EXPECT_FALSE(r->page.name);
    EXPECT_EQ("Vexo Save File", Text(r->page.caption));
    EXPECT_FALSE(r->page.isUpload);
    EXPECT_EQ("80", Text(r->page.port));
    NPP_Destroy(&npp, nullptr);

    // A count of none or less copies nothing.
    char mime[] = "application/x-vnxclient";
    char name0[] = "name", name1[] = "servername", name2[] = "caption";
    char value0[] = "pkg.bin", value1[] = "srv1", value2[] = "never read";
    char* names[] = {name0, name1, name2};
    char* values[] = {value0, value1, value2};
    for (int16_t count : {int16_t(0), int16_t(-1), int16_t(-32768)}) {
        SCOPED_TRACE(count);
        ASSERT_EQ(NPERR_NO_ERROR, NPP_New(mime, &npp, NP_EMBED, count, names, values, nullptr));
        EXPECT_EQ("<null>", Text(record()->page.name));
        EXPECT_EQ("<null>", Text(record()->page.serverName));
        EXPECT_EQ("Vexo Save File", Text(record()->page.caption));
        NPP_Destroy(&npp, nullptr);
    }
    ASSERT_EQ(NPERR_NO_ERROR, NPP_New(mime, &npp, NP_EMBED, 3, nullptr, nullptr, nullptr));
    EXPECT_EQ("Vexo Save File", Text(record()->page.caption));
    NPP_Destroy(&npp, nullptr);
    ASSERT_EQ(NPERR_NO_ERROR, NPP_New(mime, &npp, NP_EMBED, 1, names, nullptr, nullptr));
    EXPECT_EQ("Vexo Save File", Text(record()->page.caption));
}

TEST_F(Instance, NewAnswersInvalidInstanceAndOutOfMemory)
{
    char mime[] = "application/x-vnxclient";
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, NPP_New(mime, nullptr, NP_EMBED, 0, nullptr, nullptr, nullptr));
    EXPECT_EQ(0, browser.allocations);

    browser.funcs.memalloc = [](uint32_t) -> void* { return nullptr; };
    npp.pdata = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(NPERR_OUT_OF_MEMORY_ERROR, NPP_New(mime, &npp, NP_EMBED, 0, nullptr, nullptr, nullptr));
    EXPECT_EQ(nullptr, npp.pdata);

    moduleState.browserFuncs = nullptr;  // before NP_Initialize, or after NP_Shutdown
    EXPECT_EQ(NPERR_OUT_OF_MEMORY_ERROR, NPP_New(mime, &npp, NP_EMBED, 0, nullptr, nullptr, nullptr));
    EXPECT_EQ(nullptr, npp.pdata);
}

TEST_F(Instance, DestroyReleasesEverythingWithTheBrowsersAllocator)
{
    long before = HeapBytesInUse();
    Create({{"caption", "c"}, {"downloadurl", "d"}, {"servername", "s"}, {"name", "n"},
            {"port", "p"}, {"contenttype", "t"}, {"file", "f"}, {"RECIPIENTS", "r"}, {"size", "z"}});
    NPSavedData* saved = reinterpret_cast<NPSavedData*>(0x4321);
    EXPECT_EQ(NPERR_NO_ERROR, NPP_Destroy(&npp, &saved));
    EXPECT_EQ(nullptr, npp.pdata);
    EXPECT_EQ(reinterpret_cast<NPSavedData*>(0x4321), saved);
    EXPECT_EQ(1, browser.allocations);
    EXPECT_EQ(1, browser.releases);
    EXPECT_TRUE(HeapBytesBackTo(before));
}

TEST_F(Instance, DestroyAnswersInvalidInstanceWithoutInstanceOrRecord)
{
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, NPP_Destroy(nullptr, nullptr));
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, NPP_Destroy(&npp, nullptr));
    Create({});
    EXPECT_EQ(NPERR_NO_ERROR, NPP_Destroy(&npp, nullptr));
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, NPP_Destroy(&npp, nullptr));
    EXPECT_EQ(1, browser.releases);
}

// ---- Streams ----

TEST_F(Instance, StreamsAreAskedForAsFilesAndAcceptedWhole)
{
    Create({});
    NPStream stream{};
    uint16_t type = NP_NORMAL;
    char mime[] = "text/plain";
    EXPECT_EQ(NPERR_NO_ERROR, NPP_NewStream(&npp, mime, &stream, 1, &type));
    EXPECT_EQ(NP_ASFILE, type);
    EXPECT_EQ(NPERR_NO_ERROR, NPP_NewStream(&npp, nullptr, nullptr, 0, nullptr));
    type = NP_NORMAL;
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, NPP_NewStream(nullptr, mime, &stream, 0, &type));

    EXPECT_EQ(268435455, NPP_WriteReady(&npp, &stream));
    EXPECT_EQ(268435455, NPP_WriteReady(&npp, nullptr));
    char data[16] = "abc";
    for (int32_t length : {0, 1, 3, 16, 100000})
        EXPECT_EQ(length, NPP_Write(&npp, &stream, 7, length, data));

    EXPECT_EQ(NPERR_NO_ERROR, NPP_DestroyStream(&npp, &stream, NPRES_DONE));
    EXPECT_EQ(NPERR_NO_ERROR, NPP_DestroyStream(&npp, &stream, NPRES_NETWORK_ERR));
    EXPECT_EQ(NPERR_INVALID_INSTANCE_ERROR, NPP_DestroyStream(nullptr, &stream, NPRES_DONE));
    EXPECT_FALSE(record()->page.requestFile);
}

TEST_F(Instance, StreamAsFileRecordsOnlyTheFirstFile)
{
    ScriptedPlatform calls;
    const char first[] = "C:\\windows\\temp\\plugtmp\\request.vnxclient";
    InstanceData* r = Create({{"src", "request.vnxclient"}});
    NPStream stream{};
    NPP_StreamAsFile(&npp, &stream, first);
    EXPECT_EQ(first, Text(r->page.requestFile));
    NPP_StreamAsFile(&npp, &stream, "C:\\other.vnxclient");
    EXPECT_EQ(first, Text(r->page.requestFile));
    EXPECT_TRUE(calls.messageBoxes.empty());
}

TEST_F(Instance, StreamAsFileTakesTheStreamOverAFileAttributeAndIgnoresUploads)
{
    ScriptedPlatform calls;
    NPStream stream{};
    // The request file is the one the browser fetched, never a path on the user's disk the page chose.
    InstanceData* r = Create({{"file", "C:\\given.txt"}, {"src", ""}});
    NPP_StreamAsFile(&npp, &stream, "C:\\streamed.vnxclient");
    EXPECT_EQ("C:\\streamed.vnxclient", Text(r->page.requestFile));
    EXPECT_FALSE(r->page.file);
    NPP_Destroy(&npp, nullptr);

    // Without src the file attribute stays (an upload page's file) and no stream arrives.
    r = Create({{"file", "C:\\given.txt"}});
    EXPECT_EQ("C:\\given.txt", Text(r->page.file));
    NPP_Destroy(&npp, nullptr);

    r = Create({{"upload", "true"}, {"src", "x"}});
    NPP_StreamAsFile(&npp, &stream, "C:\\streamed.vnxclient");
    EXPECT_FALSE(r->page.requestFile);
    EXPECT_TRUE(calls.messageBoxes.empty());
}

TEST_F(Instance, StreamAsFileWithoutNameShowsThePluginErrorBox)
{
    ScriptedPlatform calls;
    InstanceData* r = Create({{"src", "x"}});
    NPStream stream{};
    NPP_StreamAsFile(&npp, &stream, nullptr);
    EXPECT_TRUE(ShowsBoxes(calls.messageBoxes,
                           {{"Plugin Error",
                             "Fatal Error : Could not retrieve the plugin data, disk space or Authorization may be the problem",
                             MB_OK}}));
    EXPECT_FALSE(r->page.requestFile);

    // The instance keeps working: a later stream with a name is still recorded.
    NPP_StreamAsFile(&npp, &stream, "C:\\late.vnxclient");
    EXPECT_EQ("C:\\late.vnxclient", Text(r->page.requestFile));

    NPP_StreamAsFile(nullptr, &stream, nullptr);
    NPP_StreamAsFile(nullptr, &stream, "C:\\x");
    EXPECT_EQ(1u, calls.messageBoxes.size());
}

// ---- Print ----

TEST_F(Instance, PrintClearsPluginPrintedForFullPagesOnly)
{
    Create({});
    NPPrint full{};
    full.mode = NP_FULL;
    full.print.fullPrint.pluginPrinted = true;
    full.print.fullPrint.printOne = true;
    NPP_Print(&npp, &full);
    EXPECT_FALSE(full.print.fullPrint.pluginPrinted);
    EXPECT_TRUE(full.print.fullPrint.printOne);

    NPPrint embedded;
    std::memset(&embedded, 0x77, sizeof embedded);
    embedded.mode = NP_EMBED;
    NPPrint copy = embedded;
    NPP_Print(&npp, &embedded);
    EXPECT_EQ(0, std::memcmp(&copy, &embedded, sizeof copy));

    full.print.fullPrint.pluginPrinted = true;
    NPP_Print(nullptr, &full);
    EXPECT_TRUE(full.print.fullPrint.pluginPrinted);
    NPP_Print(&npp, nullptr);
    NPP_URLNotify(&npp, "http://example.test/", NPRES_DONE, nullptr);
    NPP_URLNotify(nullptr, nullptr, NPRES_USER_BREAK, nullptr);
}

// ---- Attributes a page writes, through the plug-in's table and a click ----

using HostileAttributes = PluginHost;

const std::size_t k64KiB = 64 * 1024;

// Shown values (NAME, SERVERNAME, SERVERPORT) up to their bound, the others of any length.
TEST_F(HostileAttributes, ValuesOfTheirLongestAreCopiedWholeAndSubmittedWhole)
{
    InstallClient();
    const std::string name = std::string(kLongestShownValue - 4, 'n') + ".bin";
    const std::string server(kLongestShownValue, 's'), size(k64KiB, '7');
    const std::string port = std::string(kLongestShownValue - 3, '0') + "609";  // a port, as a client reads it
    const std::string caption(k64KiB, 'c'), url = "http://" + std::string(k64KiB, 'u');
    Attributes attributes{{"name", name},        {"servername", server}, {"contenttype", "RICH"},
                          {"port", port},        {"size", size},         {"caption", caption},
                          {"downloadurl", url}};
    ASSERT_EQ(NPERR_NO_ERROR, New(attributes));
    InstanceData* record = Record();
    EXPECT_EQ(name, Text(record->page.name));
    EXPECT_EQ(server, Text(record->page.serverName));
    EXPECT_EQ(url, Text(record->page.downloadUrl));
    EXPECT_EQ(caption, Text(record->page.caption));

    // Wine's CreateWindowExA keeps a title's length in 16 bits: 64 KiB comes out empty. The
    // plug-in's own copy is whole (the button's own cases: ButtonWindowLimits).
    ShowInWindow();
    Click();

    EXPECT_EQ(kDone, LastStatus());
    EXPECT_TRUE(ui.messageBoxes.empty());
    EXPECT_TRUE(ui.fileDialogs.empty());
    EXPECT_EQ((std::multiset<std::string>{"NAME=\"" + name + "\"", "SERVERNAME=\"" + server + "\"",
                                          "TYPE=\"RICH\"", "SERVERPORT=\"" + port + "\"",
                                          "SIZE=\"" + size + "\"", "DestBaseName=\"" + name + "\"",
                                          "DestInitialDir=\"C:\\old\\\""}),
              Lines(OnlySubmission()));
    EXPECT_EQ("1", ReadUserRegistryText(kSignalKey, "Value"));
}

TEST_F(HostileAttributes, TheLargestCountTakesTheLastOfEachName)
{
    InstallClient();
    // 32767 attributes, the most an int16 count can say: mostly unknown names, every known one
    // many times over; nulls among them.
    Attributes attributes;
    const char* const known[] = {"name", "servername", "port", "size", "caption", "contenttype"};
    for (int index = 0; attributes.Count() < 32767 - 8; ++index) {
        if (index % 3 == 0)
            attributes.Add(known[index % 6], "v" + std::to_string(index));
        else if (index % 1000 == 1)
            attributes.AddNull(index % 2 == 0, index % 2 != 0);
        else
            attributes.Add("data-" + std::to_string(index), std::to_string(index));
    }
    for (const auto& last : std::vector<std::pair<std::string, std::string>>{
             {"name", "last.bin"}, {"servername", "srv-last"}, {"port", "609"}, {"size", "12"},
             {"caption", "Send"}, {"contenttype", "RICH"}, {"upload", "false"}, {"data-end", "x"}})
        attributes.Add(last.first, last.second);
    ASSERT_EQ(32767, attributes.Count());
    ASSERT_EQ(NPERR_NO_ERROR, New(attributes));
    ShowInWindow();
    Click();

    EXPECT_EQ(kDone, LastStatus());
    EXPECT_EQ((std::multiset<std::string>{"NAME=\"last.bin\"", "SERVERNAME=\"srv-last\"",
                                          "TYPE=\"RICH\"", "SERVERPORT=\"609\"", "SIZE=\"12\"",
                                          "DestBaseName=\"last.bin\"", "DestInitialDir=\"C:\\old\\\""}),
              Lines(OnlySubmission()));
}

TEST_F(HostileAttributes, NoAttributesAtAllIsABadRequestWhenClicked)
{
    InstallClient();
    ASSERT_EQ(NPERR_NO_ERROR, table.newp(nullptr, &npp, NP_EMBED, 5, nullptr, nullptr, nullptr));
    ShowInWindow();
    Click();

    EXPECT_TRUE(ShowsBoxes(ui.messageBoxes, {RequestWarningBox(kBadRequestAttributesText), FailureBox()}));
    EXPECT_EQ(kFormatFailure, LastStatus());
    EXPECT_TRUE(Submissions().empty());
}

// ---- A request file the browser streamed, clicked later ----

using StreamedRequestFile = InstanceDispatchRig;

// Gecko deletes its copy of the stream right after NPP_DestroyStream; the click comes later.
TEST_F(StreamedRequestFile, DeletedAfterTheStreamStillSubmitsAndIsReportedByItsName)
{
    InstallClient();
    auto streamThenDelete = [&](NPP_t& instance, const std::string& path, const std::string& bytes) {
        char mime[] = "application/x-vnxclient", name[] = "src", value[] = "request.vnxclient";
        char* names[] = {name};
        char* values[] = {value};
        EXPECT_EQ(NPP_New(mime, &instance, NP_EMBED, 1, names, values, nullptr), NPERR_NO_ERROR);
        WriteWholeFile(path, bytes);
        NPStream stream{};
        NPP_StreamAsFile(&instance, &stream, path.c_str());
        EXPECT_TRUE(DeleteFileA(path.c_str()));
        auto* streamed = static_cast<InstanceData*>(instance.pdata);
        streamed->window = &npWindow;
        return streamed;
    };

    NPP_t good{};
    const std::string goodPath = requestDir.path() + "-good.vnxclient";
    InstanceData* goodRecord = streamThenDelete(good, goodPath, "vnxclient: NAME=\"pkg.bin\" SERVERNAME=srv2 TYPE=RICH\n");
    EXPECT_EQ(Dispatch(*goodRecord), RequestOutcome::submitted);
    EXPECT_TRUE(ui.messageBoxes.empty());
    auto lines = Lines(OnlySubmission());
    EXPECT_EQ(lines.count("NAME=\"pkg.bin\""), 1u);
    EXPECT_EQ(lines.count("SERVERNAME=\"srv2\""), 1u);
    EXPECT_EQ(browser.statusTexts.back(), "Document : Done");

    NPP_t bad{};
    const std::string badPath = requestDir.path() + "-bad.vnxclient";
    InstanceData* badRecord = streamThenDelete(bad, badPath, "vnxclient: NAME=x\n");
    EXPECT_EQ(Dispatch(*badRecord), RequestOutcome::failed);
    EXPECT_TRUE(ShowsBoxes(ui.messageBoxes,
                           {RequestWarningBox("The request file appears to have bad request information. \n\t\tSorry! "
                                              "\nFile submitted: " + badPath + " \nRequest data: NAME=x"),
                            FailureBox()}));

    EXPECT_EQ(NPP_Destroy(&good, nullptr), NPERR_NO_ERROR);
    EXPECT_EQ(NPP_Destroy(&bad, nullptr), NPERR_NO_ERROR);
}

}  // namespace
