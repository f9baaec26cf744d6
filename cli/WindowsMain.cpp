// bmp2cdata.exe: converts 24-bit BMP files into Cdata tables for build scripts.

#include "CommandLine.h"
#include "Platform.h"
#include "WideText.h"

using namespace bmp2cdata;

// The arguments arrive as UTF-16, so that any name works whatever the code page.
extern "C" int wmain(int argc, wchar_t** argv)
{
    KeepStandardStreamsOpen();
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(Utf8FromWide(argv[i]));
    return RunCommandLine(arguments);
}
