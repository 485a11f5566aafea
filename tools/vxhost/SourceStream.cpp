#include "vxhost/SourceStream.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "common/ToolFiles.h"
#include "common/ToolText.h"
#include "vxhost/HostOutput.h"
#include "vxhost/HostWindows.h"
#include "vxhost/PageSources.h"
#include "win/Owned.h"

namespace {

constexpr int kIdleRoundsBeforeGivingUp = 500;  // about five seconds of 10 ms waits

const char* StreamTypeName(uint16_t type)
{
    switch (type) {
    case NP_NORMAL: return "NP_NORMAL";
    case NP_SEEK: return "NP_SEEK";
    case NP_ASFILE: return "NP_ASFILE";
    case NP_ASFILEONLY: return "NP_ASFILEONLY";
    default: return "unknown";
    }
}

uint32_t LastWriteSeconds(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &attributes)) return 0;
    ULARGE_INTEGER time{{attributes.ftLastWriteTime.dwLowDateTime, attributes.ftLastWriteTime.dwHighDateTime}};
    return static_cast<uint32_t>((time.QuadPart - 116444736000000000ULL) / 10000000ULL);
}

// "name.ext", or "name-N.ext" with the first N not taken yet, as Gecko names its plugtmp copies.
std::string UnusedName(const std::string& folder, const std::string& base)
{
    std::string candidate = folder + "\\" + base;
    size_t dot = base.find_last_of('.');
    std::string stem = dot == std::string::npos ? base : base.substr(0, dot);
    std::string extension = dot == std::string::npos ? "" : base.substr(dot);
    for (int n = 1; GetFileAttributesA(candidate.c_str()) != INVALID_FILE_ATTRIBUTES && n < 10000; ++n)
        candidate = folder + "\\" + stem + "-" + std::to_string(n) + extension;
    return candidate;
}

void WriteCopy(const std::string& path, const std::string& bytes)
{
    OwnedFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    bool ok = file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    // A copy the system could not finish writing is no copy.
    if (file) ok = CloseHandle(file.release()) && ok;
    if (!ok) throw std::runtime_error("cannot write the local copy " + path + ": " + ErrorText(GetLastError()));
}

}  // namespace

SourceStream::SourceStream(const NPPluginFuncs& funcs, NPP npp, const BrowserProfile& profile, std::string label)
    : funcs(funcs), npp(npp), profile(profile), label(std::move(label))
{
}

SourceStream::~SourceStream()
{
    if (profile.copyLifetime == BrowserProfile::kCopyDeletedAfterDestroy && !copyPath.empty())
        DeleteFileA(copyPath.c_str());
}

std::string SourceStream::MakeCopy(const std::string& sourcePath, const std::string& bytes,
                                   const std::string& folder, int number) const
{
    CreateFolderPath(folder);
    std::string copy;
    if (profile.copyLifetime == BrowserProfile::kCopyDeletedAfterStream) {
        copy = UnusedName(folder, BaseNameOf(sourcePath));
    } else if (profile.copyLifetime == BrowserProfile::kCopyDeletedAfterDestroy) {
        char name[MAX_PATH] = "";
        if (!GetTempFileNameA(folder.c_str(), "npstream", 0, name))
            throw std::runtime_error("cannot make a temporary file in " + folder + ": " + ErrorText(GetLastError()));
        copy = name;
    } else {
        copy = folder + "\\" + std::to_string(number) + "-" + BaseNameOf(sourcePath);
    }
    WriteCopy(copy, bytes);
    return copy;
}

void SourceStream::Deliver(const std::string& path, const std::string& mimeType, const std::string& copyFolder,
                           int number)
{
    std::string bytes;
    if (!ReadWholeFile(path, bytes)) {
        PrintLine("vxhost", label + ": src file not found: " + path + "; no stream");
        return;
    }
    copyPath = MakeCopy(path, bytes, copyFolder, number);
    url = FileUrl(path);
    stream.ndata = this;
    stream.url = url.c_str();
    stream.end = static_cast<uint32_t>(bytes.size());
    stream.lastmodified = LastWriteSeconds(path);
    std::vector<char> mime(mimeType.begin(), mimeType.end());
    mime.push_back(0);
    uint16_t streamType = NP_NORMAL;
    if (!funcs.newstream) return;
    NPError error = funcs.newstream(npp, mime.data(), &stream, 0, &streamType);
    if (error != NPERR_NO_ERROR) {
        PrintLine("vxhost", label + ": NPP_NewStream refused " + url + " with error " + std::to_string(error));
        return;
    }
    open = true;
    PrintLine("vxhost", label + ": stream " + url + ", " + std::to_string(bytes.size()) + " bytes, " +
                            StreamTypeName(streamType));
    NPReason reason = streamType == NP_ASFILEONLY || !funcs.write ? NPReason(NPRES_DONE) : WriteAll(bytes);
    if (leftOpen) {
        PrintLine("vxhost", label + ": the plug-in is not ready for the stream; it stays open");
        return;
    }
    Finish(reason, streamType);
}

NPReason SourceStream::WriteAll(const std::string& bytes)
{
    const int32_t size = static_cast<int32_t>(bytes.size());
    const int32_t chunk = profile.streamChunk;
    int32_t offset = 0;
    int idleRounds = 0;
    while (offset < size) {
        int32_t ready = funcs.writeready ? funcs.writeready(npp, &stream) : chunk;
        // What has arrived and waits: fixed pieces for a browser that writes all of it at once,
        // otherwise as much as the plug-in said it is ready for.
        int32_t waiting = profile.writeBeyondReady ? std::min(size, (offset / chunk + 1) * chunk) - offset
                                                   : std::min(chunk, size - offset);
        int32_t length = profile.writeBeyondReady ? waiting : std::min(ready, waiting);
        int32_t taken = ready <= 0 ? 0 : funcs.write(npp, &stream, offset, length, const_cast<char*>(&bytes[offset]));
        if (taken < 0) return NPRES_USER_BREAK;
        if (taken == 0) {
            // Not ready: a browser comes back later; this one gives up after about five seconds.
            if (++idleRounds > kIdleRoundsBeforeGivingUp) {
                leftOpen = profile.breakOpenStreamsAtTeardown;
                return NPRES_NETWORK_ERR;
            }
            PumpMessagesFor(10);
            continue;
        }
        offset += std::min(taken, length);
    }
    return NPRES_DONE;
}

void SourceStream::Finish(NPReason reason, uint16_t streamType)
{
    if (reason == NPRES_DONE && (streamType == NP_ASFILE || streamType == NP_ASFILEONLY) && funcs.asfile)
        funcs.asfile(npp, &stream, copyPath.c_str());
    if (funcs.destroystream) funcs.destroystream(npp, &stream, reason);
    open = false;
    if (reason != NPRES_DONE)
        PrintLine("vxhost", label + ": stream ended early (reason " + std::to_string(reason) + ")");
    if (profile.copyLifetime == BrowserProfile::kCopyDeletedAfterStream) {
        DeleteFileA(copyPath.c_str());
        PrintLine("vxhost", label + ": the browser deleted its copy " + copyPath);
    }
}

void SourceStream::BreakOff()
{
    if (!open) return;
    if (funcs.destroystream) funcs.destroystream(npp, &stream, NPRES_USER_BREAK);
    open = false;
    PrintLine("vxhost", label + ": open stream ended (NPP_DestroyStream NPRES_USER_BREAK)");
}
