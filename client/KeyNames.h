// The names the plug-in shares with the delivery client, spelled as the client reads them (letter
// case included): the keys of a request, in request files and submission files alike, and the
// values of the settings key (client/SettingsStore.h).
#pragma once

// ---- A request ----

// The package's name: what a download is called on the server, or the name an upload goes under.
inline constexpr char kPackageNameKey[] = "NAME";
// The delivery server: its host name or address, its port and its HTTP port.
inline constexpr char kServerNameKey[] = "SERVERNAME";
inline constexpr char kServerPortKey[] = "SERVERPORT";
inline constexpr char kHttpServerPortKey[] = "HTTPSERVERPORT";
// How a download is delivered: PLAIN where the user chooses in the Save-As dialog, RICH where the
// client chooses.
inline constexpr char kContentTypeKey[] = "TYPE";
inline constexpr char kPlainType[] = "PLAIN";
inline constexpr char kRichType[] = "RICH";
// The package's size as the page gave it.
inline constexpr char kPackageSizeKey[] = "SIZE";

// An upload: the local file to send, who receives it (":" between recipients), its checksum and
// the flag that makes the request an upload.
inline constexpr char kLocalFileKey[] = "FILE";
inline constexpr char kRecipientsKey[] = "RECIPIENTS";
inline constexpr char kChecksumKey[] = "CHECKSUM";
inline constexpr char kUploadFlagKey[] = "UPLOAD";

// A download's destination: the file name proposed in the Save-As dialog (the path chosen in it,
// once chosen), the folder it starts in (the chosen path's folder), and the path the client saves
// the package to.
inline constexpr char kDestinationFileKey[] = "DestBaseName";
inline constexpr char kDestinationFolderKey[] = "DestInitialDir";
inline constexpr char kTargetPathKey[] = "TargetPath";
// YES in a request the plug-in built itself: its TargetPath goes without the Save-As dialog.
inline constexpr char kDebugApprovalKey[] = "DEBUG_APPROVED";
inline constexpr char kDebugApproved[] = "YES";

// ---- The settings ----

// The client's command line, run when no client is running.
inline constexpr char kClientCommandSetting[] = "ApplicationPath";
// The folder the submission files go to.
inline constexpr char kRequestFolderSetting[] = "LoadRequestDir";
// The folder the last Save-As dialog was answered in, where the next one starts.
inline constexpr char kDeliveryFolderSetting[] = "LoadDeliveryDir";
