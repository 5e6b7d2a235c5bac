// Judging the service's answers through the platform's XML parser.
#include <gtest/gtest.h>
#include <objbase.h>

#include <thread>

#include "support/TestSupport.h"
#include "transport/AnswerJudge.h"

namespace {

std::string Envelope(const std::string& inner) {
    return "<Response>" + inner + "</Response>";
}

// "accepted", or "refused:" and the refusal's message.
std::string Verdict(const std::string& answer) {
    const transport::AnswerVerdict verdict = transport::JudgeAnswer(answer);
    return verdict.accepted ? "accepted" : "refused:" + verdict.errorMessage;
}

// The message comes in the system code page whatever encoding the answer declares; the first
// match counts. An answer never defines its own words, nor makes the parser read another file.
TEST(AnswerJudging, EachAnswerGetsItsVerdictAndMessage) {
    testing_support::TempDirectory directory;
    ASSERT_TRUE(testing_support::WriteFileBytes(directory.File("t.dtd"), "<!ENTITY t 'true'>"));
    ASSERT_TRUE(testing_support::WriteFileBytes(directory.File("t.txt"), "true"));
    const std::string refusal =
        Envelope("<Success>false</Success><Error><Message>違います</Message></Error>");
    const std::pair<std::string, std::string> cases[] = {
        {Envelope("<Success>true</Success>"), "accepted"},
        {Envelope("<Success>TRUE</Success><Success>false</Success>"), "accepted"},
        {Envelope("<Success>false</Success><Success>true</Success><Error><Message>first</Message>"
                  "</Error><Error><Message>second</Message></Error>"),
         "refused:first"},
        {refusal, "refused:違います"},
        {"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n" + refusal, "refused:違います"},
        {"<?xml version='1.0' encoding='UTF-8'?>" + refusal, "refused:違います"},
        {"<!DOCTYPE Response [<!ENTITY t 'true'>]>" + Envelope("<Success>&t;</Success>"),
         "refused:"},
        {"<!DOCTYPE Response SYSTEM '" + directory.File("t.dtd") + "'>" +
             Envelope("<Success>&t;</Success>"),
         "refused:"},
        {"<!DOCTYPE Response [<!ENTITY t SYSTEM '" + directory.File("t.txt") + "'>]>" +
             Envelope("<Success>&t;</Success>"),
         "refused:"},
        {Envelope("<Success>true.</Success>"), "refused:"},
        {Envelope("<Success> true</Success>"), "refused:"},
        {Envelope("<Success>true </Success>"), "refused:"},
        {Envelope("<Success>1</Success>"), "refused:"},
        {Envelope("<Success/>"), "refused:"},
        {"<Other><Success>true</Success></Other>", "refused:"},
        {"true", "refused:"},
        {"<Response>", "refused:"},
        {"", "refused:"},
    };
    for (const auto& [answer, verdict] : cases) EXPECT_EQ(verdict, Verdict(answer)) << answer;
}

TEST(AnswerJudging, LeavesTheThreadsComStateAsItFoundIt) {
    std::thread([] {
        ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        EXPECT_EQ("accepted", Verdict(Envelope("<Success>true</Success>")));
        EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        CoUninitialize();
        CoUninitialize();
    }).join();
    std::thread([] {
        EXPECT_EQ("accepted", Verdict(Envelope("<Success>true</Success>")));
        EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        CoUninitialize();
    }).join();
}

}  // namespace
