// The exceptions that travel inside a request. Only the request dispatch turns them into words.
#pragma once

#include <string>

// Malformed data: request data, registry settings. Carries nothing.
class CMyException {
public:
    virtual ~CMyException() = default;
};

class FormatException : public CMyException {};

// Base of the file-layer exceptions, kept apart from FormatException on purpose:
// the dispatch reports the two differently.
class CException {
public:
    virtual ~CException() = default;
};

class CFileException : public CException {
public:
    enum Cause {
        none = 0,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };

    CFileException(int cause, unsigned long osError, std::string fileName)
        : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName)) {}

    // Maps a Win32 error code to the nearest cause.
    static int OsErrorToCause(unsigned long osError);

    int m_cause;
    unsigned long m_lOsError;
    std::string m_strFileName;
};
