// PeLmIsServerAlive through the scripted client: FALSE, never an exception, when unreachable.
#include <gtest/gtest.h>

#include <tuple>

#include "fakeclient/ScriptedClient.h"
#include "pelmora.h"

namespace {

const std::string kTestUrl = "https://127.0.0.1:9/Pelmora/Pelmora/CheckSqlServerRunning";

TEST(ServiceTest, OnlyTheWordTrueWithASuccessStatusIsAlive) {
    testing_support::ScriptedClientDirectory client(PeLmCurrentDirectorySet);
    PeLmTestUrlSet(kTestUrl.c_str());
    const char* const envelope = "<Response><Success>true</Success></Response>";
    // With no body the client answers nothing (407: a proxy demand).
    const std::tuple<DWORD, const char*, BOOL> cases[] = {
        {200, "true", TRUE},   {302, "True", TRUE},  {200, "true\r\n", TRUE}, {399, "TRUE", TRUE},
        {199, "true", FALSE},  {500, "true", FALSE}, {200, " true", FALSE},   {200, "true ", FALSE},
        {200, "false", FALSE}, {200, "", FALSE},     {200, envelope, FALSE},  {200, nullptr, FALSE},
        {407, nullptr, FALSE}};
    for (const auto& [status, body, alive] : cases) {
        body ? client.Answer(status, body) : client.AnswerNothing(status);
        EXPECT_EQ(alive, PeLmIsServerAlive()) << status << " [" << (body ? body : "none") << "]";
    }
    EXPECT_EQ("url:" + kTestUrl + "\nquery:\nshowproxydlg:false\n", client.LastRequest());
}

}  // namespace
