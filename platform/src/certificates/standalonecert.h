// Certificate contexts that belong to no store: CertCreateCertificateContext's, and a
// serialized element's added without a store.
#pragma once

#include "certificates/certobject.h"

namespace platform {

// A context of no store holding one caller reference; it is freed with its last one.
CertObject *newStandaloneCertificate(std::unique_ptr<ParsedCertificate> cert, std::vector<Property> props);

} // namespace platform
