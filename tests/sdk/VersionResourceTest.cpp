// Every binary the kit ships says what it is: its version resource, read back the way a file's
// properties page reads it, from the unpacked kit of both architectures.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

TEST(VersionResource, SaysWhatTheFileIsAndWhichBuildItCameFrom) {
    const char* kit = std::getenv("PELMORA_SDK_DIR");
    ASSERT_NE(kit, nullptr) << "PELMORA_SDK_DIR names the unpacked kit";
    unsigned v[4] = {};
    std::sscanf(PELMORA_VERSION, "%u.%u.%u.%u", &v[0], &v[1], &v[2], &v[3]);
    const DWORD ms = MAKELONG(v[1], v[0]), ls = MAKELONG(v[3], v[2]);
    const std::pair<std::string, const char*> files[] = {
        {"Pelmora.dll", "Pelmora client library"},
        {"pmqclient.exe", "Pelmora service client"},
        {"PelmoraLogView.exe", "Pelmora log viewer"}};
    for (const char* arch : {"x64", "x86"}) {
        for (const auto& [name, description] : files) {
            const std::string path = std::string(kit) + "\\bin\\" + arch + "\\" + name;
            SCOPED_TRACE(path);
            std::vector<char> block(GetFileVersionInfoSizeA(path.c_str(), nullptr) + 1);
            ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block.size()),
                                            block.data()));
            auto query = [&block](const std::string& key) {
                void* value = nullptr;
                UINT length = 0;
                return VerQueryValueA(block.data(), key.c_str(), &value, &length) ? value : nullptr;
            };
            const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(query("\\"));
            const auto* language = static_cast<const WORD*>(query("\\VarFileInfo\\Translation"));
            ASSERT_TRUE(fixed && language);
            const DWORD type = name.substr(name.size() - 4) == ".dll" ? VFT_DLL : VFT_APP;
            EXPECT_EQ(std::vector<DWORD>({0xFEEF04BD, ms, ls, ms, ls, type, 0x0409, 1200}),
                      std::vector<DWORD>({fixed->dwSignature, fixed->dwFileVersionMS,
                                          fixed->dwFileVersionLS, fixed->dwProductVersionMS,
                                          fixed->dwProductVersionLS, fixed->dwFileType, language[0],
                                          language[1]}));
            std::vector<std::string> texts;
            for (const char* key :
                 {"CompanyName", "FileDescription", "FileVersion", "InternalName", "LegalCopyright",
                  "OriginalFilename", "ProductName", "ProductVersion"}) {
                const auto* text = static_cast<const char*>(
                    query(std::string("\\StringFileInfo\\040904b0\\") + key));
                texts.push_back(text ? text : "<missing>");
            }
            EXPECT_EQ(std::vector<std::string>({"Torva Inc.", description, PELMORA_VERSION,
                                                name.substr(0, name.find('.')),
                                                "Copyright (C) Torva Inc. All rights reserved.",
                                                name, "Pelmora", PELMORA_VERSION}),
                      texts);
        }
    }
}

}  // namespace
