// Reading a registry value's text or number by its type.
#include "framework/RegistryValue.h"

bool RegistryText(const RegistryValue& value, std::string& text)
{
    text.clear();
    if (value.state != RegistryValue::State::Present
        || (value.type != kRegistryString && value.type != kRegistryExpandString))
        return false;
    std::size_t size = value.data.size();
    while (size > 0 && value.data[size - 1] == '\0')
        --size;
    text.assign(value.data, 0, size);
    return true;
}

bool RegistryNumber(const RegistryValue& value, std::uint32_t& number)
{
    number = 0;
    if (value.state != RegistryValue::State::Present || value.type != kRegistryDword || value.data.size() != 4)
        return false;
    // REG_DWORD is little-endian on every processor Windows runs on.
    for (std::size_t i = 4; i-- > 0;)
        number = (number << 8) | static_cast<unsigned char>(value.data[i]);
    return true;
}
