#pragma once

// What a table's label may hold. The label is written into BASIC source as a
// line of its own, so a name that could break that line is refused, and one
// that BASIC would not take as a label can be pointed out.

#include <string>
#include <string_view>

inline const std::string kControlCharacterLabelComplaint =
    "Incorrect file name. A file name holding control characters cannot label the table";

// Whether label holds a control character (a byte below 0x20, or 0x7F), which
// could end the label's line and start lines of its own in the table.
bool HoldsControlCharacter(std::string_view label);

// Whether label is a BASIC name: ASCII letters, digits and '_', starting with
// a letter. The LCD BASIC dialects take no other letters.
bool IsBasicName(std::string_view label);
