// The answer reader over the platform's XML parser: how an answer is judged, and how the
// current selection of CXmlDom moves.
#include <gtest/gtest.h>
#include <objbase.h>

#include <thread>

#include "transport/ResponseEnvelope.h"
#include "transport/TextConvert.h"
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

TEST(ResponseJudging, TrueInAnyCaseIsAcceptedAndNothingElseIs) {
    for (const char* accepted : {"true", "True", "TRUE"}) {
        auto verdict = JudgeResponse(WithSuccess(accepted));
        EXPECT_TRUE(verdict.accepted) << accepted;
        EXPECT_EQ("", verdict.errorMessage);
    }
    // White space around the text is the parser's business (MSXML trims it); anything more is
    // a different word.
    for (const char* refused : {"true.", "ttrue", "false", "yes", "1", ""})
        EXPECT_FALSE(JudgeResponse(WithSuccess(refused)).accepted) << "[" << refused << "]";
    EXPECT_FALSE(JudgeResponse(Envelope("<Success/>")).accepted);
}

TEST(ResponseJudging, RefusalCarriesTheServicesMessage) {
    auto verdict = JudgeResponse(
        Envelope("<Success>false</Success><Error><Message>bad password</Message></Error>"));
    EXPECT_FALSE(verdict.accepted);
    EXPECT_EQ("bad password", verdict.errorMessage);
}

TEST(ResponseJudging, MissingSuccessEmptyAnswerAndNotXmlAreRefusedWithoutMessage) {
    for (const std::string& answer :
         {Envelope("<Error/>"), std::string(), std::string("true"), std::string("<Response>"),
          std::string("<Other><Success>true</Success></Other>")}) {
        auto verdict = JudgeResponse(answer);
        EXPECT_FALSE(verdict.accepted) << answer;
        EXPECT_EQ("", verdict.errorMessage) << answer;
    }
}

TEST(ResponseJudging, OnlyTheFirstOfTwoMatchesCounts) {
    EXPECT_TRUE(
        JudgeResponse(Envelope("<Success>true</Success><Success>false</Success>")).accepted);
    auto verdict = JudgeResponse(Envelope(
        "<Success>false</Success><Success>true</Success>"
        "<Error><Message>first</Message></Error><Error><Message>second</Message></Error>"));
    EXPECT_FALSE(verdict.accepted);
    EXPECT_EQ("first", verdict.errorMessage);
}

TEST(ResponseJudging, JapaneseMessageArrivesInTheSystemCodePage) {
    // The source is compiled to CP932 bytes, as the answer's text is when it reaches the reader.
    const std::string message = "会社IDかパスワードが違います";
    auto verdict = JudgeResponse(
        Envelope("<Success>false</Success><Error><Message>" + message + "</Message></Error>"));
    EXPECT_EQ(message, verdict.errorMessage);
    EXPECT_EQ("\x89\xEF\x8E\xD0", verdict.errorMessage.substr(0, 4));
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

TEST(ResponseJudging, DeclaredEncodingDoesNotMatterOnceTheTextIsRead) {
    // The service declares Shift_JIS; the text reaches the parser already decoded.
    for (const char* declaration :
         {"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>",
          "<?xml version='1.0' encoding='UTF-8'?>",
          "<?xml version=\"1.0\" encoding=\"Shift_JIS\" standalone=\"yes\"?>",
          "<?xml version=\"1.0\"?>"}) {
        auto verdict = JudgeResponse(std::string(declaration) +
                                     "\r\n<Response><Success>false</Success><Error><Message>"
                                     "会社</Message></Error></Response>\r\n");
        EXPECT_EQ("会社", verdict.errorMessage) << declaration;
    }
}

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

TEST_F(Selection, RelativeExpressionStartsFromTheIndexedNode) {
    ASSERT_EQ(2, dom.Select("/Response/Item", 0));
    ASSERT_EQ(1, dom.Select("Sub", 1));
    EXPECT_EQ("y", dom.GetText("", 0, 0));
}

TEST_F(Selection, EmptySelectionStaysEmptyAndRelativeThenStartsFromTheDocument) {
    ASSERT_EQ(2, dom.Select("/Response/Item", 0));
    EXPECT_EQ(0, dom.Select("/Response/Nothing", 0));
    EXPECT_EQ("", dom.GetText("", 0, 0));  // the earlier nodes are gone
    EXPECT_EQ(1, dom.Select("Response", 0));
    EXPECT_EQ(0, dom.Select("/Response/Item[", 0));  // rejected by the parser: finds nothing
}

TEST_F(Selection, AbsoluteExpressionIgnoresThePreviousSelection) {
    ASSERT_EQ(2, dom.Select("/Response/Item/Sub", 0));
    EXPECT_EQ(2, dom.Select("/Response/Item", 1));
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

TEST(TextConversion, ConvertToUtf8) {
    EXPECT_EQ("", transport::ConvertToUtf8(""));
    EXPECT_EQ("abc", transport::ConvertToUtf8("abc"));
    EXPECT_EQ(
        "\xE4\xBC\x9A\xE7\xA4\xBE"
        "ID",
        transport::ConvertToUtf8("会社ID"));
}
