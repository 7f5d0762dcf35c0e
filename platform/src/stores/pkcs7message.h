// PKCS #7 SignedData messages as stores read and write them: the certificates they carry.
#pragma once

#include "stores/serializedformat.h"

#include <vector>

namespace platform {

// The DER of each certificate in a DER SignedData message's certificates field, in order;
// signers are not checked and CRLs are passed over. False with the last error set (a
// CRYPT_E_ASN1_* code, or CRYPT_E_UNEXPECTED_MSG_TYPE for another kind of message).
bool readSignedDataCertificates(const BYTE *data, std::size_t size, std::vector<Bytes> &certificates);

// A SignedData message without content or signers that carries the certificates and CRLs
// among `elements` (CTLs are left out), in DER. False with the last error set.
bool writeDegenerateSignedData(const std::vector<SerializedElement> &elements, Bytes &out);

} // namespace platform
