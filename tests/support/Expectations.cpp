#include "support/Expectations.h"

#include <cstdio>
#include <utility>

namespace {

// Collects the differences of one call; a success until the first one.
class Differences {
public:
    void Text(const char* what, const std::string& expected, const std::string& actual)
    {
        if (expected == actual) return;
        Fail() << "\n  " << what << ": expected " << Shown(expected) << ", shown " << Shown(actual);
        if (expected.size() > kWhole || actual.size() > kWhole) {
            std::size_t at = 0;
            while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
            Fail() << " (" << expected.size() << " and " << actual.size() << " bytes, first difference at " << at << ")";
        }
    }
    void Number(const char* what, unsigned long expected, unsigned long actual)
    {
        if (expected == actual) return;
        char line[96];
        std::snprintf(line, sizeof line, ": expected 0x%lx, shown 0x%lx", expected, actual);
        Fail() << "\n  " << what << line;
    }
    void Window(const char* what, HWND expected, HWND actual)
    {
        if (expected == actual) return;
        Fail() << "\n  " << what << ": expected " << static_cast<const void*>(expected) << ", shown "
               << static_cast<const void*>(actual);
    }
    ::testing::AssertionResult& Fail()
    {
        if (result) result = ::testing::AssertionFailure();
        return result;
    }
    ::testing::AssertionResult result = ::testing::AssertionSuccess();

private:
    // Texts longer than this are shown by their ends only.
    static constexpr std::size_t kWhole = 300;
    static std::string Shown(const std::string& text)
    {
        std::string shown;
        const std::string part = text.size() > kWhole ? text.substr(0, 120) + "..." + text.substr(text.size() - 120) : text;
        for (char c : part) {
            if (c == '\0') shown += "\\0";
            else if (c == '\n') shown += "\\n";
            else if (c == '\r') shown += "\\r";
            else if (c == '\t') shown += "\\t";
            else shown += c;
        }
        return "[" + shown + "]";
    }
};

}  // namespace

const char* const kBadRequestAttributesText =
    "The request appears to have bad request information. \n"
    "Missing NAME or SERVERNAME or has bad CONTENTTYPE information";

::testing::AssertionResult ConfirmsFile(const ConfirmationCall& call, const std::string& path,
                                        const std::string& recipients, const std::string& server,
                                        const std::string& port, const std::string& httpPort)
{
    const std::vector<std::pair<std::string, std::string>> fields = {
        {"File:", path}, {"To:", recipients}, {"Server:", server}, {"Port:", port}, {"HTTP port:", httpPort}};
    Differences differences;
    differences.Text("caption", "Tolvane Message ", call.caption);
    differences.Text("opening", "This page asks to send your file", call.opening);
    differences.Text("question", "Do you want to send it?", call.question);
    if (call.fields.size() != fields.size()) {
        differences.Fail() << "\n  " << call.fields.size() << " fields shown, expected " << fields.size();
        return differences.result;
    }
    for (std::size_t index = 0; index < fields.size(); ++index) {
        differences.Text("label", fields[index].first, call.fields[index].first);
        differences.Text(fields[index].first.c_str(), fields[index].second, call.fields[index].second);
    }
    return differences.result;
}

::testing::AssertionResult ShowsBox(const MessageBoxCall& shown, const ExpectedBox& expected)
{
    Differences differences;
    differences.Text("caption", expected.caption, shown.caption);
    differences.Text("text", expected.text, shown.text);
    differences.Number("style", expected.style, shown.style);
    differences.Window("owner", expected.owner, shown.owner);
    return differences.result;
}

::testing::AssertionResult ShowsBoxes(const std::vector<MessageBoxCall>& shown,
                                      const std::vector<ExpectedBox>& expected)
{
    Differences differences;
    if (shown.size() != expected.size()) {
        differences.Fail() << "\n  " << shown.size() << " boxes shown, expected " << expected.size();
        for (const MessageBoxCall& box : shown) differences.Fail() << "\n    [" << box.caption << "] " << box.text.substr(0, 120);
        return differences.result;
    }
    for (std::size_t index = 0; index < shown.size(); ++index) {
        const ::testing::AssertionResult one = ShowsBox(shown[index], expected[index]);
        if (!one) {
            std::string lines = one.message();
            for (std::size_t at = lines.find('\n'); at != std::string::npos; at = lines.find('\n', at + 1))
                lines.insert(at + 1, "  ");
            differences.Fail() << "\n  box " << index << ":" << lines;
        }
    }
    return differences.result;
}

ExpectedBox FailureBox() { return {"Error", "Tolvane save request failed", MB_OK}; }

ExpectedBox ConfigurationOfferBox()
{
    return {"Configuration Error",
            "The Tolvane client is not installed or configured properly \n Do You want to Get the Client Software ?",
            MB_YESNO | MB_DEFBUTTON2};
}

ExpectedBox RequestWarningBox(const std::string& text)
{
    return {"Tolvane Message ", text, MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND | MB_TOPMOST};
}

ExpectedBox StartupBox(const std::string& text) { return {"Startup", text, MB_OK}; }

::testing::AssertionResult AsksForFile(const FileDialogCall& shown, const ExpectedFileDialog& expected)
{
    Differences differences;
    if (shown.save != expected.save)
        differences.Fail() << "\n  dialog: expected " << (expected.save ? "Save-As" : "Open") << ", shown "
                           << (shown.save ? "Save-As" : "Open");
    differences.Text("title", expected.title, shown.title);
    differences.Number("flags", expected.flags, shown.request.Flags);
    differences.Text("filter", expected.filter, shown.filter);
    differences.Text("initial file", expected.initialFile, shown.initialFile);
    differences.Text("initial folder", expected.initialDir, shown.initialDir);
    differences.Window("owner", expected.owner, shown.request.hwndOwner);
    return differences.result;
}

namespace {

const std::string kAllFiles("All Files \0 *.*\0\0", 17);

}  // namespace

ExpectedFileDialog SaveAsDialog(HWND owner, const std::string& initialFile, const std::string& initialDir)
{
    return {true,  "Tolvane : deliver package to ...", 0x28080E, kAllFiles, initialFile, initialDir, owner};
}

ExpectedFileDialog OpenDialog(HWND owner)
{
    return {false,
            "Select : package to deliver ...",
            OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES,
            kAllFiles,
            "",
            "<null>",
            owner};
}
