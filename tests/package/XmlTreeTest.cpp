#include <gtest/gtest.h>

#include <string>

#include "base/Text.h"
#include "package/XmlTree.h"

namespace rf {
namespace {

TEST(XmlTreeTest, AMetainfoDocumentGivesItsElementsAttributesAndText) {
    const auto root = ParseXml(
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!-- made by hand -->\n"
        "<component type=\"firmware\">\n"
        "  <id>com.example.a</id>\n"
        "  <releases>\n"
        "    <release version='0027' date = \"2013-11-12\">\n"
        "      <description><p>one</p><!-- between --><p>two &amp; three</p></description>\n"
        "    </release>\n"
        "    <release version=\"0026\"/>\n"
        "  </releases>\n"
        "</component>\n");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->strName, "component");
    ASSERT_NE(root->Attribute("type"), nullptr);
    EXPECT_EQ(*root->Attribute("type"), "firmware");
    EXPECT_EQ(root->Child("id")->strText, "com.example.a");
    const auto releases = root->Child("releases")->Children("release");
    ASSERT_EQ(releases.size(), 2u);
    EXPECT_EQ(*releases[0]->Attribute("date"), "2013-11-12");
    EXPECT_EQ(*releases[1]->Attribute("version"), "0026");
    const auto paragraphs = releases[0]->Child("description")->Children("p");
    ASSERT_EQ(paragraphs.size(), 2u);
    EXPECT_EQ(paragraphs[1]->strText, "two & three");
    EXPECT_EQ(root->Child("provides"), nullptr);
}

TEST(XmlTreeTest, CharacterReferencesBecomeTheirCharacters) {
    const auto root =
        ParseXml("<a name=\"caf&#233;\">&#x4E2D;&#25991; &#x1F600;&#10;&#xd;&#9;x &#x10FFFF;</a>");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(Utf8ToUtf16(*root->Attribute("name")), u"caf\u00E9");
    // Outside the basic plane the UTF-16 text holds a surrogate pair.
    EXPECT_EQ(Utf8ToUtf16(root->strText), u"\u4E2D\u6587 \xD83D\xDE00\n\r\tx \xDBFF\xDFFF");
}

TEST(XmlTreeTest, ReferencesToNoCharacterXmlAllowsAreRefused) {
    for (const char* pszReference :
         {"&#0;", "&#1;", "&#x1F;", "&#xD800;", "&#xDFFF;", "&#xFFFE;", "&#xFFFF;", "&#x110000;",
          "&#4294967329;", "&#99999999999999999999999;", "&#;", "&#x;", "&#12a;", "&#xG1;", "&#233",
          "&#-1;", "&# 65;", "&nbsp;", "&amp"}) {
        SCOPED_TRACE(pszReference);
        EXPECT_EQ(ParseXml(std::string("<a>") + pszReference + "</a>"), nullptr);
        EXPECT_EQ(ParseXml(std::string("<a b=\"") + pszReference + "\"/>"), nullptr);
    }
}

TEST(XmlTreeTest, WhatTheReaderDoesNotUnderstandIsRefusedWhole) {
    std::string deep;
    for (int i = 0; i < 40; ++i) {
        deep += "<d>";
    }
    for (int i = 0; i < 40; ++i) {
        deep += "</d>";
    }
    for (const std::string& text : {
             std::string("<!DOCTYPE a [<!ENTITY x \"y\">]><a>&x;</a>"),
             std::string("<a><![CDATA[x]]></a>"),
             std::string("<a><b></a>"),
             std::string("<a></b>"),
             std::string("<a>"),
             std::string("<a/><b/>"),
             std::string("<a/>text"),
             std::string("<a b=c/>"),
             std::string("<a b=\"c/>"),
             std::string("<a><!-- open</a>"),
             std::string("<a><?pi?></a>"),
             std::string(""),
             deep,
         }) {
        SCOPED_TRACE(text.substr(0, 40));
        EXPECT_EQ(ParseXml(text), nullptr);
    }
}

TEST(XmlTreeTest, EscapedTextReadsBackAsItWas) {
    const std::string text = "a<b>&\"c\" 'd' caf\xC3\xA9";
    const auto root = ParseXml("<e v=\"" + XmlEscape(text) + "\">" + XmlEscape(text) + "</e>");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(*root->Attribute("v"), text);
    EXPECT_EQ(root->strText, text);
}

}  // namespace
}  // namespace rf
