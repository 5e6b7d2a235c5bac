// One parsed answer and a current selection over it: the reading pattern of the service
// requests is Select with an absolute location, then GetText of the first match.
#pragma once

#include <string>

#include "transport/XmlDocument.h"

namespace transport {

class CXmlDom {
public:
    CXmlDom() = default;
    // Loads `xml`; a text that is not XML leaves a DOM in which every query finds nothing.
    explicit CXmlDom(const std::string& xml);
    virtual ~CXmlDom() = default;
    CXmlDom(const CXmlDom&) = delete;
    CXmlDom& operator=(const CXmlDom&) = delete;

    bool LoadXml(const char* text) { return document_.LoadXml(text); }

    // Evaluates `xpath` from node `index` of the current selection (from the DOM when
    // that node does not exist); the result becomes the selection. Returns its length.
    long Select(const std::string& xpath, int index);

    // Text of node `index` of the selection, or, with a sub-path, of node `subIndex` of what
    // the sub-path selects from there. "" when a node is missing. The selection stays.
    std::string GetText(const std::string& subPath, int index, int subIndex) const;

    CXmlNode GetItem(int index) const { return selection_.GetItem(index); }
    CXmlNodeList GetList() const { return selection_; }
    void SetList(CXmlNodeList list) { selection_ = std::move(list); }
    CXmlDocument GetDocument() const { return document_; }

private:
    CXmlDocument document_;
    CXmlNodeList selection_;  // destroyed before the DOM
};

}  // namespace transport
