// The answer reader over the platform's XML parser: how an answer is judged, and how the
// current selection of CXmlDom moves.
#include <gtest/gtest.h>
#include <objbase.h>

#include <thread>

#include "transport/ResponseEnvelope.h"
#include "transport/XmlDom.h"

using transport::CXmlDom;
using transport::JudgeResponse;

namespace {
std::string Envelope(const std::string& inner) {
    return "<Response>" + inner + "</Response>";
}
std::string WithSuccess(const std::string& text) {
    return Envelope("<Success>" + text + "</Success>");
}
}  // namespace

// "true" in any case is accepted and nothing else is (white space around the text is the
// parser's business: MSXML trims it); a refusal carries the service's message in the system
// code page, whatever encoding the answer declared; only the first of two matches counts.
TEST(ResponseJudging, EachAnswerGetsItsVerdictAndMessage) {
    const std::string refusal =
        "<Success>false</Success><Error><Message>会社IDかパスワードが違います</Message></Error>";
    for (const char* text : {"true", "True", "TRUE"})
        EXPECT_TRUE(JudgeResponse(WithSuccess(text)).accepted) << text;
    for (const std::string& answer :
         {WithSuccess("true."), WithSuccess("ttrue"), WithSuccess("yes"), WithSuccess("1"),
          WithSuccess(""), Envelope("<Success/>"), Envelope("<Error/>"), std::string(),
          std::string("true"), std::string("<Response>"),
          std::string("<Other><Success>true</Success></Other>")}) {
        EXPECT_FALSE(JudgeResponse(answer).accepted) << answer;
        EXPECT_EQ("", JudgeResponse(answer).errorMessage) << answer;
    }
    struct Case {
        std::string answer;
        bool accepted;
        std::string message;
    };
    const Case cases[] = {
        {Envelope(refusal), false, "会社IDかパスワードが違います"},
        {"<?xml version=\"1.0\" encoding=\"Shift_JIS\" standalone=\"yes\"?>\r\n" +
             Envelope(refusal) + "\r\n",
         false, "会社IDかパスワードが違います"},
        {"<?xml version='1.0' encoding='UTF-8'?>" + Envelope(refusal), false,
         "会社IDかパスワードが違います"},
        {Envelope("<Success>true</Success><Success>false</Success>"), true, ""},
        {Envelope("<Success>false</Success><Success>true</Success><Error><Message>first</Message>"
                  "</Error><Error><Message>second</Message></Error>"),
         false, "first"},
    };
    for (const Case& c : cases) {
        auto verdict = JudgeResponse(c.answer);
        EXPECT_EQ(c.accepted, verdict.accepted) << c.answer;
        EXPECT_EQ(c.message, verdict.errorMessage) << c.answer;
    }
    // The source is compiled to CP932 bytes, as the answer's text is when it reaches the reader.
    EXPECT_EQ("\x89\xEF\x8E\xD0", JudgeResponse(Envelope(refusal)).errorMessage.substr(0, 4));
}

TEST(ResponseJudging, LeavesTheThreadsComStateAsItFoundIt) {
    std::thread([] {
        // A host thread already in the multi-threaded apartment is used as it is...
        ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        EXPECT_TRUE(JudgeResponse(WithSuccess("true")).accepted);
        // ...and is still in it afterwards: joining it again only counts up.
        EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        CoUninitialize();
        CoUninitialize();
    }).join();
    // A host may call a login flow from any thread: the reader brings COM up for itself.
    std::thread([] {
        EXPECT_TRUE(JudgeResponse(WithSuccess("true")).accepted);
        // Balanced: nothing is left initialised on a thread that had no COM before.
        EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        CoUninitialize();
    }).join();
}

class Selection : public ::testing::Test {
protected:
    CXmlDom dom{Envelope("<Item id='a'>one<Sub>x</Sub></Item><Item id='b'>two<Sub>y</Sub></Item>")};
};

TEST_F(Selection, IndexOutsideTheSelectionGivesEmptyText) {
    ASSERT_EQ(2, dom.Select("/Response/Item", 0));
    EXPECT_EQ("twoy", dom.GetText("", 1, 0));
    EXPECT_EQ("", dom.GetText("", 5, 0));
    EXPECT_EQ("", dom.GetText("", -1, 0));
    EXPECT_EQ("y", dom.GetText("Sub", 1, 0));
    EXPECT_EQ("", dom.GetText("Sub", 1, 1));
    EXPECT_EQ("b", dom.GetItem(1).GetAttribute("id"));
    EXPECT_EQ("", dom.GetItem(1).GetAttribute("missing"));
}

// A relative expression starts from the indexed node, an absolute one ignores the selection;
// an empty selection stays empty and a relative one then starts from the DOM.
TEST_F(Selection, ExpressionsStartWhereTheyShould) {
    ASSERT_EQ(2, dom.Select("/Response/Item/Sub", 0));
    ASSERT_EQ(2, dom.Select("/Response/Item", 1));
    ASSERT_EQ(1, dom.Select("Sub", 1));
    EXPECT_EQ("y", dom.GetText("", 0, 0));
    EXPECT_EQ(0, dom.Select("/Response/Nothing", 0));
    EXPECT_EQ("", dom.GetText("", 0, 0));  // the earlier nodes are gone
    EXPECT_EQ(1, dom.Select("Response", 0));
    EXPECT_EQ(0, dom.Select("/Response/Item[", 0));  // rejected by the parser: finds nothing
}

TEST_F(Selection, SelectionCanBeTakenAndPutBack) {
    ASSERT_EQ(2, dom.Select("/Response/Item", 0));
    transport::CXmlNodeList items = dom.GetList();
    dom.Select("/Response/Nothing", 0);
    dom.SetList(items);
    EXPECT_EQ("onex", dom.GetText("", 0, 0));
    EXPECT_EQ(9, dom.GetDocument().GetNodeType());
    EXPECT_EQ(1, dom.GetItem(0).GetNodeType());
}

TEST(XmlNodes, EmptyWrappersAnswerEmpty) {
    transport::CXmlNode node;
    EXPECT_FALSE(node.IsValid());
    EXPECT_EQ(0, node.GetNodeType());
    EXPECT_EQ("", node.GetText());
    EXPECT_EQ("", node.GetAttribute("id"));
    EXPECT_FALSE(node.SelectSingleNode("/x").IsValid());
    EXPECT_EQ(0, node.SelectNodes("/x").GetLength());
    EXPECT_FALSE(transport::CXmlNodeList().GetItem(0).IsValid());
}

TEST(XmlNodes, CopiesNameTheSameNode) {
    CXmlDom dom(Envelope("<A>1</A>"));
    transport::CXmlNode first = dom.GetDocument().SelectSingleNode("/Response/A");
    transport::CXmlNode copy = first;
    copy = copy;
    first = transport::CXmlNode();
    EXPECT_EQ("1", copy.GetText());
    EXPECT_TRUE(dom.LoadXml("<B>2</B>"));
    EXPECT_FALSE(dom.LoadXml("<B>"));
}
