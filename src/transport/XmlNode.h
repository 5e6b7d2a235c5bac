// Wrappers over the parser's nodes and node lists. Callers pass and receive text in the system
// code page and never touch COM. An empty wrapper is not an error: every query on it gives an
// empty result. Copies are cheap and name the same DOM object. Each wrapper keeps COM
// initialised on its thread while it lives, so a wrapper is used on the thread that made it.
#pragma once

#include <windows.h>
#include <msxml2.h>

#include <string>

#include "win32/ComPtr.h"
#include "win32/ComScope.h"

namespace transport {

class CXmlNodeList;

class CXmlNode {
public:
    CXmlNode() = default;
    explicit CXmlNode(win32::ComPtr<IXMLDOMNode> node) : node_(std::move(node)) {}
    CXmlNode(const CXmlNode&) = default;
    CXmlNode& operator=(const CXmlNode&) = default;
    virtual ~CXmlNode() = default;

    // Holds a node of the type this wrapper stands for.
    virtual bool IsValidType() const;
    bool IsValid() const;

    // The DOM's node type number (1 element ... 9 document ... 12 notation); 0 when empty.
    int GetNodeType() const;
    // Text of the node and its descendants; "" when not valid.
    std::string GetText() const;
    // An element's attribute; "" when not valid or absent. Throws CHResultException(E_POINTER)
    // for a valid node that is not an element.
    std::string GetAttribute(const std::string& name) const;

    // XPath 1.0 evaluated with this node as the context.
    CXmlNode SelectSingleNode(const std::string& xpath) const;
    CXmlNodeList SelectNodes(const std::string& xpath) const;

protected:
    const win32::ComPtr<IXMLDOMNode>& Node() const { return node_; }
    void SetNode(win32::ComPtr<IXMLDOMNode> node) { node_ = std::move(node); }

private:
    win32::ComScope apartment_;  // declared first: outlives the pointer below
    win32::ComPtr<IXMLDOMNode> node_;
};

class CXmlNodeList {
public:
    CXmlNodeList() = default;
    explicit CXmlNodeList(win32::ComPtr<IXMLDOMNodeList> list) : list_(std::move(list)) {}
    CXmlNodeList(const CXmlNodeList&) = default;
    CXmlNodeList& operator=(const CXmlNodeList&) = default;
    virtual ~CXmlNodeList() = default;

    bool IsValid() const;
    long GetLength() const;
    // The node at a zero-based index; empty outside the list.
    CXmlNode GetItem(long index) const;

private:
    win32::ComScope apartment_;
    win32::ComPtr<IXMLDOMNodeList> list_;
};

// Whether `object` is a live COM object: false for none or E_NOINTERFACE; any other failure of
// the query is raised as CHResultException.
bool IsComObjectPresent(IUnknown* object);

}  // namespace transport
