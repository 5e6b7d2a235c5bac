#include "transport/XmlNode.h"

#include "transport/MsXml.h"
#include "transport/TextConvert.h"
#include "win32/Exception.h"

namespace transport {
namespace {
constexpr int kLastNodeType = NODE_NOTATION;  // 12
}

bool IsComObjectPresent(IUnknown* object) {
    if (object == nullptr) return false;
    win32::ComPtr<IDispatch> dispatch;
    HRESULT hr =
        object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.addressof()));
    if (hr == E_NOINTERFACE) return false;
    if (FAILED(hr)) throw win32::CHResultException(hr);
    return true;
}

bool CXmlNode::IsValidType() const {
    return GetNodeType() != NODE_INVALID;
}

bool CXmlNode::IsValid() const {
    return IsComObjectPresent(node_.get()) && IsValidType();
}

int CXmlNode::GetNodeType() const {
    if (!node_) return NODE_INVALID;
    DOMNodeType type = NODE_INVALID;
    if (node_->get_nodeType(&type) != S_OK) return NODE_INVALID;
    return type > kLastNodeType ? kLastNodeType : static_cast<int>(type);
}

std::string CXmlNode::GetText() const {
    if (!IsValid()) return std::string();
    win32::Bstr text;
    node_->get_text(text.addressof());
    return FromParserText(text.Text());
}

std::string CXmlNode::GetAttribute(const std::string& name) const {
    if (!IsValid()) return std::string();
    win32::ComPtr<IXMLDOMElement> element;
    if (FAILED(node_.As(kIidXmlDomElement, element)) || !element)
        throw win32::CHResultException(E_POINTER);
    VARIANT value;
    VariantInit(&value);
    element->getAttribute(ToParserText(name).get(), &value);
    std::string result;
    if (value.vt == VT_BSTR && value.bstrVal != nullptr)
        result = FromParserText(std::wstring(value.bstrVal, SysStringLen(value.bstrVal)));
    VariantClear(&value);
    return result;
}

CXmlNode CXmlNode::SelectSingleNode(const std::string& xpath) const {
    if (!IsValid()) return CXmlNode();
    win32::ComPtr<IXMLDOMNode> found;
    // A rejected expression simply finds nothing.
    node_->selectSingleNode(ToParserText(xpath).get(), found.addressof());
    return CXmlNode(std::move(found));
}

CXmlNodeList CXmlNode::SelectNodes(const std::string& xpath) const {
    if (!IsValid()) return CXmlNodeList();
    win32::ComPtr<IXMLDOMNodeList> found;
    node_->selectNodes(ToParserText(xpath).get(), found.addressof());
    return CXmlNodeList(std::move(found));
}

bool CXmlNodeList::IsValid() const {
    return IsComObjectPresent(list_.get());
}

long CXmlNodeList::GetLength() const {
    if (!IsValid()) return 0;
    long length = 0;
    if (FAILED(list_->get_length(&length))) return 0;
    return length;
}

CXmlNode CXmlNodeList::GetItem(long index) const {
    if (index < 0 || index >= GetLength()) return CXmlNode();
    win32::ComPtr<IXMLDOMNode> item;
    list_->get_item(index, item.addressof());
    return CXmlNode(std::move(item));
}

}  // namespace transport
