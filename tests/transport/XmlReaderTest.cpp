// Judging answers through the platform's XML parser, and the selection of CXmlDom.
#include <gtest/gtest.h>
#include <objbase.h>

#include <thread>

#include "transport/ResponseEnvelope.h"

namespace {

std::string Envelope(const std::string& inner) {
    return "<Response>" + inner + "</Response>";
}

// "accepted", or "refused:" and the refusal's message.
std::string Verdict(const std::string& answer) {
    const transport::ResponseVerdict verdict = transport::JudgeResponse(answer);
    return verdict.accepted ? "accepted" : "refused:" + verdict.errorMessage;
}

// The message in the system code page whatever the declared encoding; the first match counts.
TEST(ResponseJudging, EachAnswerGetsItsVerdictAndMessage) {
    const std::string message = "会社IDかパスワードが違います";
    const std::string refusal =
        Envelope("<Success>false</Success><Error><Message>" + message + "</Message></Error>");
    const std::pair<std::string, std::string> cases[] = {
        {Envelope("<Success>true</Success>"), "accepted"},
        {Envelope("<Success>True</Success><Success>false</Success>"), "accepted"},
        {refusal, "refused:" + message},
        {"<?xml version=\"1.0\" encoding=\"Shift_JIS\" standalone=\"yes\"?>\r\n" + refusal + "\r\n",
         "refused:" + message},
        {"<?xml version='1.0' encoding='UTF-8'?>" + refusal, "refused:" + message},
        {Envelope("<Success>false</Success><Success>true</Success><Error><Message>first</Message>"
                  "</Error><Error><Message>second</Message></Error>"),
         "refused:first"},
    };
    for (const auto& [answer, verdict] : cases) EXPECT_EQ(verdict, Verdict(answer)) << answer;
    for (const std::string& answer :
         {Envelope("<Success>true.</Success>"), Envelope("<Success>ttrue</Success>"),
          Envelope("<Success>1</Success>"), Envelope("<Success/>"), std::string(),
          std::string("true"), std::string("<Response>"),
          std::string("<Other><Success>true</Success></Other>")})
        EXPECT_EQ("refused:", Verdict(answer)) << answer;
}

TEST(ResponseJudging, LeavesTheThreadsComStateAsItFoundIt) {
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

// A relative expression starts from the indexed node; what is out of range or malformed is empty.
TEST(Selection, MovesWithEachExpression) {
    transport::CXmlDom dom(
        Envelope("<Item id='a'>one<Sub>x</Sub></Item><Item id='b'>two<Sub>y</Sub></Item>"));
    ASSERT_EQ(2, dom.Select("/Response/Item", 0));
    EXPECT_EQ("twoy|y", dom.GetText("", 1, 0) + "|" + dom.GetText("Sub", 1, 0));
    EXPECT_EQ("", dom.GetText("", 2, 0) + dom.GetText("", -1, 0) + dom.GetText("Sub", 1, 1) +
                      dom.GetText("Sub", 2, 0));
    ASSERT_EQ(1, dom.Select("Sub", 1));
    EXPECT_EQ("y", dom.GetText("", 0, 0));
    EXPECT_EQ(0, dom.Select("/Response/Item[", 0));  // rejected by the parser: finds nothing
    EXPECT_FALSE(dom.LoadXml("<B>"));
}

}  // namespace
