#include "transport/XmlDom.h"

namespace transport {

CXmlDom::CXmlDom(const std::string& xml) {
    LoadXml(xml.c_str());
}

long CXmlDom::Select(const std::string& xpath, int index) {
    CXmlNode context = selection_.GetItem(index);
    if (!context.IsValid()) context = document_;
    selection_ = context.SelectNodes(xpath);
    return selection_.GetLength();
}

std::string CXmlDom::GetText(const std::string& subPath, int index, int subIndex) const {
    CXmlNode node = selection_.GetItem(index);
    if (subPath.empty()) return node.GetText();
    return node.SelectNodes(subPath).GetItem(subIndex).GetText();
}

}  // namespace transport
