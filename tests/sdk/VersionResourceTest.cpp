// Every binary the kit ships says what it is: its version resource, read back the way a file's
// properties page reads it, from the unpacked kit of both architectures.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// A text of the string table the translation list names first, as Explorer picks it.
std::string Text(const std::vector<char>& block, const std::string& name) {
    WORD* translation = nullptr;
    char* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &length) ||
        length < 2 * sizeof(WORD))
        return "<no translation>";
    char table[32];
    std::snprintf(table, sizeof table, "\\StringFileInfo\\%04x%04x\\", translation[0],
                  translation[1]);
    if (!VerQueryValueA(block.data(), (table + name).c_str(), reinterpret_cast<void**>(&value),
                        &length))
        return "<missing>";
    return value;
}

TEST(VersionResource, SaysWhatTheFileIsAndWhichBuildItCameFrom) {
    const char* kit = std::getenv("PELMORA_SDK_DIR");
    ASSERT_NE(kit, nullptr) << "PELMORA_SDK_DIR names the unpacked kit";
    unsigned v[4] = {};
    std::sscanf(PELMORA_VERSION, "%u.%u.%u.%u", &v[0], &v[1], &v[2], &v[3]);
    const DWORD ms = MAKELONG(v[1], v[0]), ls = MAKELONG(v[3], v[2]);
    const struct {
        const char* name;
        const char* description;
        DWORD fileType;
    } files[] = {{"Pelmora", "Pelmora client library", VFT_DLL},
                 {"pmqclient", "Pelmora service client", VFT_APP},
                 {"PelmoraLogView", "Pelmora log viewer", VFT_APP}};
    for (const char* arch : {"x64", "x86"}) {
        for (const auto& file : files) {
            const std::string name =
                std::string(file.name) + (file.fileType == VFT_DLL ? ".dll" : ".exe");
            const std::string path = std::string(kit) + "\\bin\\" + arch + "\\" + name;
            SCOPED_TRACE(path);
            DWORD ignored = 0;
            std::vector<char> block(GetFileVersionInfoSizeA(path.c_str(), &ignored));
            ASSERT_FALSE(block.empty()) << "no version resource";
            ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block.size()),
                                            block.data()));
            VS_FIXEDFILEINFO* fixed = nullptr;
            UINT length = 0;
            ASSERT_TRUE(
                VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
            EXPECT_EQ(std::vector<DWORD>({0xFEEF04BD, ms, ls, ms, ls, file.fileType}),
                      std::vector<DWORD>({fixed->dwSignature, fixed->dwFileVersionMS,
                                          fixed->dwFileVersionLS, fixed->dwProductVersionMS,
                                          fixed->dwProductVersionLS, fixed->dwFileType}));
            std::vector<std::string> texts;
            for (const char* key :
                 {"CompanyName", "FileDescription", "FileVersion", "InternalName", "LegalCopyright",
                  "OriginalFilename", "ProductName", "ProductVersion"})
                texts.push_back(Text(block, key));
            EXPECT_EQ(std::vector<std::string>({"Torva Inc.", file.description, PELMORA_VERSION,
                                                file.name,
                                                "Copyright (C) Torva Inc. All rights reserved.",
                                                name, "Pelmora", PELMORA_VERSION}),
                      texts);
        }
    }
}

}  // namespace
