#include "providers.h"
#include "lasterror.h"
#include "storefile.h"
#include "userhome.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace platform {

const wchar_t kDefaultProviderName[] = L"Crypto-Pro GOST R 34.10-2001 Cryptographic Service Provider";
const char kMediumKeyFolder[] = "certinstall-keys";

namespace {

const char kConfigFile[] = "/providers.conf";

std::string trimmed(const std::string &text)
{
    const char *space = " \t\r";
    const auto first = text.find_first_not_of(space);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

bool parseType(const std::string &text, DWORD &type)
{
    if (text.empty() || text.size() > 3 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    type = static_cast<DWORD>(std::stoul(text));
    return type >= 1 && type <= 999; // the range Windows allows for provider types
}

// "NAME /path": a reader's name is one word without a backslash, which would make the
// unique names of its containers ambiguous.
bool parseReader(const std::string &value, ReaderSource &out)
{
    const auto gap = value.find_first_of(" \t");
    if (gap == std::string::npos)
        return false;
    const std::string name = value.substr(0, gap);
    out.kind = ReaderSource::Kind::Folder;
    out.name = fromUtf8(name);
    out.path = trimmed(value.substr(gap));
    return name.find('\\') == std::string::npos && !out.path.empty() && out.path[0] == '/';
}

bool malformed() { return fail(hresultCode(NTE_PROV_TYPE_ENTRY_BAD), false); }

bool parseConfig(const std::string &text, std::vector<ProviderConfig> &out)
{
    size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (at < text.size()) {
        auto end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = trimmed(text.substr(at, end - at));
        at = end + 1;
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3)
                return malformed();
            ProviderConfig provider;
            provider.name = fromUtf8(trimmed(line.substr(1, line.size() - 2)));
            if (provider.name.empty() || std::any_of(out.begin(), out.end(), [&](const ProviderConfig &p) {
                    return sameProviderName(p.name, provider.name);
                }))
                return malformed();
            out.push_back(std::move(provider));
            continue;
        }
        const auto equals = line.find('=');
        if (out.empty() || equals == std::string::npos)
            return malformed();
        const std::string key = trimmed(line.substr(0, equals)), value = trimmed(line.substr(equals + 1));
        ProviderConfig &provider = out.back();
        if (key == "type") {
            if (provider.type != 0 || !parseType(value, provider.type))
                return malformed();
        } else if (key == "reader") {
            ReaderSource reader;
            if (!parseReader(value, reader))
                return malformed();
            if (std::any_of(provider.sources.begin(), provider.sources.end(),
                            [&](const ReaderSource &r) { return r.name == reader.name; }))
                return malformed();
            provider.sources.push_back(std::move(reader));
        } else if (key == "media") {
            if (value.empty() || value[0] != '/')
                return malformed();
            provider.sources.push_back(ReaderSource{ReaderSource::Kind::MediaRoot, {}, value});
        } else {
            return malformed();
        }
    }
    if (std::any_of(out.begin(), out.end(), [](const ProviderConfig &p) { return p.type == 0; }))
        return malformed();
    return true;
}

} // namespace

bool sameProviderName(const std::wstring &a, const std::wstring &b)
{
    auto unicode = [](const std::wstring &s) {
        return icu::UnicodeString::fromUTF32(reinterpret_cast<const UChar32 *>(s.data()),
                                             static_cast<int32_t>(s.size()));
    };
    return unicode(a).caseCompare(unicode(b), U_FOLD_CASE_DEFAULT) == 0;
}

std::vector<ReaderSource> defaultReaderSources()
{
    std::vector<ReaderSource> sources{{ReaderSource::Kind::Folder, L"LOCAL", userHome() + "/keys"}};
    std::vector<std::string> roots;
    if (const char *listed = std::getenv("CERTINSTALL_MEDIA")) {
        std::string all = listed;
        for (size_t at = 0; at <= all.size();) {
            auto colon = all.find(':', at);
            if (colon == std::string::npos)
                colon = all.size();
            if (colon > at)
                roots.push_back(all.substr(at, colon - at));
            at = colon + 1;
        }
    } else {
        const std::string user = userName();
        if (!user.empty()) {
            roots.push_back("/media/" + user);
            roots.push_back("/run/media/" + user);
        }
        roots.push_back("/media");
    }
    for (std::string &root : roots)
        sources.push_back(ReaderSource{ReaderSource::Kind::MediaRoot, {}, std::move(root)});
    return sources;
}

bool installedProviders(std::vector<ProviderConfig> &out)
{
    out.clear();
    const std::string path = userHome() + kConfigFile;
    if (fileExists(path)) {
        Bytes data;
        if (!readWholeFile(path, data))
            return false;
        if (!parseConfig(std::string(data.begin(), data.end()), out))
            return false;
    }
    if (std::none_of(out.begin(), out.end(),
                     [](const ProviderConfig &p) { return sameProviderName(p.name, kDefaultProviderName); }))
        out.insert(out.begin(), ProviderConfig{kDefaultProviderName, kDefaultProviderType, {}});
    return true;
}

} // namespace platform
