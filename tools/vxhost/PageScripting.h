// The page as the plug-in's scripting calls see it (API 0.14): a window object whose location
// holds the page's address, string identifiers, property reads and the giving back of what they
// handed out. Only as much of it as a plug-in needs to learn where the page comes from.
#pragma once

#include <string>

#include "plugin/npapi.h"

// The address location.href answers from now on.
void SetPageAddress(const std::string& address);

// NPNVWindowNPObject: the window object, retained for the plug-in, which releases it.
NPObject* RetainedWindowObject();

// References to the page's objects the plug-in holds: handed out and not given back.
long HeldPageObjects();

void FillScriptingFunctions(NPNetscapeFuncs& table);
