// The login flows' catch ladder: each exception class becomes its last-error code and message,
// with exactly the log entries the ladder writes (none for the two connectivity findings).
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <string>
#include <vector>

#include "frame/CatchLadder.h"
#include "frame/Exceptions.h"
#include "frame/LastError.h"
#include "log/LogWriter.h"
#include "log/SharedLog.h"
#include "support/LogCapture.h"

namespace {

// Shift_JIS bytes of the built-in texts, written out so that a wrong source or execution
// character set shows as a byte difference.
const std::string kNoAdapter =
    "\x83\x6c\x83\x62\x83\x67\x83\x8f\x81\x5b\x83\x4e\x82\xc9\x82\xc2\x82\xc8\x82\xaa\x82\xe9"
    "\x8a\xc2\x8b\xab\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";  // ネットワークにつながる環境がありません
const std::string kNoInternet =
    "\x83\x43\x83\x93\x83\x5e\x81\x5b\x83\x6c\x83\x62\x83\x67\x82\xd6\x82\xcc\x90\xda\x91\xb1"
    "\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";  // インターネットへの接続がありません
const std::string kProxyRequired =
    "\x83\x76\x83\x8d\x83\x4c\x83\x56\x94\x46\x8f\xd8\x82\xaa\x95\x4b\x97\x76\x82\xc5\x82\xb7";
const std::string kInternetErrorPrefix =
    "\x83\x43\x83\x93\x83\x5e\x81\x5b\x83\x6c\x83\x62\x83\x67\x83\x47\x83\x89\x81\x5b\x81\x46";

class CatchLadder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(logging::SharedLog::Instance().Open());
        logging::SetLogWindow(capture_.window());
        frame::SetLastError(0, "before");
    }
    void TearDown() override {
        logging::SetLogWindow(nullptr);
        logging::SharedLog::Instance().Close();
    }

    // Runs `thrower` under the ladder as a login flow would; false is the flow's result.
    bool Run(const std::function<void()>& thrower) {
        return frame::RunWithCatchLadder("PeLmLoginUserCreate", thrower);
    }

    // Each error entry the ladder wrote must be kind 4, indent 1, flag 1, from the flow.
    std::vector<std::string> ErrorEntries() const {
        std::vector<std::string> messages;
        for (const LOG_RECORD& record : capture_.records()) {
            EXPECT_EQ(4, record.kind);
            EXPECT_EQ(1, record.indent);
            EXPECT_EQ(1, record.flag);
            EXPECT_STREQ("PeLmLoginUserCreate", record.function);
            EXPECT_STREQ("PelmoraAPI", record.source);
            messages.emplace_back(record.message);
        }
        return messages;
    }

    testing_support::LogCapture capture_;
};

using Entries = std::vector<std::string>;

TEST_F(CatchLadder, BuiltInTextsAreShiftJisBytes) {
    EXPECT_EQ(kProxyRequired, std::string(frame::kProxyLoginCancelText));
    EXPECT_EQ(kProxyRequired, std::string("プロキシ認証が必要です"));
    EXPECT_EQ(kInternetErrorPrefix, std::string("インターネットエラー："));
}

TEST_F(CatchLadder, AdapterAndInternetFindingsAreNetworkErrorsWithoutLogEntries) {
    EXPECT_FALSE(Run([] { throw frame::CNetworkAdapterException(); }));
    EXPECT_EQ(1001, frame::GetLastErrorCode());
    EXPECT_EQ(kNoAdapter, frame::GetLastErrorMessage());

    EXPECT_FALSE(Run([] { throw frame::CInternetConnectionException(); }));
    EXPECT_EQ(1001, frame::GetLastErrorCode());
    EXPECT_EQ(kNoInternet, frame::GetLastErrorMessage());
    EXPECT_EQ(0, capture_.notifications()) << "the checks have logged their findings already";
}

TEST_F(CatchLadder, ServiceFailureIsLoggedAndRecordedAs1006WhateverItsOwnCode) {
    EXPECT_FALSE(
        Run([] { throw frame::CNetworkException(1006, "サーバーにアクセスできませんでした"); }));
    EXPECT_EQ(1006, frame::GetLastErrorCode());
    EXPECT_EQ("サーバーにアクセスできませんでした", frame::GetLastErrorMessage());

    EXPECT_FALSE(Run([] { throw frame::CNetworkException(7, "通信エラー"); }));
    EXPECT_EQ(1006, frame::GetLastErrorCode());
    EXPECT_EQ("通信エラー", frame::GetLastErrorMessage());
    EXPECT_EQ((Entries{"サーバーにアクセスできませんでした", "通信エラー"}), ErrorEntries());
}

TEST_F(CatchLadder, InternetLayerErrorLogsPrefixedTextAndRecordsTheBareText) {
    const unsigned long timeout = 12002;  // the Internet layer's "operation timed out"
    std::string text = frame::CInternetException(timeout).ErrorText(512);
    ASSERT_FALSE(text.empty());
    // The layer's own words, even though nothing in this process has used the layer yet.
    EXPECT_EQ(std::string::npos, text.find("2EE2")) << text;
    EXPECT_FALSE(Run([timeout] { throw frame::CInternetException(timeout); }));
    EXPECT_EQ(1001, frame::GetLastErrorCode());
    EXPECT_EQ(text, frame::GetLastErrorMessage());
    EXPECT_EQ((Entries{kInternetErrorPrefix + text}), ErrorEntries());
}

TEST_F(CatchLadder, ProxyCancelIsAnOtherFailureWithItsOwnText) {
    EXPECT_FALSE(Run([] { throw frame::CProxyLoginCancelException(); }));
    EXPECT_EQ(1000, frame::GetLastErrorCode());
    EXPECT_EQ(kProxyRequired, frame::GetLastErrorMessage());
    EXPECT_EQ((Entries{kProxyRequired}), ErrorEntries());
}

TEST_F(CatchLadder, ClassesWithoutTextGiveCode1000AndEmptyMessage) {
    // The cipher's message is for the state store's own log, not the host's last error.
    const std::vector<std::function<void()>> throwers = {
        [] { throw frame::CCryptException("暗号化に失敗しました"); },
        [] { throw frame::CFalsificationException(); },
        [] { throw std::bad_alloc(); },
    };
    for (const auto& thrower : throwers) {
        frame::SetLastError(0, "before");
        EXPECT_FALSE(Run(thrower));
        EXPECT_EQ(1000, frame::GetLastErrorCode());
        EXPECT_EQ("", frame::GetLastErrorMessage());
    }
    EXPECT_EQ((Entries{"", "", ""}), ErrorEntries()) << "each failure still leaves an entry";
}

TEST_F(CatchLadder, PlatformFailureCarriesTheSystemText) {
    std::string text = win32::CHResultException(E_ACCESSDENIED).ErrorText(256);
    ASSERT_FALSE(text.empty());
    EXPECT_FALSE(Run([] { throw win32::CHResultException(E_ACCESSDENIED); }));
    EXPECT_EQ(1000, frame::GetLastErrorCode());
    EXPECT_EQ(text, frame::GetLastErrorMessage());
}

TEST_F(CatchLadder, WorkThatSucceedsLeavesTheLastErrorAlone) {
    bool ran = false;
    EXPECT_TRUE(Run([&ran] { ran = true; }));
    EXPECT_TRUE(ran);
    EXPECT_EQ(0, frame::GetLastErrorCode());
    EXPECT_EQ("before", frame::GetLastErrorMessage());
    EXPECT_EQ(0, capture_.notifications());
}

TEST_F(CatchLadder, LongServiceMessageIsCutInTheLogButKeptWholeForTheHost) {
    std::string message(400, 'e');
    EXPECT_FALSE(Run([&message] { throw frame::CNetworkException(1006, message); }));
    EXPECT_EQ(message, frame::GetLastErrorMessage());
    EXPECT_EQ((Entries{message.substr(0, 255)}), ErrorEntries());
}

TEST(LastErrorStore, ResetCodeKeepsTheMessageOfTheLastFailure) {
    frame::SetLastError(1006, "サーバーにアクセスできませんでした");
    frame::ClearLastErrorCode();
    EXPECT_EQ(0, frame::GetLastErrorCode());
    EXPECT_EQ("サーバーにアクセスできませんでした", frame::GetLastErrorMessage());
    frame::SetLastError(1002, "");
    EXPECT_EQ(1002, frame::GetLastErrorCode());
    EXPECT_EQ("", frame::GetLastErrorMessage()) << "a set replaces both values";
}

}  // namespace
