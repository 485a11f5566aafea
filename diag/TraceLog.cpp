// The trace log. The file is opened in binary mode and every line end is written as CR LF here: a
// text-mode stream would turn a written "\r\n" into CR CR LF. The header and the entries are built in
// strings that grow with their input, so a long source name or message is written whole.
#include "diag/TraceLog.h"

#include "win/SystemCalls.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#endif

namespace {

// Serialises open, write and close.
class TraceLogLock {
public:
#ifdef _WIN32
    TraceLogLock() { InitializeCriticalSection(&section); }
    void Enter() { EnterCriticalSection(&section); }
    void Leave() { LeaveCriticalSection(&section); }

private:
    CRITICAL_SECTION section;
#else
    void Enter() { mutex.lock(); }
    void Leave() { mutex.unlock(); }

private:
    std::mutex mutex;
#endif
};

class TraceLogGuard {
public:
    explicit TraceLogGuard(TraceLogLock& lock) : held(lock) { held.Enter(); }
    ~TraceLogGuard() { held.Leave(); }
    TraceLogGuard(const TraceLogGuard&) = delete;
    TraceLogGuard& operator=(const TraceLogGuard&) = delete;

private:
    TraceLogLock& held;
};

// Made on first use, whatever the order of static construction; its destructor does nothing, so
// the lock is never deleted.
TraceLogLock& traceLogLock()
{
    static TraceLogLock lock;
    return lock;
}

// Read once without the lock as a quick test, so atomic.
std::atomic<std::FILE*> traceLogStream{nullptr};
char traceLogPath[2048];
int traceLogReopen = 0;

bool WriteAll(std::FILE* stream, const std::string& text)
{
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
}

// Each LF that is not already preceded by CR becomes CR LF.
void AppendWithLineEnds(std::string& out, const char* text)
{
    const char* runStart = text;
    for (const char* position = text; *position; ++position) {
        if (*position != '\n' || (position != text && position[-1] == '\r')) continue;
        out.append(runStart, static_cast<std::size_t>(position - runStart));
        out += "\r\n";
        runStart = position + 1;
    }
    out += runStart;
}

}  // namespace


int TraceLogFileOpen(const char* path, int unbuffered, int reopen)
{
    if (!path) return 0;
    TraceLogGuard guard(traceLogLock());
    const bool isReopen = path == traceLogPath;
    if (traceLogStream) return std::strcmp(path, traceLogPath) == 0 ? 1 : 0;
    if (!isReopen && std::strlen(path) >= sizeof traceLogPath) return 0;

    std::FILE* stream = std::fopen(path, "ab");
    if (!stream) return 0;
    traceLogStream = stream;
    traceLogReopen = reopen;
    if (unbuffered) std::setbuf(stream, nullptr);
    if (isReopen) return 1;

    std::strcpy(traceLogPath, path);
    try {
        const LocalStamp stamp = systemCalls.LocalNow();
        std::string header = "TraceLogFileOpen at ";
        header += stamp.date;
        header += ' ';
        header += stamp.time;
        header += ": ";
        header += traceLogPath;
        header += " ...";
        return WriteAll(stream, header) ? 1 : 0;
    } catch (...) {
        return 0;  // out of memory: like a failed write, the stream stays open
    }
}

int TraceLogFileWrite(const char* sourceFile, long line, const char* message)
{
    if (!traceLogStream) return 1;
    int reopen;
    try {
        TraceLogGuard guard(traceLogLock());
        std::FILE* stream = traceLogStream;
        if (!stream) return 1;

        const LocalStamp stamp = systemCalls.LocalNow();
        char lineText[32];
        std::snprintf(lineText, sizeof lineText, "%ld", line);
        std::string first = "LOGGED at ";
        first += stamp.date;
        first += ' ';
        first += stamp.time;
        first += ": ";
        first += sourceFile ? sourceFile : "";
        first += ", line ";
        first += lineText;
        first += "\r\n... ";

        std::string second;
        AppendWithLineEnds(second, message ? message : "");
        second += "\r\n";

        if (!WriteAll(stream, first) || !WriteAll(stream, second)) return 0;
        reopen = traceLogReopen;
    } catch (...) {
        return 0;  // no memory for the entry: it counts as a failed write
    }
    if (reopen) {
        if (TraceLogFileClose() != 1) return 0;
        if (TraceLogFileOpen(traceLogPath, 0, reopen) != 1) return 0;
    }
    return 1;
}

int TraceLogFileClose()
{
    TraceLogGuard guard(traceLogLock());
    std::FILE* stream = traceLogStream;
    if (!stream) return 1;
    traceLogStream = nullptr;
    return std::fclose(stream) == 0 ? 1 : 0;
}
