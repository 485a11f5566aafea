// Embed attributes a page may write: huge values, names of odd case, length and bytes, thousands
// of them, and counts the browser should never pass.
#include <malloc.h>

#include "hostile/HostileSupport.h"

#include "request/RequestText.h"
#include "support/TestText.h"

namespace {

const std::size_t k64KiB = 64 * 1024;


using HostileAttributes = PluginHost;

// Shown values (NAME, SERVERNAME, SERVERPORT) up to their bound, the others of any length.
TEST_F(HostileAttributes, ValuesOfTheirLongestAreCopiedWholeAndSubmittedWhole)
{
    InstallClient();
    const std::string name = std::string(kLongestShownValue - 4, 'n') + ".bin";
    const std::string server(kLongestShownValue, 's'), port(kLongestShownValue, '6'), size(k64KiB, '7');
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
    // plug-in's own copy is whole; the next case has a caption Wine takes.
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

TEST_F(HostileAttributes, AnUploadFileTooLongForAPathIsAFileThatCannotBeOpened)
{
    InstallClient();
    const std::string file = "C:\\" + std::string(kLongestShownValue - 3, 'f');
    Attributes attributes{{"upload", "true"}, {"file", file}, {"RECIPIENTS", "ann"}, {"servername", "srv1"}};
    ASSERT_EQ(NPERR_NO_ERROR, New(attributes));
    ShowInWindow();
    Click();

    ASSERT_EQ(1u, ui.messageBoxes.size());
    EXPECT_EQ("Error!", ui.messageBoxes[0].caption);
    EXPECT_TRUE("The file '" + file + "' could not be opened." == ui.messageBoxes[0].text);
    EXPECT_EQ(kCancelled, LastStatus());
    EXPECT_TRUE(Submissions().empty());
}

TEST_F(HostileAttributes, TheButtonShowsTheCaptionWholeOrWineRefusesTheButton)
{
    // 32766 characters is the longest title Wine's CreateWindowExA takes; from 32767 on it makes
    // no window or cuts the title, and the click then has no button. Nothing else happens.
    for (std::size_t length : {std::size_t(32766), std::size_t(40000)}) {
        SCOPED_TRACE(length);
        const std::string caption(length, 'c');
        Attributes attributes{{"caption", caption}};
        ASSERT_EQ(NPERR_NO_ERROR, New(attributes));
        ShowInWindow();
        HWND button = Record()->button;
        if (length == 32766) {
            ASSERT_NE(nullptr, button);
        }
        if (button) {
            EXPECT_EQ(static_cast<int>(length), GetWindowTextLengthA(button));
        }
        table.destroy(&npp, nullptr);
        DestroyWindow(window);
        window = nullptr;
    }
    EXPECT_TRUE(browser.statusTexts.empty());
    EXPECT_TRUE(ui.messageBoxes.empty());
}

TEST_F(HostileAttributes, NamesMatchOnlyWholeAndOnlyAsciiLettersFoldCase)
{
    Attributes attributes;
    // Not one of these is an attribute the plug-in knows.
    for (const char* similar : {"name ", " name", "nam", "names", "", "n\xC1me", "\xEF\xBC\xAE" "AME",
                             "servername\t", "contenttype2", "caption\xA0"})
        attributes.Add(similar, "wrong");
    attributes.Add(std::string("name") + std::string(k64KiB, 'x'), "wrong");
    attributes.Add(std::string(k64KiB, 'N'), "wrong");
    attributes.Add("NaMe", "pkg.bin");
    attributes.Add("SERVERname", "srv1");
    attributes.Add("ConTentTYPE", "RICH");
    attributes.Add("recipients", "ann");  // matched in any case, though its usual spelling is upper
    attributes.Add("UPLOAD", "True");
    attributes.Add("sRc", "");
    ASSERT_EQ(NPERR_NO_ERROR, New(attributes));

    InstanceData* record = Record();
    EXPECT_EQ("pkg.bin", Text(record->page.name));
    EXPECT_EQ("srv1", Text(record->page.serverName));
    EXPECT_EQ("RICH", Text(record->page.contentType));
    EXPECT_EQ("ann", Text(record->page.recipients));
    EXPECT_TRUE(record->page.isUpload);
    EXPECT_TRUE(record->page.hasSrc);
    EXPECT_EQ("Vexo Save File", Text(record->page.caption));
    for (const auto* field : {&record->page.file, &record->page.downloadUrl, &record->page.port, &record->page.size})
        EXPECT_EQ("<null>", Text(*field));
}

TEST_F(HostileAttributes, UploadNeedsExactlyTrueInAnyLetterCase)
{
    for (const char* value : {"true ", " true", "1", "yes", "tru", "truee", ""}) {
        SCOPED_TRACE(value);
        Attributes attributes{{"upload", value}};
        ASSERT_EQ(NPERR_NO_ERROR, New(attributes));
        EXPECT_FALSE(Record()->page.isUpload);
        table.destroy(&npp, nullptr);
    }
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

TEST_F(HostileAttributes, ANegativeOrZeroCountCopiesNothing)
{
    InstallClient();
    for (int16_t count : {int16_t(0), int16_t(-1), int16_t(-32768)}) {
        SCOPED_TRACE(count);
        Attributes attributes{{"name", "pkg.bin"}, {"servername", "srv1"}, {"caption", "Page's"}};
        ASSERT_EQ(NPERR_NO_ERROR, New(attributes, count));
        InstanceData* record = Record();
        EXPECT_EQ("<null>", Text(record->page.name));
        EXPECT_EQ("<null>", Text(record->page.serverName));
        EXPECT_EQ("Vexo Save File", Text(record->page.caption));
        table.destroy(&npp, nullptr);
    }
}

TEST_F(HostileAttributes, NoAttributesAtAllIsABadRequestWhenClicked)
{
    InstallClient();
    ASSERT_EQ(NPERR_NO_ERROR, table.newp(nullptr, &npp, NP_EMBED, 5, nullptr, nullptr, nullptr));
    ShowInWindow();
    Click();

    ASSERT_EQ(2u, ui.messageBoxes.size());
    EXPECT_EQ("Tolvane Message ", ui.messageBoxes[0].caption);
    EXPECT_EQ("Tolvane save request failed", ui.messageBoxes[1].text);
    EXPECT_EQ(kFormatFailure, LastStatus());
    EXPECT_TRUE(Submissions().empty());
}

}  // namespace
