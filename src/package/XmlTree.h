#pragma once

// The small part of XML a firmware package's metainfo file needs: elements,
// attributes, text, the five predefined entities and character references
// (&#233; &#xE9;, any character XML allows; the text holds it as UTF-8);
// declarations, comments and processing instructions are skipped. Anything else (a DTD, CDATA, a
// tag left open) makes the document invalid: a package is refused rather
// than half understood.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rf {

struct XmlElement {
    std::string strName;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string strText;  // the element's own text, trimmed
    std::vector<std::unique_ptr<XmlElement>> children;

    // The attribute's value, or null.
    const std::string* Attribute(std::string_view name) const;
    // The first child of that name, or null.
    const XmlElement* Child(std::string_view name) const;
    std::vector<const XmlElement*> Children(std::string_view name) const;
};

// The root element, or null when the text is not a document this reader
// understands.
std::unique_ptr<XmlElement> ParseXml(std::string_view text);

// Text with &, <, > and " written as entities.
std::string XmlEscape(std::string_view text);

}  // namespace rf
