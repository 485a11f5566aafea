#include "support/ScriptedPlatform.h"

#include <stdexcept>

#include "win/ConfirmationDialog.h"
#include "win/SystemCalls.h"

namespace {

ScriptedPlatform* current = nullptr;

int WINAPI RecordMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style)
{
    current->messageBoxes.push_back({owner, text ? text : "<null>", caption ? caption : "<null>", style});
    if (current->whileShown) current->whileShown();
    if (current->messageBoxAnswers.empty()) return IDOK;
    int answer = current->messageBoxAnswers.front();
    current->messageBoxAnswers.pop_front();
    return answer;
}

bool RecordConfirmation(const Confirmation& question, HWND owner)
{
    ConfirmationCall call{owner, question.caption, question.opening, {}, question.question};
    for (const ConfirmationField& field : question.fields) call.fields.emplace_back(field.label, field.value);
    current->confirmations.push_back(call);
    if (current->whileShown) current->whileShown();
    if (current->confirmationAnswers.empty()) return false;
    const bool answer = current->confirmationAnswers.front();
    current->confirmationAnswers.pop_front();
    return answer;
}

std::string FilterBytes(const char* filter)
{
    if (!filter) return "<null>";
    const char* end = filter;
    while (end[0] != '\0' || end[1] != '\0') ++end;
    return std::string(filter, end + 2);
}

BOOL RecordFileDialog(bool save, LPOPENFILENAMEA request)
{
    FileDialogCall call{};
    call.save = save;
    call.request = *request;
    call.filter = FilterBytes(request->lpstrFilter);
    call.initialFile = request->lpstrFile ? std::string(request->lpstrFile) : "<null>";
    call.initialDir = request->lpstrInitialDir ? request->lpstrInitialDir : "<null>";
    call.title = request->lpstrTitle ? request->lpstrTitle : "<null>";
    current->fileDialogs.push_back(call);
    if (current->whileShown) current->whileShown();
    if (current->fileDialogAnswers.empty()) return FALSE;
    std::optional<std::string> answer = current->fileDialogAnswers.front();
    current->fileDialogAnswers.pop_front();
    if (!answer) return FALSE;
    if (answer->size() + 1 > request->nMaxFile) return FALSE;  // as the real dialog: does not fit
    memcpy(request->lpstrFile, answer->c_str(), answer->size() + 1);
    return TRUE;
}

BOOL WINAPI RecordSave(LPOPENFILENAMEA request) { return RecordFileDialog(true, request); }
BOOL WINAPI RecordOpen(LPOPENFILENAMEA request) { return RecordFileDialog(false, request); }

DWORD WINAPI RecordExtendedError()
{
    ++current->extendedErrorCalls;
    return 0;
}

BOOL WINAPI RecordCreateProcess(LPCSTR applicationName, LPSTR commandLine,
                                LPSECURITY_ATTRIBUTES processAttributes,
                                LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles,
                                DWORD creationFlags, LPVOID environment, LPCSTR currentDirectory,
                                LPSTARTUPINFOA startupInfo, LPPROCESS_INFORMATION processInfo)
{
    ProcessCall call{};
    call.applicationNameNull = applicationName == nullptr;
    call.commandLine = commandLine ? commandLine : "<null>";
    call.inheritHandles = inheritHandles;
    call.creationFlags = creationFlags;
    call.environmentNull = environment == nullptr;
    call.currentDirectoryNull = currentDirectory == nullptr;
    if (startupInfo) call.startupInfo = *startupInfo;
    current->processes.push_back(call);
    if (!current->realProcessCreation) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    return ::CreateProcessA(applicationName, commandLine, processAttributes, threadAttributes,
                            inheritHandles, creationFlags, environment, currentDirectory,
                            startupInfo, processInfo);
}

}  // namespace

ScriptedPlatform::ScriptedPlatform()
{
    if (current) throw std::logic_error("one ScriptedPlatform at a time");
    current = this;
    systemCalls.MessageBoxA = RecordMessageBox;
    systemCalls.AskConfirmation = RecordConfirmation;
    systemCalls.GetSaveFileNameA = RecordSave;
    systemCalls.GetOpenFileNameA = RecordOpen;
    systemCalls.CommDlgExtendedError = RecordExtendedError;
    systemCalls.CreateProcessA = RecordCreateProcess;
}

ScriptedPlatform::~ScriptedPlatform()
{
    systemCalls.MessageBoxA = realSystemCalls.MessageBoxA;
    systemCalls.AskConfirmation = realSystemCalls.AskConfirmation;
    systemCalls.GetSaveFileNameA = realSystemCalls.GetSaveFileNameA;
    systemCalls.GetOpenFileNameA = realSystemCalls.GetOpenFileNameA;
    systemCalls.CommDlgExtendedError = realSystemCalls.CommDlgExtendedError;
    systemCalls.CreateProcessA = realSystemCalls.CreateProcessA;
    current = nullptr;
}
