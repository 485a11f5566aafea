// Paths a page names: where a name is split in a double-byte code page, and which paths are a
// plain file on a local fixed drive.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "request/PagePaths.h"
#include "support/TestFiles.h"
#include "win/SystemCalls.h"

namespace {

// In a double-byte code page the second byte of a character may be 0x5C, the backslash: names
// and paths are split at characters. (0x83 0x5C is one character in code page 932.)
TEST(SplitAtCharacters, ASecondByteThatIsABackslashSplitsNothing)
{
    const struct {
        std::string text;
        UINT codePage;
        std::size_t last;
        std::size_t first;
    } cases[] = {
        {"C:\\pkgs\\\x83\x5C.dat", 932, 7, 1},
        {"C:\\pkgs\\\x83\x5C.dat", 1252, 9, 1},
        {"\x83\x5C", 932, std::string::npos, std::string::npos},
        {"\x83\x5C", 1252, 1, 1},
        {"\x83\x5C\\x", 932, 2, 2},
        {"a/b\x83\x5C\x83\x5C", 932, 1, 1},
        {"ab\\\x83", 932, 2, 2},  // a lead byte with nothing after it is a character of its own
        {"\x81\x5C:\x81\x5C", 936, 2, 2},
        {"plain\\name", 932, 5, 5},
        {"", 932, std::string::npos, std::string::npos},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + " in " + std::to_string(c.codePage));
        EXPECT_EQ(c.last, FindLastSeparator(c.text, ":\\/", c.codePage));
        EXPECT_EQ(c.first, FindFirstSeparator(c.text, ":\\/", c.codePage));
    }
}

// A real file in a fresh folder, for the checks that look at the disk.
class PagePaths : public ::testing::Test {
protected:
    void SetUp() override { WriteWholeFile(package, "package bytes"); }

    TempFolder folder;
    std::string package = folder / "report.txt";
};

// The paths a page may name: refused by their text before any file-system call, or resolved to an
// absolute path on a local drive.
TEST_F(PagePaths, OnlyAPlainFileOnALocalDriveIsAPathThePageMayName)
{
    char current[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, current);
    const struct {
        std::string path;
        bool local;
    } cases[] = {
        {package, true},
        {"C:\\Users\\me\\secret.txt", true},
        {"C:/Users/me/secret.txt", true},
        {"report.txt", true},  // relative: resolved against the current directory
        {"\\\\evil.example\\s\\x", false},
        {"//evil.example/s/x", false},
        {"\\/evil.example/s/x", false},
        {"\\\\.\\pipe\\vxtest", false},
        {"\\\\.\\C:\\x.txt", false},
        {"\\\\?\\C:\\x.txt", false},
        {"\\\\?\\UNC\\evil.example\\s\\x", false},
        {"\\??\\C:\\x.txt", false},
        {"C:\\dir\\CON", false},
        {"C:\\dir\\nul.txt", false},
        {"C:\\dir\\com1", false},
        {"C:\\dir\\LPT9 .log", false},
        {"C:\\dir\\CONOUT$", false},
        {"C:\\CON\\x.txt", false},
        {"C:\\dir\\console.txt", true},
        {"C:\\dir\\COM0", false},
        {"C:\\dir\\lpt0.txt", false},
        {"C:\\dir\\COM\xB9", false},  // superscript one in code page 1252
        {"C:\\dir\\LPT\xB2.txt", false},
        {"C:\\dir\\com\xB3 .log", false},
        {"C:\\dir\\COM10", true},
        {"C:\\dir\\COMA", true},
        {"C:\\dir\\file.txt:stream", false},
        {"C:\\" + std::string(MAX_PATH, 'l'), false},
        {"Q:\\no drive.txt", false},
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string fullPath = "untouched";
        EXPECT_EQ(c.local, IsLocalPath(c.path, fullPath));
        if (!c.local) {
            EXPECT_EQ("", fullPath);
            continue;
        }
        const std::string expected = c.path == "report.txt" ? std::string(current) + "\\report.txt"
                                     : c.path[2] == '/'     ? "C:\\Users\\me\\secret.txt"
                                                            : c.path;
        EXPECT_EQ(expected, fullPath);
    }

    std::string fullPath;
    EXPECT_TRUE(IsLocalRegularFile(package, fullPath));
    EXPECT_FALSE(IsLocalRegularFile(folder.path(), fullPath)) << "a folder";
    EXPECT_FALSE(IsLocalRegularFile(folder / "missing.txt", fullPath));
}

// A removable or optical medium, a RAM disk or a network drive is never a place a page may name.
UINT WINAPI DriveOfKind(LPCSTR root)
{
    switch (root[0]) {
    case 'C': return DRIVE_FIXED;
    case 'D': return DRIVE_REMOVABLE;
    case 'E': return DRIVE_CDROM;
    case 'F': return DRIVE_RAMDISK;
    case 'G': return DRIVE_REMOTE;
    default: return DRIVE_NO_ROOT_DIR;
    }
}

TEST_F(PagePaths, OnlyAFixedDriveHoldsAPathThePageMayName)
{
    systemCalls.GetDriveTypeA = DriveOfKind;
    std::string fullPath;
    EXPECT_TRUE(IsLocalPath("C:\\x.txt", fullPath));
    for (const char* path : {"D:\\x.txt", "E:\\x.txt", "F:\\x.txt", "G:\\x.txt", "H:\\x.txt"})
        EXPECT_FALSE(IsLocalPath(path, fullPath)) << path;
    systemCalls.GetDriveTypeA = realSystemCalls.GetDriveTypeA;
}

}  // namespace
