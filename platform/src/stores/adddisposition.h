// The CERT_STORE_ADD_* dispositions: what adding a certificate does when the store, or
// its file, may already hold an equal one.
#pragma once

#include "stores/fileelements.h"

#include <vector>

namespace platform {

enum class AddAction { Fail, UseExisting, Replace, Append };

// True for a CERT_STORE_ADD_* value; an add with any other is refused.
bool isAddDisposition(DWORD disposition);

// What a disposition does when the store may already hold an equal certificate (same
// SHA-1 hash). `existingNotBefore` is null when there is none.
AddAction decideAdd(DWORD disposition, const FILETIME *existingNotBefore, const FILETIME &incomingNotBefore);

// The properties a certificate ends up with after an add that found `existing`.
std::vector<Property> resultingProperties(AddAction action, DWORD disposition, const std::vector<Property> &existing,
                                          const std::vector<Property> &incoming);

// Adds a certificate to a store file's elements as `disposition` says; an equal one there
// is the same certificate, so its NotBefore is the incoming one's. `props` become the
// properties the certificate ends up with.
AddAction applyAdd(FileElements &elements, const Bytes &encoded, const FILETIME &notBefore, DWORD disposition,
                   std::vector<Property> &props);

} // namespace platform
