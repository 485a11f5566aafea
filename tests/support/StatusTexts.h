// The dispatch's status texts that many cases compare the last one with.
#pragma once

inline const char* const kFormatFailure = "Tolvane save request failed : Format Exception";
inline const char* const kDone = "Document : Done";
inline const char* const kCancelled = "Tolvane Save request cancelled";
