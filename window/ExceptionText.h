#pragma once

#include <exception>
#include <string>

namespace bmp2cdata {

// What the application's exception display shows for a failure that ended
// the message loop: the exception's message as a sentence (a full stop is
// added where one is missing), or nothing for an exception of another kind
// than std::exception.
std::string ExceptionText(const std::exception_ptr& failure);

}  // namespace bmp2cdata
