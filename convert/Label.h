#pragma once

// What a table's label may hold. The label is written into BASIC source as a
// line of its own, so a name that could break that line is refused, and one
// that BASIC would not take as a label can be pointed out.

#include <string>
#include <string_view>

namespace bmp2cdata {

inline const std::string kSourceBreakingLabelComplaint =
    "Incorrect file name. A file name holding control characters, line breaks or invalid characters cannot label "
    "the table";

// Whether codePoint, shown as it is, could end a line or change how the text
// around it reads: C0 and C1 controls, DEL, the line and paragraph
// separators, and the bidirectional controls, which can make a line display
// in an order other than the one it holds.
bool DisturbsText(char32_t codePoint);

// Whether label could not be written as a line of BASIC source that reads as
// what it holds: it is not valid UTF-8, or holds a character DisturbsText.
bool BreaksSourceText(std::string_view label);

// Whether label is a BASIC name: ASCII letters, digits and '_', starting with
// a letter. The LCD BASIC dialects take no other letters.
bool IsBasicName(std::string_view label);

// The warning for a label that is not a BASIC name, whose table is written
// all the same, as the user may mean to edit it.
std::string NotABasicNameWarning(std::string_view label);

}  // namespace bmp2cdata
