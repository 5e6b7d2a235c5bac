// "Login.dat", the current login record and the call scope that loads and releases it.
#include <gtest/gtest.h>
#include <winsock2.h>

#include <stdexcept>

#include "support/HostLogFile.h"
#include "StateFiles.h"
#include "log/LogWriter.h"
#include "login/CallScope.h"
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

// The file is exactly four CRLF lines; Japanese text (a trail byte 0x5C included) and equals
// signs inside values come back as they were saved.
TEST_F(LoginStore, SaveWritesTheFourLinesAndLoadReadsThemBack) {
    MakeCurrent("C001", "", "", false);
    ASSERT_TRUE(CLoginManager::Save());
    EXPECT_EQ(LoginFile("C001", "", "", "false"), ReadLoginFile());

    MakeCurrent("id=1==", "p=a\x83\x5cs", "\x8e\x67\x97\x70=x", true);  // ソ, 使用=x
    ASSERT_TRUE(CLoginManager::Save());
    EXPECT_EQ(LoginFile("id=1==", "p=a\x83\x5cs", "\x8e\x67\x97\x70=x", "true"), ReadLoginFile());
    CLoginManager::ClearLoginInfo();
    ASSERT_TRUE(CLoginManager::Load());
    const auto info = CLoginManager::GetLoginInfo();
    ASSERT_NE(nullptr, info);
    EXPECT_EQ("id=1==", info->companyId);
    EXPECT_EQ("p=a\x83\x5cs", info->password);
    EXPECT_EQ("\x8e\x67\x97\x70=x", info->userName);
    EXPECT_TRUE(info->saveFlag);
}

// Whatever the file holds, the load takes what it can: LF-only line ends, unknown lines, a key
// twice (the last wins), missing lines, and a save flag that is "true" only as exactly that.
TEST_F(LoginStore, LoadTakesWhatItCanFromAnyContent) {
    struct Case {
        std::string file;
        LOGIN_INFO expected;
    };
    const Case cases[] = {
        {kPasswordKey + "=first\n" + "junk line\n" + kCompanyIdKey + "=C9\n" + kPasswordKey +
             "=second\n" + kSaveKey + "=true",
         {"C9", "second", "", true}},
        {"", {"", "", "", false}},
        {LoginFile("a", "b", "c", "true"), {"a", "b", "c", true}},
        {LoginFile("a", "b", "c", "TRUE"), {"a", "b", "c", false}},
        {LoginFile("a", "b", "c", "True"), {"a", "b", "c", false}},
        {LoginFile("a", "b", "c", "true "), {"a", "b", "c", false}},
        {LoginFile("a", "b", "c", "1"), {"a", "b", "c", false}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteLoginFile(c.file));
        ASSERT_TRUE(CLoginManager::Load()) << c.file;
        const auto info = CLoginManager::GetLoginInfo();
        ASSERT_NE(nullptr, info);
        EXPECT_EQ(c.expected.companyId, info->companyId) << c.file;
        EXPECT_EQ(c.expected.password, info->password) << c.file;
        EXPECT_EQ(c.expected.userName, info->userName) << c.file;
        EXPECT_EQ(c.expected.saveFlag, info->saveFlag) << c.file;
    }
}

// Without a file the load fails and keeps the record; without a record the save writes and
// logs nothing; removing deletes the file only, and succeeds with no file too.
TEST_F(LoginStore, MissingFileOrRecordChangesNothing) {
    testing_support::HostLogFile log(logging::SetLogFile);
    EXPECT_FALSE(CLoginManager::Save());
    EXPECT_FALSE(testing_support::FileExists(CLoginManager::GetFilePath()));
    EXPECT_TRUE(log.Lines().empty());
    EXPECT_TRUE(CLoginManager::Remove());

    MakeCurrent("kept", "pw", "u", false);
    EXPECT_FALSE(CLoginManager::Load());
    ASSERT_NE(nullptr, CLoginManager::GetLoginInfo());
    EXPECT_EQ("kept", CLoginManager::GetLoginInfo()->companyId);
    ASSERT_TRUE(CLoginManager::Save());
    EXPECT_TRUE(CLoginManager::Remove());
    EXPECT_FALSE(testing_support::FileExists(CLoginManager::GetFilePath()));
    EXPECT_NE(nullptr, CLoginManager::GetLoginInfo());
}

// The password never reaches the log (the file keeps it in clear): each entry that would show
// it keeps its place and shape with the mask instead.
TEST_F(LoginStore, LogEntriesOfSaveAndLoadMaskThePassword) {
    const std::string secret = "S3cr3t-\x83\x70\x83\x58";  // S3cr3t-パス
    testing_support::HostLogFile log(logging::SetLogFile);
    MakeCurrent("C1", secret, "u", false);
    ASSERT_TRUE(CLoginManager::Save());
    ASSERT_TRUE(CLoginManager::Load());
    EXPECT_EQ(secret, CLoginManager::GetLoginInfo()->password);
    EXPECT_EQ(std::string::npos, log.Raw().find("S3cr3t")) << log.Raw();

    const std::string path = CLoginManager::GetFilePath();
    const std::vector<std::string> expected = {"ログイン情報の保存",
                                               "ログイン情報のパス：\t" + path,
                                               "ログイン情報の保存データ：\t" + kCompanyIdKey +
                                                   "=C1 " + kPasswordKey + "=******** " +
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

// A file another host holds open reads as missing and is not replaced: the save fails, the
// earlier content stays whole, no temporary file is left and the record stays in memory.
TEST_F(LoginStore, FileInUseElsewhereIsMissingAndNotReplaced) {
    const std::string old = LoginFile("old", "pw", "u", "true");
    ASSERT_TRUE(WriteLoginFile(old));
    MakeCurrent("new", "pw2", "u2", false);
    testing_support::HostLogFile log(logging::SetLogFile);
    {
        const win32::FileHandle other = HoldOpen(CLoginManager::GetFilePath());
        ASSERT_TRUE(other);
        EXPECT_FALSE(CLoginManager::Load());
        EXPECT_TRUE(log.Contains("ログインファイルがありませんでした。"));
        EXPECT_FALSE(CLoginManager::Save());
        EXPECT_TRUE(log.Contains("ファイルの保存失敗！"));
    }
    EXPECT_EQ(old, ReadLoginFile());
    EXPECT_EQ(0, StrayFiles());
    ASSERT_NE(nullptr, CLoginManager::GetLoginInfo());
    EXPECT_EQ("new", CLoginManager::GetLoginInfo()->companyId);
}

bool SocketLayerStarted() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return false;
    closesocket(s);
    return true;
}

void ExpectOpeningAndClosing(const testing_support::HostLogFile& log) {
    const auto lines = log.Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ("Init開始", lines.front().text);
    EXPECT_EQ(0, lines.front().kind);
    EXPECT_EQ("Init終了", lines[lines.size() - 2].text);
    EXPECT_EQ(0, lines[lines.size() - 2].kind);
    EXPECT_EQ("", lines.back().text);
    EXPECT_EQ(99, lines.back().kind);
    EXPECT_EQ(0, lines.back().indent);
}

// The call scope around an interactive login: returning or with an exception passing through,
// it logs both ends and releases the
// socket layer and the stored login it loaded. Without a stored login, a record made current
// without a file (as a silent login leaves it) survives the load.
TEST_F(LoginStore, CallScopeLogsBothEndsAndReleasesEverythingOnEveryWayOut) {
    CLoginManager::SetLoginInfo(
        std::make_unique<login::LOGIN_INFO>(login::LOGIN_INFO{"mem", "", "", false}));
    {
        login::CApiCallScope scope;
        ASSERT_NE(nullptr, CLoginManager::GetLoginInfo());
        EXPECT_EQ("mem", CLoginManager::GetLoginInfo()->companyId);
    }
    CLoginManager::SetLoginInfo(
        std::make_unique<login::LOGIN_INFO>(login::LOGIN_INFO{"C7", "pw", "u", true}));
    ASSERT_TRUE(CLoginManager::Save());
    for (bool throws : {false, true}) {
        CLoginManager::ClearLoginInfo();
        ASSERT_FALSE(SocketLayerStarted());
        testing_support::HostLogFile log(logging::SetLogFile);
        try {
            login::CApiCallScope scope;
            EXPECT_TRUE(SocketLayerStarted());
            ASSERT_NE(nullptr, CLoginManager::GetLoginInfo());
            EXPECT_EQ("C7", CLoginManager::GetLoginInfo()->companyId);
            logging::Log("work", "Test", "Test", 0, 1);
            if (throws) throw std::runtime_error("flow failed");
        } catch (const std::runtime_error&) {
            EXPECT_TRUE(throws);
        }
        EXPECT_FALSE(SocketLayerStarted()) << throws;
        EXPECT_EQ(nullptr, CLoginManager::GetLoginInfo()) << throws;
        ExpectOpeningAndClosing(log);
    }
}

}  // namespace
