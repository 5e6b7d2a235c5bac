// One parsed XML document of the platform's MSXML 6 parser, with XPath 1.0 selection.
#pragma once

#include "transport/XmlNode.h"

namespace transport {

class CXmlDocument : public CXmlNode {
public:
    // Creates an empty DOM. When the parser cannot be created the DOM stays empty:
    // loading then fails and every query finds nothing.
    CXmlDocument();

    bool IsValidType() const override;

    // Parses `text` (system code page) synchronously; true when it was well-formed XML.
    bool LoadXml(const char* text);
};

}  // namespace transport
