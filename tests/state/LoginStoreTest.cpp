// "Login.dat" and the current login record.
#include <gtest/gtest.h>

#include "support/HostLogFile.h"
#include "StateFiles.h"
#include "log/LogWriter.h"
#include "login/LoginManager.h"

using login::CLoginManager;
using login::LOGIN_INFO;
using namespace state_tests;

namespace {

// The keys as their Shift_JIS bytes, independent of how this file is compiled.
const std::string kCompanyIdKey =
    "\x89\xef\x8e\xd0"
    "ID";
const std::string kPasswordKey = "\xca\xdf\xbd\xdc\xb0\xc4\xde";
const std::string kUserNameKey = "\x8e\x67\x97\x70\x8e\xd2\x96\xbc";
const std::string kSaveKey = "\x95\xdb\x91\xb6";

std::string LoginFile(const std::string& id, const std::string& password, const std::string& user,
                      const std::string& save) {
    return kCompanyIdKey + "=" + id + "\r\n" + kPasswordKey + "=" + password + "\r\n" +
           kUserNameKey + "=" + user + "\r\n" + kSaveKey + "=" + save + "\r\n";
}

void MakeCurrent(const std::string& id, const std::string& password, const std::string& user,
                 bool save) {
    CLoginManager::SetLoginInfo(std::make_unique<LOGIN_INFO>(LOGIN_INFO{id, password, user, save}));
}

class LoginStore : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteFileA(CLoginManager::GetFilePath().c_str());
        CLoginManager::ClearLoginInfo();
    }
    void TearDown() override { SetUp(); }

    static bool WriteLoginFile(const std::string& bytes) {
        return testing_support::WriteFileBytes(CLoginManager::GetFilePath(), bytes);
    }
    static std::string ReadLoginFile() {
        return testing_support::ReadFileBytes(CLoginManager::GetFilePath());
    }
};

TEST_F(LoginStore, SavedFileHasTheExactFourLines) {
    MakeCurrent("C001", "pw", "\x8e\x52\x93\x63", true);  // 山田
    ASSERT_TRUE(CLoginManager::Save());
    EXPECT_EQ(LoginFile("C001", "pw", "\x8e\x52\x93\x63", "true"), ReadLoginFile());

    MakeCurrent("C001", "", "", false);
    ASSERT_TRUE(CLoginManager::Save());
    EXPECT_EQ(LoginFile("C001", "", "", "false"), ReadLoginFile());
}

TEST_F(LoginStore, RoundTripKeepsJapaneseAndEqualsSigns) {
    MakeCurrent("id=1==", "p=a\x83\x5cs", "\x8e\x67\x97\x70=x", true);  // ソ: trail byte 0x5C
    ASSERT_TRUE(CLoginManager::Save());
    CLoginManager::ClearLoginInfo();
    ASSERT_TRUE(CLoginManager::Load());
    const LOGIN_INFO* info = CLoginManager::GetLoginInfo();
    ASSERT_NE(nullptr, info);
    EXPECT_EQ("id=1==", info->companyId);
    EXPECT_EQ("p=a\x83\x5cs", info->password);
    EXPECT_EQ("\x8e\x67\x97\x70=x", info->userName);
    EXPECT_TRUE(info->saveFlag);
}

TEST_F(LoginStore, SaveFlagIsCaseSensitive) {
    for (const char* text : {"TRUE", "True", "true ", "1", ""}) {
        ASSERT_TRUE(WriteLoginFile(LoginFile("a", "b", "c", text)));
        ASSERT_TRUE(CLoginManager::Load());
        EXPECT_FALSE(CLoginManager::GetLoginInfo()->saveFlag) << text;
    }
    ASSERT_TRUE(WriteLoginFile(LoginFile("a", "b", "c", "true")));
    ASSERT_TRUE(CLoginManager::Load());
    EXPECT_TRUE(CLoginManager::GetLoginInfo()->saveFlag);
}

TEST_F(LoginStore, LoadToleratesMissingRepeatedAndForeignLines) {
    // LF-only line ends, an unknown line, the password twice (the last wins), no user name.
    ASSERT_TRUE(WriteLoginFile(kPasswordKey + "=first\n" + "junk line\n" + kCompanyIdKey + "=C9\n" +
                               kPasswordKey + "=second\n" + kSaveKey + "=true"));
    ASSERT_TRUE(CLoginManager::Load());
    const LOGIN_INFO* info = CLoginManager::GetLoginInfo();
    EXPECT_EQ("C9", info->companyId);
    EXPECT_EQ("second", info->password);
    EXPECT_EQ("", info->userName);
    EXPECT_TRUE(info->saveFlag);
}

TEST_F(LoginStore, EmptyFileLoadsAnEmptyRecord) {
    ASSERT_TRUE(WriteLoginFile(""));
    ASSERT_TRUE(CLoginManager::Load());
    const LOGIN_INFO* info = CLoginManager::GetLoginInfo();
    ASSERT_NE(nullptr, info);
    EXPECT_EQ("", info->companyId);
    EXPECT_EQ("", info->password);
    EXPECT_FALSE(info->saveFlag);
}

TEST_F(LoginStore, FailedLoadKeepsTheCurrentRecord) {
    MakeCurrent("kept", "pw", "u", false);
    EXPECT_FALSE(CLoginManager::Load());
    ASSERT_NE(nullptr, CLoginManager::GetLoginInfo());
    EXPECT_EQ("kept", CLoginManager::GetLoginInfo()->companyId);
}

TEST_F(LoginStore, SaveWithoutARecordWritesAndLogsNothing) {
    testing_support::HostLogFile log(logging::SetLogFile);
    EXPECT_FALSE(CLoginManager::Save());
    EXPECT_FALSE(testing_support::FileExists(CLoginManager::GetFilePath()));
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(LoginStore, RemoveDeletesTheFileOnlyAndAlwaysSucceeds) {
    EXPECT_TRUE(CLoginManager::Remove());
    MakeCurrent("a", "b", "c", true);
    ASSERT_TRUE(CLoginManager::Save());
    EXPECT_TRUE(CLoginManager::Remove());
    EXPECT_FALSE(testing_support::FileExists(CLoginManager::GetFilePath()));
    EXPECT_NE(nullptr, CLoginManager::GetLoginInfo());
}

TEST_F(LoginStore, PasswordNeverReachesTheLog) {
    const std::string secret = "S3cr3t-\x83\x70\x83\x58";  // S3cr3t-パス
    testing_support::HostLogFile log(logging::SetLogFile);
    MakeCurrent("C001", secret, "user", true);
    ASSERT_TRUE(CLoginManager::Save());
    ASSERT_TRUE(CLoginManager::Load());
    EXPECT_EQ(secret, CLoginManager::GetLoginInfo()->password);  // the file keeps it in clear

    EXPECT_EQ(std::string::npos, log.Raw().find("S3cr3t")) << log.Raw();
    EXPECT_TRUE(log.Contains(std::string("パスワード:\t") + logging::kPasswordMask));
    // The saved-data entry keeps its shape, with the mask in the password's place (the file
    // line turns its line feeds into spaces).
    EXPECT_TRUE(log.Contains("ログイン情報の保存データ：\t" + kCompanyIdKey + "=C001 " +
                             kPasswordKey + "=" + logging::kPasswordMask + " " + kUserNameKey +
                             "=user " + kSaveKey + "=true "));
}

TEST_F(LoginStore, LogEntriesOfSaveAndLoad) {
    testing_support::HostLogFile log(logging::SetLogFile);
    MakeCurrent("C1", "x", "u", false);
    ASSERT_TRUE(CLoginManager::Save());
    ASSERT_TRUE(CLoginManager::Load());
    const std::string path = CLoginManager::GetFilePath();
    const std::vector<std::string> expected = {"ログイン情報の保存",
                                               "ログイン情報のパス：\t" + path,
                                               "ログイン情報の保存データ：\t" + kCompanyIdKey +
                                                   "=C1 " + kPasswordKey + "=********" + " " +
                                                   kUserNameKey + "=u " + kSaveKey + "=false ",
                                               "ログイン情報の読み込み",
                                               "ログイン情報のパス\t" + path,
                                               "ログイン情報の読み込んだデータ",
                                               "会社ID:\tC1",
                                               "パスワード:\t********",
                                               "ユーザー名：\tu",
                                               "保存：\tfalse"};
    EXPECT_EQ(expected, log.Texts());
    const auto lines = log.Lines();
    EXPECT_EQ(3, lines[0].indent);
    EXPECT_EQ(1, lines[3].indent);
    EXPECT_EQ(2, lines[6].kind);
    EXPECT_EQ(2, lines[6].indent);
}

TEST_F(LoginStore, FileInUseElsewhereIsMissingOrUnwritable) {
    ASSERT_TRUE(WriteLoginFile(LoginFile("old", "pw", "u", "true")));
    testing_support::HostLogFile log(logging::SetLogFile);
    {
        HeldOpen other(CLoginManager::GetFilePath());
        ASSERT_TRUE(other.held());
        EXPECT_FALSE(CLoginManager::Load());
        EXPECT_TRUE(log.Contains("ログインファイルがありませんでした。"));
        MakeCurrent("new", "pw2", "u2", false);
        EXPECT_FALSE(CLoginManager::Save());
        EXPECT_TRUE(log.Contains("ファイルの保存失敗！"));
    }
    // The earlier content is whole, the record is still in memory.
    EXPECT_EQ(LoginFile("old", "pw", "u", "true"), ReadLoginFile());
    EXPECT_EQ("new", CLoginManager::GetLoginInfo()->companyId);
}

TEST_F(LoginStore, ReadOnlyFileIsNotReplaced) {
    // A read-only file cannot be written: the save fails, the old text stays whole and no
    // temporary file is left beside it.
    const std::string path = CLoginManager::GetFilePath();
    ASSERT_TRUE(WriteLoginFile(LoginFile("old", "pw", "u", "true")));
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    MakeCurrent("new", "pw2", "u2", false);
    EXPECT_FALSE(CLoginManager::Save());
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(LoginFile("old", "pw", "u", "true"), ReadLoginFile());
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "*.tmp").c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, search);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

}  // namespace
