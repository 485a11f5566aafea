// The page's elements that a plug-in handles, and what NPP_New gets for each.
#pragma once

#include <string>
#include <vector>

#include "vxhost/BrowserProfile.h"
#include "vxhost/HtmlPage.h"
#include "vxhost/PluginModule.h"

struct SelectedElement {
    const PageElement* element;
    std::vector<PluginArgument> arguments;  // what NPP_New gets as argn/argv, in order
    std::string mimeType;                   // the type attribute, or the plug-in's first MIME type
    std::string src;                        // src (embed) or data (object); empty when none
    int width;
    int height;
};

// The elements of the page that the plug-in handles, in page order, with their arguments as the
// profile's browser builds them; fallback content of a selected <object> is left out, as browsers do.
std::vector<SelectedElement> SelectPluginElements(const HtmlPage& page, const PluginInfo& plugin,
                                                  const BrowserProfile& profile);
