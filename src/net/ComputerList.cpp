// Reading and writing the computer list file.
#include "net/ComputerList.h"

namespace {

bool IsListSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

std::vector<ComputerEntry> ParseComputerList(std::string_view bytes)
{
    std::vector<ComputerEntry> entries;
    CComputerListReader reader;
    reader.Feed(bytes, entries);
    reader.Finish(entries);
    return entries;
}

void CComputerListReader::Feed(std::string_view bytes, std::vector<ComputerEntry>& entries)
{
    for (const char c : bytes) {
        switch (m_field) {
        case Field::SpaceBeforeAddress:
            // Blank lines before the first record are skipped like those between records, so no
            // address starts with white space.
            if (IsListSpace(c))
                break;
            m_field = Field::Address;
            [[fallthrough]];
        case Field::Address:
            // The address runs to the next comma, line ends included: a line without a comma is not a
            // record of its own but the front of the next line's address, which is how files have always read.
            if (c == ',') {
                m_field = Field::SpaceBeforePort;
                break;
            }
            m_addressEmpty = false;
            // The rest of an over-long field is dropped with it, never carried into the next field.
            if (m_entry.address.size() < kMaxAddressChars)
                m_entry.address += c;
            break;
        case Field::SpaceBeforePort:
            // Blank lines and any line-end convention vanish here, because the port starts after white space.
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
    // An address whose port is missing at the end of the file is dropped rather than given a port nobody wrote.
    if (m_field == Field::Port && !m_addressEmpty)
        entries.push_back(m_entry);
    m_field = Field::SpaceBeforeAddress;
    m_addressEmpty = true;
    m_entry = ComputerEntry();
}

std::string FormatComputerList(const std::vector<ComputerEntry>& entries)
{
    std::string bytes;
    for (const ComputerEntry& entry : entries) {
        bytes += entry.address;
        bytes += ',';
        bytes += entry.port;
        bytes += "\r\n";
    }
    return bytes;
}
