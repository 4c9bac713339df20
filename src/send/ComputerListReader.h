// The computer list file read piece by piece, so that a list of any size takes no more memory than a piece.
#pragma once

#include <string_view>
#include <vector>

#include "net/ComputerList.h"

// Gives exactly the records ParseComputerList gives for the whole file, however the file is cut into pieces.
class CComputerListReader {
public:
    // Appends every record that this piece completes.
    void Feed(std::string_view bytes, std::vector<ComputerEntry>& entries);
    // The end of the file: a port that runs up to it completes its record; anything else left is dropped.
    void Finish(std::vector<ComputerEntry>& entries);

private:
    enum class Field { SpaceBeforeAddress, Address, SpaceBeforePort, Port };

    Field m_field = Field::SpaceBeforeAddress;
    bool m_addressEmpty = true;  // the address as written, before an over-long one is cut
    ComputerEntry m_entry;
};
