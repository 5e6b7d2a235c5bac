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

// The Shift_JIS bytes of one built-in text, written out so that a wrong source or execution
// character set shows as a byte difference.
const std::string kProxyRequired =
    "\x83\x76\x83\x8d\x83\x4c\x83\x56\x94\x46\x8f\xd8\x82\xaa\x95\x4b\x97\x76\x82\xc5\x82\xb7";

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

TEST_F(CatchLadder, BuiltInTextsAreShiftJisBytes) {
    EXPECT_EQ(kProxyRequired, std::string(frame::kProxyLoginCancelText));
    EXPECT_EQ(kProxyRequired, std::string("プロキシ認証が必要です"));
}

// Each failure is logged as the host's message cut to 255 bytes, except the two connectivity
// findings, which the checks have logged already.
struct Case {
    const char* what;
    std::function<void()> thrower;
    int code;
    std::string message;  // the host's last-error message
    bool logged;
};

TEST_F(CatchLadder, EachFailureBecomesItsCodeMessageAndLogEntries) {
    const std::string platformText = win32::CHResultException(E_ACCESSDENIED).ErrorText(256);
    ASSERT_FALSE(platformText.empty());
    const std::string longText(400, 'e');
    const std::string noAccess = "サーバーにアクセスできませんでした";
    const Case cases[] = {
        {"adapter", [] { throw frame::CNetworkAdapterException(); }, 1001,
         "ネットワークにつながる環境がありません", false},
        {"internet", [] { throw frame::CInternetConnectionException(); }, 1001,
         "インターネットへの接続がありません", false},
        // A service failure is 1006 whatever its own code.
        {"service", [&] { throw frame::CNetworkException(1006, noAccess); }, 1006, noAccess, true},
        {"exchange", [] { throw frame::CNetworkException(7, "通信エラー"); }, 1006, "通信エラー",
         true},
        {"long", [&] { throw frame::CNetworkException(1006, longText); }, 1006, longText, true},
        {"proxy", [] { throw frame::CProxyLoginCancelException(); }, 1000, kProxyRequired, true},
        {"platform", [] { throw win32::CHResultException(E_ACCESSDENIED); }, 1000, platformText,
         true},
        // The cipher's message is for the state store's own log, not the host's last error.
        {"cipher", [] { throw frame::CCryptException("暗号化に失敗しました"); }, 1000, "", true},
        {"falsification", [] { throw frame::CFalsificationException(); }, 1000, "", true},
        {"memory", [] { throw std::bad_alloc(); }, 1000, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        frame::SetLastError(0, "before");
        capture_.Clear();
        EXPECT_FALSE(Run(c.thrower));
        EXPECT_EQ(c.code, frame::GetLastErrorCode());
        EXPECT_EQ(c.message, frame::GetLastErrorMessage());
        const std::vector<std::string> entries = {c.message.substr(0, 255)};
        EXPECT_EQ(c.logged ? entries : std::vector<std::string>(), ErrorEntries());
    }
}

}  // namespace
