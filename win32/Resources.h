#pragma once

// Resource identifiers shared by the program's code and its resource script.
#define BMP2CDATA_ICON 1
