// Local time text through OLE Automation's date conversion, which follows the user's locale.
#include "framework/LocalTime.h"

#include <windows.h>
#include <oleauto.h>

std::string LocalTimeText()
{
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    now.wMilliseconds = 0;
    DATE date = 0;
    if (!::SystemTimeToVariantTime(&now, &date))
        return std::string();
    BSTR text = nullptr;
    if (FAILED(::VarBstrFromDate(date, LOCALE_USER_DEFAULT, 0, &text)) || !text)
        return std::string();
    std::string result;
    const int size = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size > 1) {
        result.resize(static_cast<std::size_t>(size));
        ::WideCharToMultiByte(CP_ACP, 0, text, -1, &result[0], size, nullptr, nullptr);
        result.resize(static_cast<std::size_t>(size - 1));
    }
    ::SysFreeString(text);
    return result;
}
