// Judging the service's answers through the platform's XML parser.
#include <gtest/gtest.h>
#include <objbase.h>

#include "transport/AnswerJudge.h"

namespace {

std::string Envelope(const std::string& inner) {
    return "<Response>" + inner + "</Response>";
}

std::string Verdict(const std::string& answer) {
    const transport::AnswerVerdict verdict = transport::JudgeAnswer(answer);
    return verdict.accepted ? "accepted" : "refused:" + verdict.errorMessage;
}

// The message comes in the system code page whatever encoding the answer declares; the first
// match counts; texts are read as sent; an answer cannot define its own words.
TEST(AnswerJudging, EachAnswerGetsItsVerdictAndTheThreadsComStateStaysAsItWas) {
    const std::pair<std::string, std::string> cases[] = {
        {Envelope("<Success>true</Success>"), "accepted"},
        {Envelope("<Success>TRUE</Success><Success>false</Success>"), "accepted"},
        {"<?xml version='1.0' encoding='Shift_JIS'?>\r\n" +
             Envelope("<Success>false</Success><Success>true</Success><Error><Message>違います"
                      "</Message></Error><Error><Message>2</Message></Error>"),
         "refused:違います"}};
    for (const auto& [answer, verdict] : cases) EXPECT_EQ(verdict, Verdict(answer)) << answer;
    for (const std::string& answer :
         {"<!DOCTYPE Response [<!ENTITY t 'true'>]>" + Envelope("<Success>&t;</Success>"),
          Envelope("<Success> true</Success>"), Envelope("<Success>true </Success>"),
          Envelope("<Success>true.</Success>"), Envelope("<Success/>"),
          std::string("<Other><Success>true</Success></Other>"), std::string("true"),
          std::string()})
        EXPECT_EQ("refused:", Verdict(answer)) << answer;
    // This thread had no COM and has none now; a thread in a multi-threaded apartment stays in it.
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    EXPECT_EQ("accepted", Verdict(Envelope("<Success>true</Success>")));
    EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    CoUninitialize();
    CoUninitialize();
}

}  // namespace
