#include "transport/AnswerJudge.h"

#include <windows.h>
#include <msxml2.h>

#include "frame/host/CorePlatformCalls.h"
#include "win32/Bstr.h"
#include "win32/ComPtr.h"
#include "win32/ComScope.h"
#include "win32/Strings.h"

namespace transport {
namespace {

// MinGW ships the MSXML interfaces but neither the MSXML 6 class nor this interface's id.
// DOMDocument60 is the parser that evaluates XPath 1.0.
constexpr CLSID kClsidDomDocument60 = {
    0x88D96A05, 0xF192, 0x11D4, {0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5}};
constexpr IID kIidXmlDomDocument2 = {
    0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

void SetProperty(IXMLDOMDocument2* document, const wchar_t* name, VARIANT value) {
    document->setProperty(win32::Bstr(name).get(), value);
}

// XPath 1.0 rather than the parser's older pattern language; an answer never makes the parser
// read a document type, let alone fetch one; texts are read as sent, the white space around them
// included (the parser would trim it, and " true" is not "true").
win32::ComPtr<IXMLDOMDocument2> CreateParser() {
    win32::ComPtr<IXMLDOMDocument2> document;
    if (FAILED(frame::CorePlatform().coCreateInstance(
            kClsidDomDocument60, nullptr, CLSCTX_INPROC_SERVER, kIidXmlDomDocument2,
            reinterpret_cast<void**>(document.addressof()))))
        return document;
    win32::Bstr xpath(L"XPath");
    VARIANT language{};
    language.vt = VT_BSTR;
    language.bstrVal = xpath.get();
    SetProperty(document.get(), L"SelectionLanguage", language);
    VARIANT prohibit{};
    prohibit.vt = VT_BOOL;
    prohibit.boolVal = VARIANT_TRUE;
    SetProperty(document.get(), L"ProhibitDTD", prohibit);
    document->put_resolveExternals(VARIANT_FALSE);
    document->put_validateOnParse(VARIANT_FALSE);
    document->put_async(VARIANT_FALSE);
    document->put_preserveWhiteSpace(VARIANT_TRUE);
    return document;
}

// The text reaches the parser already decoded (UTF-16), so an encoding named in its XML
// declaration no longer describes it. Some parsers refuse such a declaration outright
// (encoding="Shift_JIS" in a string), so it is taken out and every parser reads the same text.
std::wstring WithoutDeclaredEncoding(std::wstring text) {
    if (text.compare(0, 5, L"<?xml") != 0) return text;
    size_t end = text.find(L"?>");
    size_t name = text.find(L"encoding", 5);
    if (end == std::wstring::npos || name == std::wstring::npos || name > end) return text;
    size_t open = text.find_first_of(L"\"'", name);
    if (open == std::wstring::npos || open > end) return text;
    size_t close = text.find(text[open], open + 1);
    if (close == std::wstring::npos || close > end) return text;
    text.erase(name, close + 1 - name);
    return text;
}

bool Load(IXMLDOMDocument2* document, const std::string& answerText) {
    win32::Bstr text(WithoutDeclaredEncoding(win32::ToWide(answerText, CP_THREAD_ACP)));
    VARIANT_BOOL parsed = VARIANT_FALSE;
    if (document->loadXML(text.get(), &parsed) != S_OK || parsed != VARIANT_TRUE) return false;
    // A parser that reads a document type anyway (not every one honours ProhibitDTD) has let the
    // answer define what its words mean.
    win32::ComPtr<IXMLDOMDocumentType> type;
    return document->get_doctype(type.addressof()) != S_OK || !type;
}

// The text of the first node the path selects; "" when there is none.
std::string TextAt(IXMLDOMDocument2* document, const wchar_t* path) {
    win32::ComPtr<IXMLDOMNode> node;
    if (document->selectSingleNode(win32::Bstr(path).get(), node.addressof()) != S_OK || !node)
        return std::string();
    win32::Bstr text;
    node->get_text(text.addressof());
    return win32::ToNarrow(text.Text(), CP_THREAD_ACP);
}

}  // namespace

AnswerVerdict JudgeAnswer(const std::string& answerText) {
    const win32::ComScope apartment;  // outlives every pointer below
    AnswerVerdict verdict;
    const win32::ComPtr<IXMLDOMDocument2> document = CreateParser();
    if (!document || !Load(document.get(), answerText)) return verdict;
    verdict.accepted = win32::ToLowerAscii(TextAt(document.get(), L"/Response/Success")) == "true";
    if (!verdict.accepted)
        verdict.errorMessage = TextAt(document.get(), L"/Response/Error/Message");
    return verdict;
}

}  // namespace transport
