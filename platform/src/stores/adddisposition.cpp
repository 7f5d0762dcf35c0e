// The CERT_STORE_ADD_* dispositions: what adding a certificate does when the store, or
// its file, may already hold an equal one.
#include "stores/adddisposition.h"

#include <algorithm>
#include <cstdint>

namespace platform {
namespace {

LONG compareFileTimes(const FILETIME &a, const FILETIME &b)
{
    auto value = [](const FILETIME &t) {
        return static_cast<std::uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime;
    };
    return value(a) < value(b) ? -1 : value(a) > value(b) ? 1 : 0;
}

bool inheritsProperties(DWORD disposition)
{
    return disposition == CERT_STORE_ADD_REPLACE_EXISTING_INHERIT_PROPERTIES ||
           disposition == CERT_STORE_ADD_NEWER_INHERIT_PROPERTIES;
}

bool hasProperty(const std::vector<Property> &props, DWORD id)
{
    return std::any_of(props.begin(), props.end(), [id](const Property &p) { return p.id == id; });
}

// Adds to `into` each property of `from` that it lacks.
void addMissing(std::vector<Property> &into, const std::vector<Property> &from)
{
    for (const Property &p : from)
        if (!hasProperty(into, p.id))
            into.push_back(p);
}

} // namespace

bool isAddDisposition(DWORD disposition)
{
    return disposition >= CERT_STORE_ADD_NEW && disposition <= CERT_STORE_ADD_NEWER_INHERIT_PROPERTIES;
}

AddAction decideAdd(DWORD disposition, const FILETIME *existingNotBefore, const FILETIME &incomingNotBefore)
{
    if (!existingNotBefore || disposition == CERT_STORE_ADD_ALWAYS)
        return AddAction::Append;
    switch (disposition) {
    case CERT_STORE_ADD_NEW:
        return AddAction::Fail;
    case CERT_STORE_ADD_USE_EXISTING:
        return AddAction::UseExisting;
    case CERT_STORE_ADD_NEWER:
    case CERT_STORE_ADD_NEWER_INHERIT_PROPERTIES:
        return compareFileTimes(*existingNotBefore, incomingNotBefore) >= 0 ? AddAction::Fail
                                                                                   : AddAction::Replace;
    default:
        return AddAction::Replace;
    }
}

std::vector<Property> resultingProperties(AddAction action, DWORD disposition, const std::vector<Property> &existing,
                                          const std::vector<Property> &incoming)
{
    std::vector<Property> props = action == AddAction::UseExisting ? existing : incoming;
    if (action == AddAction::UseExisting)
        addMissing(props, incoming);
    else if (action == AddAction::Replace && inheritsProperties(disposition))
        addMissing(props, existing);
    return props;
}

AddAction applyAdd(FileElements &elements, const Bytes &encoded, const FILETIME &notBefore, DWORD disposition,
                   std::vector<Property> &props)
{
    // CERT_STORE_ADD_ALWAYS appends whatever is there, so a file of many copies is not searched.
    SerializedElement *existing = disposition == CERT_STORE_ADD_ALWAYS ? nullptr : elements.find(encoded);
    const AddAction action = decideAdd(disposition, existing ? &notBefore : nullptr, notBefore);
    if (action == AddAction::Append) {
        elements.append(SerializedElement{kCertElementId, props, encoded});
    } else if (action != AddAction::Fail) {
        existing->props = resultingProperties(action, disposition, existing->props, props);
        props = existing->props;
    }
    return action;
}

} // namespace platform
