// An element's src handed to its plug-in instance as a browser streams it: NPP_NewStream,
// NPP_WriteReady/NPP_Write, NPP_StreamAsFile with a local copy, NPP_DestroyStream, in the sizes and
// with the copy's lifetime of the browser the profile plays.
#pragma once

#include <string>

#include "plugin/npapi.h"
#include "vxhost/BrowserProfile.h"

class SourceStream {
public:
    // `label` starts the host's report lines ("instance 2").
    SourceStream(const NPPluginFuncs& funcs, NPP npp, const BrowserProfile& profile, std::string label);
    // A copy the browser kept until its instance went is deleted now.
    ~SourceStream();
    SourceStream(const SourceStream&) = delete;
    SourceStream& operator=(const SourceStream&) = delete;

    // Streams the file at `path` (read before the stream starts; a missing file is reported and
    // nothing is streamed). The local copy goes into `copyFolder`, named after `number`.
    void Deliver(const std::string& path, const std::string& mimeType, const std::string& copyFolder, int number);

    // A stream the plug-in never became ready for stays open under Chromium until the teardown.
    bool IsOpen() const { return open; }
    // NPP_DestroyStream(NPRES_USER_BREAK) of a stream still open.
    void BreakOff();

private:
    std::string MakeCopy(const std::string& sourcePath, const std::string& bytes, const std::string& folder,
                         int number) const;
    // NPP_WriteReady/NPP_Write until every byte is taken; the stream's end reason.
    NPReason WriteAll(const std::string& bytes);
    void Finish(NPReason reason, uint16_t streamType);

    const NPPluginFuncs& funcs;
    NPP npp;
    const BrowserProfile& profile;
    std::string label;
    std::string url;
    std::string copyPath;
    NPStream stream{};
    bool open = false;
    bool leftOpen = false;  // WriteAll gave up waiting, and this browser keeps such a stream open
};
