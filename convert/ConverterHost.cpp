#include "ConverterHost.h"

namespace bmp2cdata {

bool StopConversion = false;

}  // namespace bmp2cdata
