#include "vxhost/PageScripting.h"

#include <cstring>
#include <set>

#include "vxhost/BrowserFunctions.h"
#include "vxhost/HostOutput.h"

namespace {

// The page holds one reference to each of its objects; the rest are the plug-in's.
struct PageObject {
    NPObject object;
    const char* name;
};
PageObject windowObject{{nullptr, 1}, "window"};
PageObject locationObject{{nullptr, 1}, "location"};

std::string pageAddress;
std::set<std::string> identifiers;  // an identifier is its name's lasting copy

NPIdentifier GetStringIdentifier(const NPUTF8* name)
{
    if (!name) return nullptr;
    return const_cast<char*>(identifiers.insert(name).first->c_str());
}

bool IsIdentifier(NPIdentifier identifier, const char* name)
{
    auto known = identifiers.find(name);
    return identifier && known != identifiers.end() && identifier == known->c_str();
}

PageObject* PageObjectOf(NPObject* object)
{
    for (PageObject* page : {&windowObject, &locationObject})
        if (object == &page->object) return page;
    return nullptr;
}

NPObject* RetainObject(NPObject* object)
{
    if (PageObjectOf(object)) ++object->referenceCount;
    return object;
}

void ReleaseObject(NPObject* object)
{
    PageObject* page = PageObjectOf(object);
    if (!page) {
        PrintLine("vxhost", "the plug-in passed NPN_ReleaseObject an object this page never gave (ignored)");
    } else if (object->referenceCount <= 1) {
        PrintLine("vxhost", std::string("the plug-in released the page's ") + page->name +
                                " object more often than it got it (ignored)");
    } else {
        --object->referenceCount;
    }
}

// window.location is the location object; location.href the address, in memory the plug-in gives
// back with NPN_ReleaseVariantValue (not terminated: the length counts).
bool GetProperty(NPP instance, NPObject* object, NPIdentifier name, NPVariant* result)
{
    if (!result) return false;
    *result = NPVariant{};
    if (object == &windowObject.object && IsIdentifier(name, "location")) {
        result->type = NPVariantType_Object;
        result->value.objectValue = RetainObject(&locationObject.object);
        return true;
    }
    if (object == &locationObject.object && IsIdentifier(name, "href")) {
        auto* text = static_cast<char*>(AllocatePluginBlock(static_cast<uint32_t>(pageAddress.size())));
        if (!text) return false;
        std::memcpy(text, pageAddress.data(), pageAddress.size());
        result->type = NPVariantType_String;
        result->value.stringValue = {text, static_cast<uint32_t>(pageAddress.size())};
        PrintAboutInstance(instance, "window.location.href read: \"" + pageAddress + "\"");
        return true;
    }
    return false;
}

void ReleaseVariantValue(NPVariant* variant)
{
    if (!variant) return;
    if (variant->type == NPVariantType_String)
        ReleasePluginBlock(const_cast<NPUTF8*>(variant->value.stringValue.UTF8Characters));
    if (variant->type == NPVariantType_Object) ReleaseObject(variant->value.objectValue);
    *variant = NPVariant{};
}

}  // namespace

void SetPageAddress(const std::string& address) { pageAddress = address; }

NPObject* RetainedWindowObject() { return RetainObject(&windowObject.object); }

long HeldPageObjects()
{
    return static_cast<long>(windowObject.object.referenceCount - 1 + locationObject.object.referenceCount - 1);
}

void FillScriptingFunctions(NPNetscapeFuncs& table)
{
    table.getstringidentifier = GetStringIdentifier;
    table.retainobject = RetainObject;
    table.releaseobject = ReleaseObject;
    table.getproperty = GetProperty;
    table.releasevariantvalue = ReleaseVariantValue;
}
