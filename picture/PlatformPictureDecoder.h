#pragma once

#include "PictureDecoder.h"

namespace bmp2cdata {

// The platform's decoder of PNG and JPEG files: libpng and libjpeg-turbo
// on Linux, the Windows Imaging Component on Windows.
PictureDecoder& PlatformPictureDecoder();

}  // namespace bmp2cdata
