// Every binary the kit ships says what it is: its version resource, read back the way a file's
// properties page reads it, from the unpacked kit of both architectures.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct ShippedFile {
    const char* path;  // inside the kit
    const char* description;
    DWORD fileType;
};

const ShippedFile kShippedFiles[] = {
    {"bin\\x64\\Pelmora.dll", "Pelmora client library", VFT_DLL},
    {"bin\\x64\\pmqclient.exe", "Pelmora service client", VFT_APP},
    {"bin\\x86\\Pelmora.dll", "Pelmora client library", VFT_DLL},
    {"bin\\x86\\pmqclient.exe", "Pelmora service client", VFT_APP},
#ifdef PELMORA_HAS_LOG_VIEWER
    {"bin\\x64\\PelmoraLogView.exe", PELMORA_LOG_VIEWER_DESCRIPTION, VFT_APP},
    {"bin\\x86\\PelmoraLogView.exe", PELMORA_LOG_VIEWER_DESCRIPTION, VFT_APP},
#endif
};

std::string KitDirectory() {
    const char* dir = std::getenv("PELMORA_SDK_DIR");
    return dir ? dir : "";
}

// A text of the string table the translation list names first, as Explorer picks it.
std::string Text(const std::vector<char>& block, const char* name) {
    struct {
        WORD language, codePage;
    }* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &length) ||
        length < sizeof *translation)
        return "<no translation>";
    char key[64];
    wsprintfA(key, "\\StringFileInfo\\%04x%04x\\%s", translation->language, translation->codePage,
              name);
    char* value = nullptr;
    if (!VerQueryValueA(block.data(), key, reinterpret_cast<void**>(&value), &length))
        return "<missing>";
    return value;
}

class VersionResource : public testing::TestWithParam<ShippedFile> {};

TEST_P(VersionResource, SaysWhatTheFileIsAndWhichBuildItCameFrom) {
    ASSERT_FALSE(KitDirectory().empty()) << "PELMORA_SDK_DIR names the unpacked kit";
    const ShippedFile& file = GetParam();
    const std::string path = KitDirectory() + "\\" + file.path;
    DWORD ignored = 0;
    std::vector<char> block(GetFileVersionInfoSizeA(path.c_str(), &ignored));
    ASSERT_FALSE(block.empty()) << file.path << " has no version resource";
    ASSERT_TRUE(
        GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof *fixed);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const DWORD expectedMs = MAKELONG(PELMORA_VERSION_MINOR, PELMORA_VERSION_MAJOR);
    const DWORD expectedLs = MAKELONG(PELMORA_VERSION_TWEAK, PELMORA_VERSION_PATCH);
    EXPECT_EQ(fixed->dwFileVersionMS, expectedMs);
    EXPECT_EQ(fixed->dwFileVersionLS, expectedLs);
    EXPECT_EQ(fixed->dwProductVersionMS, expectedMs);
    EXPECT_EQ(fixed->dwProductVersionLS, expectedLs);
    EXPECT_EQ(fixed->dwFileType, file.fileType);

    EXPECT_EQ(Text(block, "FileVersion"), PELMORA_VERSION);
    EXPECT_EQ(Text(block, "ProductVersion"), PELMORA_VERSION);
    EXPECT_EQ(Text(block, "CompanyName"), "Torva Inc.");
    EXPECT_EQ(Text(block, "ProductName"), "Pelmora");
    EXPECT_EQ(Text(block, "FileDescription"), file.description);
    EXPECT_EQ(Text(block, "OriginalFilename"), path.substr(path.rfind('\\') + 1));
}

std::string FileLabel(const testing::TestParamInfo<ShippedFile>& info) {
    std::string label = info.param.path;
    for (char& c : label)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
    return label;
}

INSTANTIATE_TEST_SUITE_P(Kit, VersionResource, testing::ValuesIn(kShippedFiles), FileLabel);

}  // namespace
