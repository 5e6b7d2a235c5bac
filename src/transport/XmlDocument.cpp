#include "transport/XmlDocument.h"

#include <ole2.h>

#include "transport/MsXml.h"
#include "win32/Bstr.h"
#include "win32/Exception.h"
#include "win32/PlatformCalls.h"
#include "win32/Strings.h"

namespace transport {
namespace {

win32::ComPtr<IXMLDOMDocument2> CreateParserDocument() {
    win32::ComPtr<IUnknown> object;
    win32::ComPtr<IXMLDOMDocument2> document;
    if (FAILED(win32::Platform().coCreateInstance(kClsidDomDocument60, nullptr, CLSCTX_ALL,
                                                  IID_IUnknown,
                                                  reinterpret_cast<void**>(object.addressof()))))
        return document;
    if (FAILED(OleRun(object.get()))) return document;
    object.As(kIidXmlDomDocument2, document);
    return document;
}

// Every expression of the library is XPath 1.0, not the parser's older pattern language.
void SelectXPath(IXMLDOMDocument2* document) {
    win32::Bstr name(std::wstring(L"SelectionLanguage"));
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(L"XPath");
    if (value.bstrVal == nullptr) throw win32::CHResultException(E_OUTOFMEMORY);
    document->setProperty(name.get(), value);
    VariantClear(&value);
}

// Queries with a failure other than "no such interface" are raised; that one leaves `out` empty.
template <typename From, typename To>
void QueryOrThrow(const win32::ComPtr<From>& from, const IID& iid, win32::ComPtr<To>& out) {
    HRESULT hr = from.As(iid, out);
    if (FAILED(hr) && hr != E_NOINTERFACE) throw win32::CHResultException(hr);
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

}  // namespace

CXmlDocument::CXmlDocument() {
    win32::ComPtr<IXMLDOMDocument2> document = CreateParserDocument();
    if (!document) return;
    SelectXPath(document.get());
    win32::ComPtr<IXMLDOMNode> node;
    QueryOrThrow(document, kIidXmlDomNode, node);
    SetNode(std::move(node));
}

bool CXmlDocument::IsValidType() const {
    return GetNodeType() == NODE_DOCUMENT;
}

bool CXmlDocument::LoadXml(const char* text) {
    if (!IsValid()) return false;
    win32::ComPtr<IXMLDOMDocument2> document;
    QueryOrThrow(Node(), kIidXmlDomDocument2, document);
    if (!document) throw win32::CHResultException(E_POINTER);
    document->put_async(VARIANT_FALSE);
    VARIANT_BOOL parsed = VARIANT_FALSE;
    win32::Bstr parserText(WithoutDeclaredEncoding(win32::ToWide(text ? text : "", CP_THREAD_ACP)));
    HRESULT hr = document->loadXML(parserText.get(), &parsed);
    return hr == S_OK && parsed == VARIANT_TRUE && IsValid();
}

}  // namespace transport
