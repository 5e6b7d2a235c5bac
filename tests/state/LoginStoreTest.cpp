// "Login.dat", the current login record and the call scope that loads and releases it.
#include <gtest/gtest.h>
#include <winsock2.h>

#include "StateFiles.h"
#include "log/LogWriter.h"
#include "login/CallScope.h"
#include "login/LoginManager.h"
#include "support/HostLogFile.h"

using login::CLoginManager;
using testing_support::ReadFileBytes;

namespace {

// The keys as their Shift_JIS bytes, independent of how this file is compiled.
const std::string kIdKey = "\x89\xef\x8e\xd0ID", kPasswordKey = "\xca\xdf\xbd\xdc\xb0\xc4\xde";
const std::string kUserKey = "\x8e\x67\x97\x70\x8e\xd2\x96\xbc", kSaveKey = "\x95\xdb\x91\xb6";

std::string LoginFile(const std::string& id, const std::string& password, const std::string& user,
                      const std::string& save) {
    return kIdKey + "=" + id + "\r\n" + kPasswordKey + "=" + password + "\r\n" + kUserKey + "=" +
           user + "\r\n" + kSaveKey + "=" + save + "\r\n";
}

void MakeCurrent(const std::string& id, const std::string& password, const std::string& user,
                 bool save) {
    CLoginManager::SetLoginInfo(
        std::make_unique<login::LOGIN_INFO>(login::LOGIN_INFO{id, password, user, save}));
}

// The current record as "id|password|user|save"; "none" without one.
std::string Current() {
    const auto info = CLoginManager::GetLoginInfo();
    if (!info) return "none";
    return info->companyId + "|" + info->password + "|" + info->userName + "|" +
           (info->saveFlag ? "true" : "false");
}

bool SocketLayerStarted() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return false;
    closesocket(s);
    return true;
}

class LoginStore : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteFileA(path.c_str());
        CLoginManager::ClearLoginInfo();
    }
    void TearDown() override { SetUp(); }

    const std::string path = CLoginManager::GetFilePath();
};

// Japanese text (a trail byte 0x5C included) and equals signs inside values come back whole.
TEST_F(LoginStore, SaveWritesTheFourLinesAndLoadReadsThemBack) {
    MakeCurrent("id=1==", "p=a\x83\x5cs", "\x8e\x67\x97\x70=x", true);  // ソ, 使用=x
    ASSERT_TRUE(CLoginManager::Save());
    EXPECT_EQ(LoginFile("id=1==", "p=a\x83\x5cs", "\x8e\x67\x97\x70=x", "true"),
              ReadFileBytes(path));
    CLoginManager::ClearLoginInfo();
    ASSERT_TRUE(CLoginManager::Load());
    EXPECT_EQ("id=1==|p=a\x83\x5cs|\x8e\x67\x97\x70=x|true", Current());
}

// LF-only line ends, unknown lines, a key twice (the last wins), missing lines, and a save flag
// that is "true" only as exactly that.
TEST_F(LoginStore, LoadTakesWhatItCanFromAnyContent) {
    const std::pair<std::string, std::string> cases[] = {
        {kPasswordKey + "=first\njunk line\n" + kIdKey + "=C9\n" + kPasswordKey + "=second\n" +
             kSaveKey + "=true",
         "C9|second||true"},
        {"", "|||false"},
        {LoginFile("a", "b", "c", "TRUE"), "a|b|c|false"},
        {LoginFile("a", "b", "c", "true "), "a|b|c|false"},
    };
    for (const auto& [file, loaded] : cases) {
        ASSERT_TRUE(testing_support::WriteFileBytes(path, file));
        ASSERT_TRUE(CLoginManager::Load()) << file;
        EXPECT_EQ(loaded, Current()) << file;
    }
}

// Without a record the save writes and logs nothing; without a file the load keeps the record;
// removing deletes the file only, and succeeds without one too.
TEST_F(LoginStore, MissingFileOrRecordChangesNothing) {
    testing_support::HostLogFile log(logging::SetLogFile);
    EXPECT_FALSE(CLoginManager::Save());
    EXPECT_EQ("", log.Raw());
    MakeCurrent("kept", "pw", "u", false);
    EXPECT_FALSE(CLoginManager::Load());
    EXPECT_TRUE(log.Contains("ログインファイルがありませんでした。"));
    EXPECT_TRUE(CLoginManager::Remove());
    ASSERT_TRUE(CLoginManager::Save());
    EXPECT_TRUE(CLoginManager::Remove());
    EXPECT_FALSE(testing_support::FileExists(path));
    EXPECT_EQ("kept|pw|u|false", Current());
}

// The file keeps the password in clear, the log never: each entry that would show it keeps its
// place and shape with the mask instead.
TEST_F(LoginStore, LogEntriesOfSaveAndLoadMaskThePassword) {
    testing_support::HostLogFile log(logging::SetLogFile);
    MakeCurrent("C1", "S3cr3t-\x83\x70\x83\x58", "u", false);  // S3cr3t-パス
    ASSERT_TRUE(CLoginManager::Save());
    ASSERT_TRUE(CLoginManager::Load());
    EXPECT_EQ("C1|S3cr3t-\x83\x70\x83\x58|u|false", Current());
    const std::vector<std::string> expected = {"0|3|ログイン情報の保存",
                                               "1|3|ログイン情報のパス：\t" + path,
                                               "1|3|ログイン情報の保存データ：\t" + kIdKey +
                                                   "=C1 " + kPasswordKey + "=******** " + kUserKey +
                                                   "=u " + kSaveKey + "=false ",
                                               "0|1|ログイン情報の読み込み",
                                               "1|1|ログイン情報のパス\t" + path,
                                               "0|1|ログイン情報の読み込んだデータ",
                                               "2|2|会社ID:\tC1",
                                               "2|2|パスワード:\t********",
                                               "2|2|ユーザー名：\tu",
                                               "2|2|保存：\tfalse"};
    EXPECT_EQ(expected, log.Entries());
}

// The scope logs both ends and releases the socket layer and the login it loaded. Without a
// stored login, a record made current without a file (as a silent login leaves it) survives.
TEST_F(LoginStore, CallScopeLogsBothEndsAndReleasesWhatItTook) {
    MakeCurrent("mem", "", "", false);
    {
        login::CApiCallScope scope;
        EXPECT_EQ("mem|||false", Current());
    }
    MakeCurrent("C7", "pw", "u", true);
    ASSERT_TRUE(CLoginManager::Save());
    CLoginManager::ClearLoginInfo();
    testing_support::HostLogFile log(logging::SetLogFile);
    {
        login::CApiCallScope scope;
        EXPECT_TRUE(SocketLayerStarted());
        EXPECT_EQ("C7|pw|u|true", Current());
    }
    EXPECT_FALSE(SocketLayerStarted());
    EXPECT_EQ("none", Current());
    const std::vector<std::string> entries = log.Entries();
    ASSERT_GE(entries.size(), 3u);
    EXPECT_EQ("0|0|Init開始", entries.front());
    EXPECT_EQ((std::vector<std::string>{"0|0|Init終了", "99|0|"}),
              std::vector<std::string>(entries.end() - 2, entries.end()));
}

}  // namespace
