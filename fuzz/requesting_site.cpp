// Who asks, from any bytes a browser could hand over as the element's origin and the top page's
// (split at the first NUL): never a crash, and every text the dialogs show of it (a file dialog's
// title too, with a long host shortened) is printable ASCII,
// so that no control byte moves the lines of a dialog and no character beyond ASCII passes for
// another. A known site is named, and a top page is named only when it is another than the frame.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "request/RequestingSite.h"

namespace {

bool IsPrintableAscii(const std::string& text)
{
    for (unsigned char c : text)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    const std::string origin = input.substr(0, nul);
    const std::string topOrigin = nul == std::string::npos ? std::string() : input.substr(nul + 1);
    const RequestingSite site = DescribeRequestingSite(origin, topOrigin);
    const std::string phrase = PhraseOf(site);
    if (!IsPrintableAscii(phrase) || !IsPrintableAscii(SubjectOf(site)) || !IsPrintableAscii(TitleAskedBy("T", site)))
        std::abort();
    if (site.Known() == phrase.empty()) std::abort();
    if (!site.top.empty() && (site.top == site.frame || !site.Known())) std::abort();
    return 0;
}
