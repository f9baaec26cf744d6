#pragma once

#include "PictureDecoder.h"

// The platform's decoder of PNG and JPEG files: libpng and libjpeg-turbo
// on Linux, the Windows Imaging Component on Windows.
PictureDecoder& PlatformPictureDecoder();
