// Reading the computer list file as a stream, field by field.
#include "send/ComputerListReader.h"

namespace {

bool IsListSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

void CComputerListReader::Feed(std::string_view bytes, std::vector<ComputerEntry>& entries)
{
    for (const char c : bytes) {
        switch (m_field) {
        case Field::SpaceBeforeAddress:
            if (IsListSpace(c))
                break;
            m_field = Field::Address;
            [[fallthrough]];
        case Field::Address:
            // As in the whole-file reader, the address runs to the next comma, line ends included.
            if (c == ',') {
                m_field = Field::SpaceBeforePort;
                break;
            }
            m_addressEmpty = false;
            if (m_entry.address.size() < kMaxAddressChars)
                m_entry.address += c;
            break;
        case Field::SpaceBeforePort:
            if (IsListSpace(c))
                break;
            m_field = Field::Port;
            [[fallthrough]];
        case Field::Port:
            if (!IsListSpace(c)) {
                if (m_entry.port.size() < kMaxPortChars)
                    m_entry.port += c;
                break;
            }
            // A record without an address is dropped rather than sent to nobody.
            if (!m_addressEmpty)
                entries.push_back(m_entry);
            m_field = Field::SpaceBeforeAddress;
            m_addressEmpty = true;
            m_entry = ComputerEntry();
            break;
        }
    }
}

void CComputerListReader::Finish(std::vector<ComputerEntry>& entries)
{
    if (m_field == Field::Port && !m_addressEmpty)
        entries.push_back(m_entry);
    m_field = Field::SpaceBeforeAddress;
    m_addressEmpty = true;
    m_entry = ComputerEntry();
}
