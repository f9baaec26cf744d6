#pragma once

// The two tables of a 4 x 5 image named logo.bmp, as the clipboard gets
// them, and the lines that follow them in the output area.

#include <string>

inline const std::string kWhiteLogoWordTable =
    "'----------------------------------------------------------------------\n"
    "' Image data in RGB565 format. Size = 40 Bytes\n"
    "'\n"
    "logo:-\n"
    "    Cdata as Word 20, 3, 4,_   ' Amount, (Width - 1) , (Height - 1)\n"
    "          $FFFF,$FFFF,$FFFF,$FFFF,$FFFF,$FFFF,$FFFF,$FFFF,$FFFF,$FFFF,$FFFF,$FFFF,$FFFF,$FFFF,$FFFF,$FFFF,_\n"
    "          $FFFF,$FFFF,$FFFF,$FFFF\n";

inline const std::string kRedLogoByteTable =
    "'----------------------------------------------------------------------\n"
    "' Image data in RGB332 format. Size = 20 Bytes\n"
    "'\n"
    "logo:-\n"
    "    Cdata as Byte 20, 0, 3, 0, 4, 0,_   ' Amount, (Width - 1) , (Height - 1)\n"
    "          $E0,$E0,$E0,$E0,$E0,$E0,$E0,$E0,$E0,$E0,$E0,$E0,$E0,$E0,$E0,$E0,_\n"
    "          $E0,$E0,$E0,$E0\n";

// What follows the table in the output area, each line ended by a newline.
inline const std::string kClosingLines =
    "\nThe Cdata Table is now assigned to the Clipboard for pasting into the program\n";
