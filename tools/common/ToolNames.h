// Names that the host, the reference client and their tests agree on.
#pragma once

// Where browsers of the NPAPI era looked for plug-ins installed outside their own folder.
constexpr char kMozillaPluginsKey[] = "Software\\MozillaPlugins";

// The delivery client's settings key, its instance name and the signal's sub-key.
constexpr char kClientSettingsKey[] = "Software\\TOLVANE\\Tolvane Delivery\\970128";
constexpr char kClientInstanceName[] = "970128";
constexpr char kSignalSubKey[] = "LoadRequestSignal";

// The host's DDE service name, which a machine registers under
// HKEY_CLASSES_ROOT\http\shell\open\ddeexec\Application.
constexpr char kHostDdeService[] = "VXHOST";
