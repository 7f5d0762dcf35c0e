#include "stores/fileelements.h"

#include <type_traits>

namespace platform {

namespace {

// Moving an element keeps its encoding's buffer, which the index keys view.
static_assert(std::is_nothrow_move_constructible_v<SerializedElement>);

std::string_view keyOf(const Bytes &encoded)
{
    return std::string_view(reinterpret_cast<const char *>(encoded.data()), encoded.size());
}

} // namespace

FileElements::FileElements(std::vector<SerializedElement> elements)
    : elements_(std::move(elements)), removed_(elements_.size())
{
    byEncoding_.reserve(elements_.size());
    for (size_t at = 0; at < elements_.size(); ++at)
        index(at);
}

void FileElements::index(size_t at)
{
    if (elements_[at].id == kCertElementId)
        byEncoding_[keyOf(elements_[at].encoded)].at.push_back(at);
}

SerializedElement *FileElements::find(const Bytes &encoded)
{
    const auto found = byEncoding_.find(keyOf(encoded));
    if (found == byEncoding_.end() || found->second.first == found->second.at.size())
        return nullptr;
    return &elements_[found->second.at[found->second.first]];
}

void FileElements::append(SerializedElement element)
{
    elements_.push_back(std::move(element));
    removed_.push_back(false);
    index(elements_.size() - 1);
}

void FileElements::removeFirst(const Bytes &encoded)
{
    const auto found = byEncoding_.find(keyOf(encoded));
    if (found == byEncoding_.end() || found->second.first == found->second.at.size())
        return;
    removed_[found->second.at[found->second.first++]] = true;
}

std::vector<SerializedElement> FileElements::take()
{
    byEncoding_.clear(); // its keys view what is moved now
    size_t kept = 0;
    for (size_t at = 0; at < elements_.size(); ++at) {
        if (removed_[at])
            continue;
        if (kept != at)
            elements_[kept] = std::move(elements_[at]);
        ++kept;
    }
    elements_.resize(kept);
    removed_.assign(kept, false);
    return std::move(elements_);
}

} // namespace platform
