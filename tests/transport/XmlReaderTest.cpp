// The answer reader over the platform's XML parser: how an answer is judged, and how the
// current selection of CXmlDom moves.
#include <gtest/gtest.h>
#include <objbase.h>

#include <thread>

#include "transport/ResponseEnvelope.h"

using transport::CXmlDom;
using transport::JudgeResponse;

namespace {

std::string Envelope(const std::string& inner) {
    return "<Response>" + inner + "</Response>";
}
std::string WithSuccess(const std::string& text) {
    return Envelope("<Success>" + text + "</Success>");
}

// "true" in any case is accepted and nothing else is (MSXML trims white space around the text);
// a refusal carries the service's message in the system code page, whatever encoding the
// answer declared; only the first of two matches counts.
TEST(ResponseJudging, EachAnswerGetsItsVerdictAndMessage) {
    for (const std::string& answer : {WithSuccess("true"), WithSuccess("True"),
                                      Envelope("<Success>true</Success><Success>false</Success>")})
        EXPECT_TRUE(JudgeResponse(answer).accepted) << answer;
    for (const std::string& answer :
         {WithSuccess("true."), WithSuccess("ttrue"), WithSuccess("1"), Envelope("<Success/>"),
          std::string(), std::string("true"), std::string("<Response>"),
          std::string("<Other><Success>true</Success></Other>")}) {
        EXPECT_FALSE(JudgeResponse(answer).accepted) << answer;
        EXPECT_EQ("", JudgeResponse(answer).errorMessage) << answer;
    }
    const std::string message = "会社IDかパスワードが違います";
    const std::string refusal =
        Envelope("<Success>false</Success><Error><Message>" + message + "</Message></Error>");
    const std::pair<std::string, std::string> refused[] = {
        {refusal, message},
        {"<?xml version=\"1.0\" encoding=\"Shift_JIS\" standalone=\"yes\"?>\r\n" + refusal + "\r\n",
         message},
        {"<?xml version='1.0' encoding='UTF-8'?>" + refusal, message},
        {Envelope("<Success>false</Success><Success>true</Success><Error><Message>first</Message>"
                  "</Error><Error><Message>second</Message></Error>"),
         "first"},
    };
    for (const auto& [answer, expected] : refused) {
        EXPECT_FALSE(JudgeResponse(answer).accepted) << answer;
        EXPECT_EQ(expected, JudgeResponse(answer).errorMessage) << answer;
    }
}

// A host thread already in the multi-threaded apartment is used as it is and stays in it; on a
// thread without COM the reader brings it up for itself and takes it down again.
TEST(ResponseJudging, LeavesTheThreadsComStateAsItFoundIt) {
    std::thread([] {
        ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        EXPECT_TRUE(JudgeResponse(WithSuccess("true")).accepted);
        EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        CoUninitialize();
        CoUninitialize();
    }).join();
    std::thread([] {
        EXPECT_TRUE(JudgeResponse(WithSuccess("true")).accepted);
        EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        CoUninitialize();
    }).join();
}

// A relative expression starts from the indexed node of the selection, or from the DOM when
// there is no such node; a node outside the selection reads as "".
TEST(Selection, MovesWithEachExpressionAndCanBePutBack) {
    CXmlDom dom(Envelope("<Item id='a'>one<Sub>x</Sub></Item><Item id='b'>two<Sub>y</Sub></Item>"));
    ASSERT_EQ(2, dom.Select("/Response/Item", 0));
    EXPECT_EQ("twoy", dom.GetText("", 1, 0));
    EXPECT_EQ("y", dom.GetText("Sub", 1, 0));
    EXPECT_EQ("b", dom.GetItem(1).GetAttribute("id"));
    EXPECT_EQ("", dom.GetText("", 2, 0) + dom.GetText("", -1, 0) + dom.GetText("Sub", 1, 1) +
                      dom.GetText("Sub", 2, 0) + dom.GetItem(1).GetAttribute("missing") +
                      dom.GetItem(2).GetAttribute("id"));
    const transport::CXmlNodeList items = dom.GetList();
    ASSERT_EQ(1, dom.Select("Sub", 1));
    EXPECT_EQ("y", dom.GetText("", 0, 0));
    EXPECT_EQ(0, dom.Select("/Response/Nothing", 0));
    EXPECT_EQ("", dom.GetText("", 0, 0));
    EXPECT_EQ(1, dom.Select("Response", 0));
    EXPECT_EQ(0, dom.Select("/Response/Item[", 0));  // rejected by the parser: finds nothing
    dom.SetList(items);
    EXPECT_EQ("onex", dom.GetText("", 0, 0));
    EXPECT_EQ(9, dom.GetDocument().GetNodeType());
    EXPECT_EQ(1, dom.GetItem(0).GetNodeType());
    EXPECT_EQ(0, dom.GetItem(2).GetNodeType());
    EXPECT_FALSE(dom.LoadXml("<B>"));
}

}  // namespace
