// A store file's elements while changes are applied to them under the file's lock.
#pragma once

#include "stores/serializedformat.h"

#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

// Certificates are found and removed by their encoding in constant time, so that applying
// a commit's n changes to a file of n certificates costs n steps, not n squared.
class FileElements {
public:
    explicit FileElements(std::vector<SerializedElement> elements);
    FileElements(const FileElements &) = delete;
    FileElements &operator=(const FileElements &) = delete;

    // The first certificate element with this encoding, or null.
    SerializedElement *find(const Bytes &encoded);
    void append(SerializedElement element);
    // Removes the first certificate element with this encoding, if there is one.
    void removeFirst(const Bytes &encoded);
    // The elements in their order, without those removed.
    std::vector<SerializedElement> take();

private:
    // The places of the elements with one encoding, in order; those before `first` are removed.
    struct Copies {
        std::vector<size_t> at;
        size_t first = 0;
    };
    void index(size_t at);

    std::vector<SerializedElement> elements_;
    std::vector<bool> removed_;
    // Keys view the elements' own encodings, which stay put when the vector grows.
    std::unordered_map<std::string_view, Copies> byEncoding_;
};

} // namespace platform
