#include "ConverterHost.h"

bool StopConversion = false;
