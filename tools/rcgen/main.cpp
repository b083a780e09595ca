// Writes the string tables and the dialog templates of the Windows program,
// in English and Japanese, as resource-compiler source. Run by the build:
//
//   reflasher-rcgen OUT.rc CAPTION
//
// CAPTION is the dialogs' caption in the template; the program replaces it
// with its title when a dialog opens.

#include <cstdio>
#include <fstream>
#include <string>

#include "DialogResource.h"
#include "ResourceText.h"
#include "base/Text.h"
#include "framework/Startup.h"
#include "text/StringTable.h"
#include "ui/DialogTemplates.h"

namespace {

std::string StringTableResource(rf::Language language) {
    std::string resource = "STRINGTABLE\nBEGIN\n";
    for (const rf::StringEntry& entry : rf::StringTable()) {
        const char16_t* pszText =
            language == rf::Language::Japanese ? entry.pszJapanese : entry.pszEnglish;
        resource +=
            "    " + std::to_string(entry.nId) + ", " + rf::rcgen::QuotedRcText(pszText) + "\n";
    }
    return resource + "END\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: reflasher-rcgen OUT.rc CAPTION\n");
        return 2;
    }
    const std::u16string caption = rf::Utf8ToUtf16(argv[2]);
    std::string rc =
        "// Made by reflasher-rcgen from the program's string table and dialog templates.\n"
        "#pragma code_page(65001)\n"
        "#include <windows.h>\n";
    for (const rf::Language language : {rf::Language::English, rf::Language::Japanese}) {
        rc += '\n';
        rc += rf::rcgen::LanguageStatement(language == rf::Language::Japanese);
        rc += StringTableResource(language);
        for (const rf::UINT nId : {rf::IDD_MAIN_DIALOG, rf::IDD_USER_DIALOG}) {
            rc += '\n';
            rc += rf::rcgen::DialogResource(*rf::FindDialogTemplate(nId), language, caption);
        }
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << rc;
    out.close();
    if (out.fail()) {
        std::fprintf(stderr, "%s: cannot be written\n", argv[1]);
        return 1;
    }
    return 0;
}
