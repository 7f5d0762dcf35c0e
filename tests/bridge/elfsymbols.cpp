#include "elfsymbols.h"

#include <elf.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

std::vector<char> readFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("ELF object: cannot open " + path);
    return std::vector<char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

template <class T>
T at(const std::vector<char> &bytes, std::size_t offset)
{
    if (offset > bytes.size() || sizeof(T) > bytes.size() - offset)
        throw std::runtime_error("ELF object: read past the end of the file");
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

std::string textAt(const std::vector<char> &bytes, std::size_t offset)
{
    if (offset >= bytes.size())
        throw std::runtime_error("ELF object: name past the end of the file");
    const void *end = std::memchr(bytes.data() + offset, 0, bytes.size() - offset);
    if (end == nullptr)
        throw std::runtime_error("ELF object: unterminated name");
    return std::string(bytes.data() + offset, static_cast<const char *>(end));
}

} // namespace

std::vector<std::string> readElfExports(const std::string &path)
{
    const std::vector<char> bytes = readFile(path);
    const auto header = at<Elf64_Ehdr>(bytes, 0);
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64)
        throw std::runtime_error("ELF object: not a 64-bit ELF file");

    std::vector<std::string> names;
    for (unsigned i = 0; i < header.e_shnum; ++i) {
        const auto section = at<Elf64_Shdr>(bytes, header.e_shoff + i * std::size_t{header.e_shentsize});
        if (section.sh_type != SHT_DYNSYM)
            continue;
        const auto strings = at<Elf64_Shdr>(bytes, header.e_shoff + section.sh_link * std::size_t{header.e_shentsize});
        for (std::size_t offset = section.sh_offset + section.sh_entsize;
             offset + section.sh_entsize <= section.sh_offset + section.sh_size; offset += section.sh_entsize) {
            const auto symbol = at<Elf64_Sym>(bytes, offset);
            const unsigned binding = ELF64_ST_BIND(symbol.st_info);
            if (symbol.st_shndx == SHN_UNDEF || (binding != STB_GLOBAL && binding != STB_WEAK) ||
                ELF64_ST_VISIBILITY(symbol.st_other) != STV_DEFAULT)
                continue;
            names.push_back(textAt(bytes, strings.sh_offset + symbol.st_name));
        }
    }
    return names;
}
