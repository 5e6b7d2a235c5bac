// Every binary the kit ships says what it is: its version resource, read back the way a file's
// properties page reads it, from the unpacked kit of both architectures.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <ostream>
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

// Test names and failures show the file, not the structure's bytes.
void PrintTo(const ShippedFile& file, std::ostream* os) {
    *os << file.path;
}

std::string KitDirectory() {
    const char* dir = std::getenv("PELMORA_SDK_DIR");
    return dir ? dir : "";
}

std::string BaseName(const std::string& path) {
    return path.substr(path.rfind('\\') + 1);
}

class VersionBlock {
public:
    explicit VersionBlock(const std::string& path) {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
        if (size == 0) return;
        bytes_.resize(size);
        if (!GetFileVersionInfoA(path.c_str(), 0, size, bytes_.data())) bytes_.clear();
    }

    bool present() const { return !bytes_.empty(); }

    const VS_FIXEDFILEINFO* Fixed() const {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(bytes_.data(), "\\", &value, &length) ||
            length < sizeof(VS_FIXEDFILEINFO))
            return nullptr;
        return static_cast<const VS_FIXEDFILEINFO*>(value);
    }

    // A text of the string table the translation list names first, as Explorer picks it.
    std::string Text(const std::string& name) const {
        struct Translation {
            WORD language;
            WORD codePage;
        }* translation = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(bytes_.data(), "\\VarFileInfo\\Translation",
                            reinterpret_cast<void**>(&translation), &length) ||
            length < sizeof(Translation))
            return "<no translation>";
        char key[64];
        wsprintfA(key, "\\StringFileInfo\\%04x%04x\\%s", translation->language,
                  translation->codePage, name.c_str());
        char* value = nullptr;
        if (!VerQueryValueA(bytes_.data(), key, reinterpret_cast<void**>(&value), &length))
            return "<missing>";
        return std::string(value);
    }

private:
    std::vector<char> bytes_;
};

class VersionResource : public testing::TestWithParam<ShippedFile> {};

TEST_P(VersionResource, SaysWhatTheFileIsAndWhichBuildItCameFrom) {
    ASSERT_FALSE(KitDirectory().empty()) << "PELMORA_SDK_DIR names the unpacked kit";
    const ShippedFile& file = GetParam();
    const VersionBlock block(KitDirectory() + "\\" + file.path);
    ASSERT_TRUE(block.present()) << file.path << " has no version resource";

    const VS_FIXEDFILEINFO* fixed = block.Fixed();
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const DWORD expectedMs = MAKELONG(PELMORA_VERSION_MINOR, PELMORA_VERSION_MAJOR);
    const DWORD expectedLs = MAKELONG(PELMORA_VERSION_TWEAK, PELMORA_VERSION_PATCH);
    EXPECT_EQ(fixed->dwFileVersionMS, expectedMs);
    EXPECT_EQ(fixed->dwFileVersionLS, expectedLs);
    EXPECT_EQ(fixed->dwProductVersionMS, expectedMs);
    EXPECT_EQ(fixed->dwProductVersionLS, expectedLs);
    EXPECT_EQ(fixed->dwFileType, file.fileType);

    EXPECT_EQ(block.Text("FileVersion"), PELMORA_VERSION);
    EXPECT_EQ(block.Text("ProductVersion"), PELMORA_VERSION);
    EXPECT_EQ(block.Text("CompanyName"), "Torva Inc.");
    EXPECT_EQ(block.Text("ProductName"), "Pelmora");
    EXPECT_EQ(block.Text("FileDescription"), file.description);
    EXPECT_EQ(block.Text("OriginalFilename"), BaseName(file.path));
}

std::string FileLabel(const testing::TestParamInfo<ShippedFile>& info) {
    std::string label = info.param.path;
    for (char& c : label)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
    return label;
}

INSTANTIATE_TEST_SUITE_P(Kit, VersionResource, testing::ValuesIn(kShippedFiles), FileLabel);

}  // namespace
