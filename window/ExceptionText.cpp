#include "ExceptionText.h"

namespace bmp2cdata {

std::string ExceptionText(const std::exception_ptr& failure)
{
    if (!failure)
        return {};
    std::string text;
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        text = error.what();
    } catch (...) {
        return {};
    }
    if (!text.empty() && text.back() != '.')
        text += '.';
    return text;
}

}  // namespace bmp2cdata
