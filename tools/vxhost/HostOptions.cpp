#include "vxhost/HostOptions.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "common/ToolNames.h"

const char kUsage[] =
    "usage: vxhost [options] PAGE.html\n"
    "  --plugin PATH         load this plug-in instead of the one registered under MozillaPlugins\n"
    "  --url ADDRESS         the page's address as the browser names it to the plug-in (location.href,\n"
    "                        and its origin where the browser answers NPNVdocumentOrigin); the page\n"
    "                        file's file: URL unless given\n"
    "  --browser NAME        call the plug-in as this browser did: classic (the default), gecko or\n"
    "                        chromium (their orders of NPP_New arguments, NPP_SetWindow calls, stream\n"
    "                        writes, local copies and teardown; see the README)\n"
    "  --click N             click the button of plug-in instance N (1-based); repeatable; scripted mode\n"
    "  --clicks N,M,...      several clicks in order\n"
    "  --repeat N            make the clicks N times over (between them only waiting messages run)\n"
    "  --answer TITLE=VALUE  answer the dialog titled TITLE: a path for file dialogs (or Cancel),\n"
    "                        Yes, No, OK or Cancel for message boxes; repeatable, each used once\n"
    "  --answer-delay MS     leave each dialog open this long before answering it\n"
    "  --pause MS            wait this long after the page is shown, before the first click\n"
    "  --timeout SECONDS     end with an error after this long (scripted mode: 60 unless given)\n"
    "  --during TITLE=ACTION while the dialog titled TITLE is open, before it is answered: \"click N\",\n"
    "                        \"destroy N\" (NPP_Destroy of instance N), \"shutdown\" (NPP_Destroy of every\n"
    "                        instance, then NP_Shutdown) or \"unload\" (the same, then FreeLibrary, as a\n"
    "                        browser that lets the page go); repeatable, each used once, in order (\"pass\"\n"
    "                        does nothing, so that the next action waits for a later dialog)\n"
    "  --figures             print the process's handles and memory before the clicks, after each of the\n"
    "                        first ten clicks, every 100th and the last, after each --during action and\n"
    "                        after the shut-down\n"
    "  --flat N              exit with 5 unless the figures read after click N, every 100th click and the\n"
    "                        last stay within a tolerance of those at click N, either way: handles 5,\n"
    "                        private bytes 256 KiB, working set 512 KiB, heap in use 16 KiB, the\n"
    "                        plug-in's live allocations 0\n"
    "  --reload N            after the clicks, load the page N times again and make the clicks again each\n"
    "                        time (gecko keeps the plug-in loaded; the others shut it down and start it)\n"
    "  --shutdown            after the clicks (if any), NPP_Destroy every instance and call NP_Shutdown\n"
    "  --unload-delay MS     how long the library stays loaded after the last instance before\n"
    "                        NP_Shutdown (gecko: 30000; the others: 0)\n"
    "  --dde-name NAME       DDE service name for WWW_OpenURL (default VXHOST)\n"
    "  --cache DIR           folder for the local copies of streamed files\n"
    "  --list                print the plug-in and the page's plug-in elements, load nothing\n"
    "Without --click or --shutdown the page stays open until its window is closed.\n";

namespace {

unsigned ParseNumber(const std::string& text, const std::string& option)
{
    char* end = nullptr;
    unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end != 0 || value > 10000000) throw UsageError(option + " needs a number, not \"" + text + "\"");
    return static_cast<unsigned>(value);
}

unsigned ParsePositive(const std::string& text, const std::string& option, const char* what)
{
    unsigned value = ParseNumber(text, option);
    if (value == 0) throw UsageError(option + " needs " + what);
    return value;
}

DialogAnswer ParseAnswer(const std::string& text)
{
    try {
        return ParseDialogAnswer(text);
    } catch (const std::invalid_argument& e) {
        throw UsageError(e.what());
    }
}

void AddClicks(std::vector<int>& clicks, const std::string& list, const std::string& option)
{
    std::stringstream numbers(list);
    std::string number;
    while (std::getline(numbers, number, ',')) clicks.push_back(static_cast<int>(ParseNumber(number, option)));
}

// Options without a value; false when `argument` is none of them.
bool ApplyFlag(Options& options, const std::string& argument)
{
    if (argument == "--figures") options.figures = true;
    else if (argument == "--shutdown") options.shutdown = true;
    else if (argument == "--list") options.list = true;
    else if (argument == "--help" || argument == "-h") {
        fputs(kUsage, stdout);
        exit(kSuccess);
    } else {
        return false;
    }
    return true;
}

// Options of the browser and the page; false when `argument` is none of them.
bool ApplyBrowserOption(Options& options, const std::string& argument, const std::string& value)
{
    if (argument == "--plugin") options.plugin = value;
    else if (argument == "--url") options.url = value;
    else if (argument == "--dde-name") options.ddeName = value;
    else if (argument == "--cache") options.cache = value;
    else if (argument == "--reload") options.reloads = ParseNumber(value, argument);
    else if (argument == "--unload-delay") options.unloadDelayMs = static_cast<int>(ParseNumber(value, argument));
    else if (argument == "--browser") {
        try {
            options.browser = ParseBrowserProfile(value);
        } catch (const std::invalid_argument& e) {
            throw UsageError(e.what());
        }
    } else {
        return false;
    }
    return true;
}

// Options of the script; false when `argument` is none of them.
bool ApplyScriptOption(Options& options, const std::string& argument, const std::string& value)
{
    if (argument == "--click") options.clicks.push_back(static_cast<int>(ParseNumber(value, argument)));
    else if (argument == "--clicks") AddClicks(options.clicks, value, argument);
    else if (argument == "--answer") options.answers.push_back(ParseAnswer(value));
    else if (argument == "--during") {
        options.actions.push_back(ParseAnswer(value));
        ParseAction(options.actions.back().value);
    } else if (argument == "--repeat") options.repeat = ParsePositive(value, argument, "at least 1");
    else if (argument == "--flat") options.flatFrom = ParsePositive(value, argument, "a click number of at least 1");
    else if (argument == "--answer-delay") options.answerDelayMs = ParseNumber(value, argument);
    else if (argument == "--pause") options.pauseMs = ParseNumber(value, argument);
    else if (argument == "--timeout") options.timeoutSeconds = static_cast<int>(ParseNumber(value, argument));
    else return false;
    return true;
}

bool TakesValue(const std::string& argument)
{
    static const char* const names[] = {"--plugin", "--url", "--dde-name", "--cache", "--reload", "--unload-delay",
                                        "--browser", "--click", "--clicks", "--answer", "--during", "--repeat",
                                        "--flat", "--answer-delay", "--pause", "--timeout"};
    for (const char* name : names)
        if (argument == name) return true;
    return false;
}

}  // namespace

Options ParseOptions(int argc, char** argv)
{
    Options options;
    options.ddeName = kHostDdeService;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (ApplyFlag(options, argument)) continue;
        if (TakesValue(argument)) {
            if (i + 1 >= argc) throw UsageError(argument + " needs a value");
            std::string value = argv[++i];
            if (!ApplyBrowserOption(options, argument, value)) ApplyScriptOption(options, argument, value);
        } else if (argument.compare(0, 2, "--") == 0) {
            throw UsageError("unknown option " + argument);
        } else if (options.page.empty()) {
            options.page = argument;
        } else {
            throw UsageError("only one page, not also " + argument);
        }
    }
    if (options.page.empty()) throw UsageError("no page given");
    return options;
}

DialogAction ParseAction(const std::string& text)
{
    if (text == "pass") return {DialogAction::kPass, 0};
    if (text == "shutdown") return {DialogAction::kShutdown, 0};
    if (text == "unload") return {DialogAction::kUnload, 0};
    for (const auto& verb : {std::make_pair("click ", DialogAction::kClick), std::make_pair("destroy ", DialogAction::kDestroy)}) {
        std::string prefix = verb.first;
        if (text.compare(0, prefix.size(), prefix) == 0)
            return {verb.second, static_cast<int>(ParseNumber(text.substr(prefix.size()), "--during"))};
    }
    throw UsageError("--during does \"click N\", \"destroy N\", \"shutdown\", \"unload\" or \"pass\", not \"" + text +
                     "\"");
}
