// The sources and entry numbers that the support guide (docs/support.md) explains to the people
// who read a user's trace log. They are texts of the product: they keep their values when the code
// that writes them moves.
#pragma once

// Sources.
constexpr char kRequestTraceSource[] = "ClientApp/VexoRequest";
constexpr char kDispatchTraceSource[] = "ClientApp/RequestDispatch";
constexpr char kClientLinkTraceSource[] = "clientlink/ClientSignal";
constexpr char kPluginTraceSource[] = "plugin/PluginEntry";
constexpr char kSitePolicyTraceSource[] = "ClientApp/SitePolicy";

// Entries of kRequestTraceSource, each the warning box of one kind of bad request.
enum RequestTraceEntry : long {
    kRequestFileUnreadable = 109,       // the request file the browser delivered could not be read
    kRequestFileWithoutRequest = 130,   // no "vnxclient:" in it
    kRequestFileBadRequest = 182,       // its request is malformed or incomplete
    kDownloadAttributesBad = 411,       // a download page's attributes
    kUploadAttributesBad = 522,         // an upload page's attributes
};

// Entries of kSitePolicyTraceSource, one per click that the administrator's site policy decided.
enum SitePolicyTraceEntry : long {
    kSiteAllowedByPolicy = 1,  // a policy is set and lets the site ask
    kSiteRefused = 2,          // the click was refused: by the policy, or as a frame of another site
};
