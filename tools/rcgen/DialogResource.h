#pragma once

// A dialog template of the program as a DIALOGEX resource: the controls of
// the shared template table (src/ui/DialogTemplates) placed in dialog units,
// with the texts and the font of one language.

#include <string>
#include <string_view>

#include "text/StringTable.h"
#include "ui/DialogTemplates.h"

namespace rf::rcgen {

// Width of a text in dialog units, estimated on the generous side for the
// dialog fonts (8-point Tahoma, 9-point MS UI Gothic): a label laid out with
// it is never cut off. "&" marks a mnemonic and takes no room.
int EstimatedTextWidth(std::u16string_view text);

// The DIALOGEX statement of the template, captioned with caption.
std::string DialogResource(const DialogTemplate& dialogTemplate, Language language,
                           std::u16string_view caption);

}  // namespace rf::rcgen
