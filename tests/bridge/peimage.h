// Reads what a test needs from a Windows PE image (EXE or DLL): the target machine, the
// names in its export table and the DLLs it imports from. Follows the published layout of
// the PE/COFF format; throws std::runtime_error for a file that does not follow it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PeImage {
    std::uint16_t machine = 0;          // COFF header: 0x14C for 32-bit x86
    std::uint16_t optionalMagic = 0;    // optional header: 0x10B for PE32, 0x20B for PE32+
    std::uint32_t exportedFunctions = 0; // entries in the export address table
    std::vector<std::string> exportedNames;
    std::vector<std::string> importedDlls;
};

PeImage readPeImage(const std::string &path);
