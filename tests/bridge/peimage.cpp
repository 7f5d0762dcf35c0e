#include "peimage.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::size_t kCoffHeaderSize = 20;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kImportDescriptorSize = 20;
constexpr unsigned kExportDirectory = 0;
constexpr unsigned kImportDirectory = 1;

class Reader {
public:
    explicit Reader(std::vector<unsigned char> bytes) : m_bytes(std::move(bytes)) {}

    std::uint16_t u16(std::size_t offset) const
    {
        require(offset, 2);
        return static_cast<std::uint16_t>(m_bytes[offset] | m_bytes[offset + 1] << 8);
    }

    std::uint32_t u32(std::size_t offset) const
    {
        require(offset, 4);
        return static_cast<std::uint32_t>(m_bytes[offset]) | static_cast<std::uint32_t>(m_bytes[offset + 1]) << 8 |
               static_cast<std::uint32_t>(m_bytes[offset + 2]) << 16 |
               static_cast<std::uint32_t>(m_bytes[offset + 3]) << 24;
    }

    std::string text(std::size_t offset) const
    {
        std::string result;
        for (;; ++offset) {
            require(offset, 1);
            if (m_bytes[offset] == 0)
                return result;
            result += static_cast<char>(m_bytes[offset]);
        }
    }

    bool startsWith(std::size_t offset, const std::string &magic) const
    {
        require(offset, magic.size());
        return std::equal(magic.begin(), magic.end(), m_bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    }

private:
    void require(std::size_t offset, std::size_t size) const
    {
        if (offset > m_bytes.size() || size > m_bytes.size() - offset)
            throw std::runtime_error("PE image: read past the end of the file");
    }

    std::vector<unsigned char> m_bytes;
};

struct Section {
    std::uint32_t virtualAddress;
    std::uint32_t virtualSize;
    std::uint32_t rawSize;
    std::uint32_t rawOffset;
};

class Image {
public:
    explicit Image(const std::string &path) : m_reader(readFile(path))
    {
        if (!m_reader.startsWith(0, "MZ"))
            throw std::runtime_error("PE image: no MZ header");
        const std::size_t pe = m_reader.u32(0x3C);
        if (!m_reader.startsWith(pe, std::string("PE\0\0", 4)))
            throw std::runtime_error("PE image: no PE signature");
        const std::size_t coff = pe + 4;
        m_machine = m_reader.u16(coff);
        const unsigned sectionCount = m_reader.u16(coff + 2);
        const std::size_t optionalSize = m_reader.u16(coff + 16);
        const std::size_t optional = coff + kCoffHeaderSize;
        m_magic = m_reader.u16(optional);
        if (m_magic == kPe32Magic) {
            m_directoryCount = m_reader.u32(optional + 92);
            m_directories = optional + 96;
        } else if (m_magic == kPe32PlusMagic) {
            m_directoryCount = m_reader.u32(optional + 108);
            m_directories = optional + 112;
        } else {
            throw std::runtime_error("PE image: unknown optional header");
        }
        const std::size_t sections = optional + optionalSize;
        for (unsigned i = 0; i < sectionCount; ++i) {
            const std::size_t header = sections + i * kSectionHeaderSize;
            m_sections.push_back({m_reader.u32(header + 12), m_reader.u32(header + 8), m_reader.u32(header + 16),
                                  m_reader.u32(header + 20)});
        }
    }

    const Reader &reader() const { return m_reader; }
    std::uint16_t machine() const { return m_machine; }
    std::uint16_t magic() const { return m_magic; }

    // The directory's address, or 0 when the image has none of that kind.
    std::uint32_t directory(unsigned index) const
    {
        if (index >= m_directoryCount)
            return 0;
        return m_reader.u32(m_directories + 8 * index);
    }

    // The file offset of a relative virtual address.
    std::size_t offsetOf(std::uint32_t rva) const
    {
        for (const Section &section : m_sections) {
            const std::uint32_t extent = std::max(section.virtualSize, section.rawSize);
            if (rva >= section.virtualAddress && rva - section.virtualAddress < extent)
                return section.rawOffset + (rva - section.virtualAddress);
        }
        throw std::runtime_error("PE image: address outside every section");
    }

    std::string textAt(std::uint32_t rva) const { return m_reader.text(offsetOf(rva)); }

private:
    static std::vector<unsigned char> readFile(const std::string &path)
    {
        std::ifstream file(path, std::ios::binary);
        if (!file)
            throw std::runtime_error("PE image: cannot open " + path);
        return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    Reader m_reader;
    std::uint16_t m_machine = 0;
    std::uint16_t m_magic = 0;
    std::uint32_t m_directoryCount = 0;
    std::size_t m_directories = 0;
    std::vector<Section> m_sections;
};

} // namespace

PeImage readPeImage(const std::string &path)
{
    const Image image(path);
    const Reader &reader = image.reader();
    PeImage result;
    result.machine = image.machine();
    result.optionalMagic = image.magic();

    if (const std::uint32_t exports = image.directory(kExportDirectory)) {
        const std::size_t directory = image.offsetOf(exports);
        result.exportedFunctions = reader.u32(directory + 20);
        const std::uint32_t nameCount = reader.u32(directory + 24);
        const std::uint32_t names = reader.u32(directory + 32);
        for (std::uint32_t i = 0; i < nameCount; ++i)
            result.exportedNames.push_back(image.textAt(reader.u32(image.offsetOf(names + 4 * i))));
    }

    if (const std::uint32_t imports = image.directory(kImportDirectory)) {
        for (std::size_t descriptor = image.offsetOf(imports);; descriptor += kImportDescriptorSize) {
            const std::uint32_t name = reader.u32(descriptor + 12);
            if (name == 0 && reader.u32(descriptor + 16) == 0)
                break;
            result.importedDlls.push_back(image.textAt(name));
        }
    }
    return result;
}
