#include "support/RequestRig.h"

#include <cstring>

#include "request/RequestDispatch.h"
#include "request/RequestFile.h"
#include "support/HeapChecks.h"
#include "support/TestFiles.h"
#include "support/TestRegistry.h"

namespace {

const char kWindowClass[] = "VxTestRigWindow";

void RegisterWindowClass()
{
    static bool registered = false;
    if (registered) return;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kWindowClass;
    registered = RegisterClassA(&windowClass) != 0;
}

}  // namespace

void RequestRig::SetUp()
{
    DeleteProductRegistryTree();
    clientMapping = HoldClientMapping();
    ASSERT_TRUE(clientMapping);
}

void RequestRig::TearDown()
{
    for (HWND made : windows) DestroyWindow(made);
    windows.clear();
    window = nullptr;
    StopClient();
    DeleteProductRegistryTree();
}

HWND RequestRig::MakeWindow()
{
    RegisterWindowClass();
    window = CreateWindowExA(0, kWindowClass, "browser", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320,
                             200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window) windows.push_back(window);
    return window;
}

void RequestRig::InstallClient(const std::string& deliveryDir)
{
    WriteProductValue("LoadRequestDir", requestDir.path());
    WriteProductValue("LoadDeliveryDir", deliveryDir);
}

std::vector<std::string> RequestRig::Submissions() const
{
    return FileNamesIn(requestDir.path(), "*.vnxsubmit");
}

std::string RequestRig::OnlySubmission()
{
    const std::vector<std::string> all = FileNamesIn(requestDir.path(), "*");
    EXPECT_EQ(1u, all.size()) << "files in the request directory";
    if (all.size() != 1) return {};
    EXPECT_EQ(9u + std::strlen(".vnxsubmit"), all[0].size()) << all[0];
    EXPECT_NE(std::string::npos, all[0].find(".vnxsubmit")) << all[0];
    return ReadWholeFile(requestDir / all[0]);
}

void DispatchRig::SetUp()
{
    RequestRig::SetUp();
    ASSERT_NE(nullptr, MakeWindow());
    browser.owner = window;
}

void DispatchRig::TearDown()
{
    RequestRig::TearDown();
    ExpectHeapIntact();
}

RequestOutcome DispatchRig::Dispatch() { return DispatchRequest(record.page, settings, browser); }

void DispatchRig::ClickPage(const std::vector<std::pair<std::string, std::string>>& attributes)
{
    std::vector<const char*> names, values;
    for (const auto& [name, value] : attributes) {
        names.push_back(name.c_str());
        values.push_back(value.c_str());
    }
    record.page = RequestFromAttributes(names.size(), names.data(), values.data());
    Dispatch();
}

void DispatchRig::ClickRequestFile(const std::string& bytes)
{
    const std::string path = RequestFilePath();
    WriteWholeFile(path, bytes);
    const char* names[] = {"src", "type"};
    const char* values[] = {"request.vnxclient", "application/x-vnxclient"};
    record.page = RequestFromAttributes(2, names, values);
    record.page.requestFile = path;
    KeptRequestFile kept;
    if (ReadRequestFileBytes(path, kept.bytes)) record.page.keptRequestFile = std::move(kept);
    Dispatch();
    DeleteFileA(path.c_str());
}

std::string DispatchRig::LastStatus() const
{
    return browser.statusTexts.empty() ? "<none>" : browser.statusTexts.back();
}
