// The program directory (host override or the library file's own folder) and the per-user
// data directory, with real module files and real folders in the test's Wine prefix.
#include <gtest/gtest.h>

#include <shlwapi.h>

#include <string>

#include "frame/Directories.h"
#include "frame/Exceptions.h"
#include "frame/Module.h"
#include "support/TestSupport.h"
#include "win32/Handle.h"

namespace {

bool SamePath(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

class ProgramDirectory : public ::testing::Test {
protected:
    void TearDown() override {
        frame::SetProgramDirectoryOverride(nullptr);
        frame::SetLibraryModule(nullptr);
    }
};

// The folder without a trailing backslash; a library at the root of a drive gives the drive.
TEST_F(ProgramDirectory, IsTheFolderOfTheLibraryFile) {
    testing_support::TempDirectory folder;
    const std::string root = "C:\\pelmora-root-" + std::to_string(GetCurrentProcessId()) + ".dll";
    const std::string original = testing_support::ExecutableDirectory() + "\\Pelmora.dll";
    for (const auto& copy : {std::make_pair(folder.File("Pelmora.dll"), folder.path()),
                             std::make_pair(root, std::string("C:"))}) {
        // A copy of the library's file loaded from there, standing in for the DLL installed there.
        ASSERT_TRUE(CopyFileA(original.c_str(), copy.first.c_str(), FALSE)) << copy.first;
        {
            win32::LoadedModule library(LoadLibraryA(copy.first.c_str()));
            EXPECT_TRUE(library.valid());
            frame::SetLibraryModule(library.get());
            EXPECT_TRUE(SamePath(copy.second, frame::GetProgramDirectory()))
                << frame::GetProgramDirectory();
            frame::SetLibraryModule(nullptr);
        }
        DeleteFileA(copy.first.c_str());
    }
}

TEST_F(ProgramDirectory, OverrideIsKeptExactlyAndNullOrEmptyRestoresTheLibraryFolder) {
    std::string own = frame::GetProgramDirectory();
    EXPECT_TRUE(SamePath(testing_support::ExecutableDirectory(), own)) << own;

    frame::SetProgramDirectoryOverride("D:\\Work\\");
    EXPECT_EQ("D:\\Work\\", frame::GetProgramDirectory());
    frame::SetProgramDirectoryOverride(" relative\\フォルダ\\\\ ");
    EXPECT_EQ(" relative\\フォルダ\\\\ ", frame::GetProgramDirectory()) << "no trimming, no check";

    frame::SetProgramDirectoryOverride("");
    EXPECT_EQ(own, frame::GetProgramDirectory());
    frame::SetProgramDirectoryOverride("D:\\Work\\");
    frame::SetProgramDirectoryOverride(nullptr);
    EXPECT_EQ(own, frame::GetProgramDirectory());
}

// A module whose file name cannot be had: an exchange must not run "\pmqclient.exe" from the
// root of the current drive.
TEST_F(ProgramDirectory, UnresolvedFolderIsAnErrorNotTheRootOfTheDrive) {
    frame::SetLibraryModule(reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x10000)));
    EXPECT_EQ("", frame::GetProgramDirectory());
    EXPECT_THROW(frame::RequireProgramDirectory(), frame::CDirectoryException);
}

TEST(DataDirectory, IsCreatedWithItsParentOnFirstUseAndFoundAfterwards) {
    const std::string expected = testing_support::DataDirectory();
    const std::string company = expected.substr(0, expected.rfind('\\'));
    // Start from a fresh profile where no other suite has left files there (the prefix of a
    // test run is new; removal only succeeds for empty folders).
    RemoveDirectoryA(expected.c_str());
    RemoveDirectoryA(company.c_str());
    bool fresh = !PathIsDirectoryA(company.c_str());

    EXPECT_EQ(expected, frame::GetDataDirectory());
    EXPECT_TRUE(PathIsDirectoryA(expected.c_str()));
    if (fresh) {
        EXPECT_TRUE(PathIsDirectoryA(company.c_str()));
    }
    std::string marker = expected + "\\marker.txt";
    ASSERT_TRUE(testing_support::WriteFileBytes(marker, "kept"));
    EXPECT_EQ(expected, frame::GetDataDirectory());
    EXPECT_EQ("kept", testing_support::ReadFileBytes(marker)) << "the second call creates nothing";
    DeleteFileA(marker.c_str());
    if (fresh) {
        RemoveDirectoryA(expected.c_str());
        RemoveDirectoryA(company.c_str());
    }
}

}  // namespace
