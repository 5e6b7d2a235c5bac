// PeLmIsServerAlive through the scripted client: FALSE, never an exception, when unreachable.
#include <gtest/gtest.h>

#include <algorithm>

#include "fakeclient/ScriptedClient.h"
#include "pelmora.h"
#include "support/HostLogFile.h"

namespace {

const std::string kTestUrl = "https://127.0.0.1:9/Pelmora/Pelmora/CheckSqlServerRunning";

TEST(ServiceTest, OnlyTheWordTrueWithASuccessStatusIsAlive) {
    testing_support::ScriptedClientDirectory client;
    PeLmTestUrlSet(kTestUrl.c_str());
    PeLmCurrentDirectorySet(client.path().c_str());
    const std::string envelope = "<Response><Success>true</Success></Response>";
    const std::tuple<DWORD, std::string, BOOL> cases[] = {
        {200, "true", TRUE},   {302, "True", TRUE},  {200, "true\r\n", TRUE}, {399, "TRUE", TRUE},
        {199, "true", FALSE},  {500, "true", FALSE}, {200, " true", FALSE},   {200, "true ", FALSE},
        {200, "false", FALSE}, {200, "", FALSE},     {200, envelope, FALSE}};
    for (const auto& [status, body, alive] : cases) {
        client.Answer(status, body);
        EXPECT_EQ(alive, PeLmIsServerAlive()) << status << " [" << body << "]";
    }
    for (DWORD status : {200, 407}) {  // no answer; a proxy demand
        client.AnswerNothing(status);
        EXPECT_FALSE(PeLmIsServerAlive()) << status;
    }
    client.Answer(200, "true");
    testing_support::HostLogFile log(PeLmLogFileSet);
    ASSERT_TRUE(PeLmIsServerAlive());
    EXPECT_EQ("url:" + kTestUrl + "\nquery:\nshowproxydlg:false\n", client.LastRequest());
    client.RemoveClient();
    EXPECT_FALSE(PeLmIsServerAlive());
    // The target; without a client the exchange's own reason with its code 7.
    const std::vector<std::string> texts = log.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "接続先：\t" + kTestUrl), texts.end());
    EXPECT_EQ(
        "4|1|例外により処理を中断しました：サーバーの内部でエラーが起こりました。"
        "しばらくしてから接続してください。(7)",
        log.Entries().back());
    PeLmCurrentDirectorySet(nullptr);
}

}  // namespace
