// Key media and the containers on them. A reader is a key folder; it holds one folder per
// container, laid out as
//
//   name                          the container's name in UTF-8 (a final line break is
//                                 ignored)
//   exchange/                     the exchange key (AT_KEYEXCHANGE), when there is one
//   exchange/certificate.der      the certificate of that key (DER), when there is one
//   exchange/private.pem          its private key, which this layer never reads
//   signature/                    the signature key (AT_SIGNATURE), laid out alike
//
// A folder without a valid name, or whose name starts with '.', is not a container.
//
// A reader may also be a PKCS #11 token: each X.509 certificate on it that has an id is a
// container, named by the certificate's label (its id in hexadecimal added when the label
// is empty or repeated on the token). Its key is the exchange key unless the certificate's
// key usage allows neither key nor data encipherment nor key agreement, then the
// signature key.
#pragma once

#include "certificates/certobject.h"
#include "providers/providers.h"
#include "providers/tokens.h"

#include <openssl/types.h>

#include <optional>
#include <string>
#include <vector>

namespace platform {

struct Reader {
    std::wstring name;
    std::string folder;         // the key folder
    std::optional<Token> token; // or the token
};

// The readers the sources give now, in their order. A media root gives each folder under
// it (in name order) that holds kMediumKeyFolder, named "MEDIA-" and the folder's name; a
// PKCS #11 source each token present, named "TOKEN-" and its label ('\\' made '_'). A key
// folder or token reached twice is one reader; a name given twice is made unique with
// "-2", "-3", ….
std::vector<Reader> presentReaders(const std::vector<ReaderSource> &sources);

// The longest container name, in characters as Windows counts them (UTF-16 units): the
// longest that Windows providers take (MAX_PATH).
constexpr size_t kLongestContainerName = 260;

// Whether a container may have this name: not empty, without NUL, and at most
// kLongestContainerName characters.
bool isContainerName(const std::wstring &name);

// The name kept in a container folder, as listings show it: the name file in UTF-8, a
// final line break dropped. False when there is none or it is no valid name (see
// isContainerName), or not well-formed UTF-8, so that two folders never list the same
// text for different bytes. A name file of more bytes than the longest name can take is
// refused unread, and one that is no regular file without waiting.
bool readContainerName(const std::string &folder, std::wstring &name);

struct Container {
    std::wstring name;
    std::wstring reader;
    std::string folder;
    std::optional<Token> token; // of a container on a token, with its certificate's id
    std::vector<unsigned char> id;
};

// The containers in the reader's key folder, in the order of their names' code points.
std::vector<Container> containersIn(const Reader &reader);

// "\\.\READER\NAME": which reader holds the container, and its name there.
std::wstring uniqueContainerName(const Container &container);

// The container of this listed name on the first reader that has it, or the one that a
// unique name points to. False when there is none.
bool findContainer(const std::vector<Reader> &readers, const std::wstring &name, Container &out);

struct ContainerKey {
    Bytes certificate;
    DWORD certificateError = ERROR_SUCCESS; // why there is no certificate, when there is none
};

// Opens the key of `keySpec` in a container found before. False with NTE_BAD_KEYSET when
// the container is gone (its medium or token was removed), NTE_NO_KEY when it has no such
// key.
bool openContainerKey(const Container &container, DWORD keySpec, ContainerKey &out);

// The key a certificate stands for: the signature key when its key usage allows no
// encipherment and no key agreement, the exchange key otherwise (also without a key usage,
// or without a certificate, as nothing then limits it; Windows files such keys so too).
DWORD keySpecOf(X509 *certificate);

} // namespace platform
