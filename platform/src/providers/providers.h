// The cryptographic service providers installed for the user, and where each one looks
// for key containers. One provider is always installed: the GOST provider, type 75. The
// file $CERTINSTALL_HOME/providers.conf may describe it and add others:
//
//   [Provider name]
//   type = 80
//   reader = NAME /absolute/key/folder
//   media = /absolute/mount/folder
//   pkcs11 = registry | /absolute/module.so
//
// A section per provider, in the order they are listed (the GOST provider comes first
// unless the file has a section for it). `reader` names a key folder; `media` a folder
// whose subfolders are mounted media, each of which holding a key folder is a reader;
// `pkcs11` the PKCS #11 modules of p11-kit's registry, or one module, each of whose tokens
// is a reader. A provider with none of them searches the default readers. A section for the GOST provider may
// give it readers but not another type. A section with a mistake (a NUL character, a
// provider name of more than 199 characters among them) is left out, and each mistake is
// written to standard error with the file and line, its control characters escaped, so
// one typo never costs the user the other providers.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace platform {

extern const wchar_t kDefaultProviderName[];
constexpr DWORD kDefaultProviderType = 75;

// The folder that holds the containers on a removable medium, at its top.
extern const char kMediumKeyFolder[];

// A place to search for key folders, as the configuration names it.
struct ReaderSource {
    enum class Kind {
        Folder,
        MediaRoot,
        Pkcs11Registry, // every module p11-kit registers but the trust anchors'
        Pkcs11Module,   // the module at `path`
    };
    Kind kind = Kind::Folder;
    std::wstring name; // of a key folder; media and tokens are named after themselves
    std::string path;
};

struct ProviderConfig {
    std::wstring name;
    DWORD type = 0;
    std::vector<ReaderSource> sources; // empty: the default readers
};

enum class ProviderListing {
    Fresh,  // reads the configuration file again
    Cached, // the list last read, while the file keeps its identity, size and times
};

// The installed providers in their listing order; the GOST provider is always among them.
// The file is parsed, and its mistakes reported, only when its contents differ from the
// last reading. A file larger than 1 MiB, or that cannot be read, is reported and leaves
// the GOST provider alone. A provider's name is at most 199 characters.
std::shared_ptr<const std::vector<ProviderConfig>> installedProviders(ProviderListing listing);

// The user's own key folder, "keys" under $CERTINSTALL_HOME: reader LOCAL, where imported
// keys go.
ReaderSource localReaderSource();

// The default readers: the folder "keys" under $CERTINSTALL_HOME (reader LOCAL), then the
// media mounted in the desktop's mount folders (/media/$USER, /run/media/$USER, /media),
// or in the folders that $CERTINSTALL_MEDIA lists instead (separated by ':'), then the
// tokens of the PKCS #11 modules in p11-kit's registry, or of the modules that
// $CERTINSTALL_PKCS11 lists instead (separated by ':').
std::vector<ReaderSource> defaultReaderSources();

// Provider names compare as Windows compares them: without regard to case.
bool sameProviderName(const std::wstring &a, const std::wstring &b);

} // namespace platform
