// bmp2cdata: converts 24-bit BMP files into Cdata tables for build scripts.

#include "CommandLine.h"
#include "Platform.h"

int main(int argc, char** argv)
{
    KeepStandardStreamsOpen();
    return RunCommandLine(std::vector<std::string>(argv + 1, argv + argc));
}
