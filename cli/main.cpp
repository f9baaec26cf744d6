// bmp2cdata: converts 24-bit BMP files into Cdata tables for build scripts.

#include "CommandLine.h"

int main(int argc, char** argv)
{
    return RunCommandLine(std::vector<std::string>(argv + 1, argv + argc));
}
