#include "certificates/keyprovinfo.h"
#include "text/unicodetext.h"

#include <cstring>
#include <optional>

namespace platform {
namespace {

constexpr size_t kFixedSize = 28;
constexpr size_t kParamSize = 16;
constexpr size_t kMaxSize = 0xFFFFFFFF; // the size a caller is told is a DWORD

struct Decoded {
    std::optional<std::wstring> container, provider;
    DWORD provType = 0, flags = 0, keySpec = 0;
    struct Param {
        DWORD param, flags;
        Bytes data;
    };
    std::vector<Param> params;
};

DWORD readDword(const Bytes &b, size_t at)
{
    return static_cast<DWORD>(b[at]) | static_cast<DWORD>(b[at + 1]) << 8 | static_cast<DWORD>(b[at + 2]) << 16 |
           static_cast<DWORD>(b[at + 3]) << 24;
}

void putDword(Bytes &out, size_t at, DWORD v)
{
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<size_t>(i)] = static_cast<BYTE>(v >> (8 * i));
}

std::optional<std::wstring> readUtf16(const Bytes &b, DWORD offset, bool &ok)
{
    if (offset == 0)
        return std::nullopt;
    std::wstring text;
    if (offset > b.size() || !readUtf16le(b.data() + offset, b.size() - offset, text)) {
        ok = false; // a name must end inside the value
        return std::nullopt;
    }
    return text;
}

std::optional<Decoded> decode(const Bytes &b)
{
    if (b.size() < kFixedSize)
        return std::nullopt;
    Decoded d;
    bool ok = true;
    d.container = readUtf16(b, readDword(b, 0), ok);
    d.provider = readUtf16(b, readDword(b, 4), ok);
    d.provType = readDword(b, 8);
    d.flags = readDword(b, 12);
    const DWORD count = readDword(b, 16);
    const DWORD paramsAt = readDword(b, 20);
    d.keySpec = readDword(b, 24);
    if (!ok)
        return std::nullopt;
    if (count) {
        if (paramsAt > b.size() || count > (b.size() - paramsAt) / kParamSize)
            return std::nullopt;
        d.params.reserve(count);
        // Each parameter's bytes are written once in the value, so together they fit in it;
        // parameters pointing at the same bytes again would make the structure, and the
        // work of building it, grow with their number times the value's length.
        size_t dataTotal = 0;
        for (DWORD i = 0; i < count; ++i) {
            const size_t at = paramsAt + i * kParamSize;
            const DWORD dataAt = readDword(b, at + 4), dataLen = readDword(b, at + 8);
            if (dataAt > b.size() || dataLen > b.size() - dataAt || dataLen > b.size() - dataTotal)
                return std::nullopt;
            dataTotal += dataLen;
            d.params.push_back({readDword(b, at), readDword(b, at + 12),
                                Bytes(b.begin() + dataAt, b.begin() + dataAt + dataLen)});
        }
    }
    return d;
}

// Adds to `total`; false when the sum leaves what a DWORD size can say.
bool grow(size_t &total, size_t more)
{
    if (more > kMaxSize || total > kMaxSize - more)
        return false;
    total += more;
    return true;
}

bool alignUp(size_t &n, size_t a) { return grow(n, (a - n % a) % a); }

struct Layout {
    size_t params = 0, data = 0, container = 0, provider = 0, total = 0;
};

// Where each part goes in the one buffer; nothing when the whole would not fit in a DWORD.
std::optional<Layout> layoutOf(const Decoded &d)
{
    Layout l;
    size_t end = sizeof(CRYPT_KEY_PROV_INFO);
    if (!alignUp(end, alignof(CRYPT_KEY_PROV_PARAM)))
        return std::nullopt;
    l.params = end;
    if (d.params.size() > kMaxSize / sizeof(CRYPT_KEY_PROV_PARAM) ||
        !grow(end, d.params.size() * sizeof(CRYPT_KEY_PROV_PARAM)))
        return std::nullopt;
    l.data = end;
    for (const auto &p : d.params)
        if (!grow(end, p.data.size()))
            return std::nullopt;
    if (!alignUp(end, alignof(wchar_t)))
        return std::nullopt;
    l.container = end;
    if (d.container && !grow(end, (d.container->size() + 1) * sizeof(wchar_t)))
        return std::nullopt;
    l.provider = end;
    if (d.provider && !grow(end, (d.provider->size() + 1) * sizeof(wchar_t)))
        return std::nullopt;
    if (!alignUp(end, alignof(CRYPT_KEY_PROV_INFO)))
        return std::nullopt;
    l.total = end;
    return l;
}

} // namespace

Bytes keyProvInfoToSerialized(const CRYPT_KEY_PROV_INFO &info)
{
    Bytes out(kFixedSize, 0);
    putDword(out, 8, info.dwProvType);
    putDword(out, 12, info.dwFlags);
    putDword(out, 24, info.dwKeySpec);
    if (info.cProvParam && info.rgProvParam) {
        putDword(out, 16, info.cProvParam);
        putDword(out, 20, static_cast<DWORD>(out.size()));
        const size_t table = out.size();
        out.resize(table + info.cProvParam * kParamSize, 0);
        for (DWORD i = 0; i < info.cProvParam; ++i) {
            const CRYPT_KEY_PROV_PARAM &p = info.rgProvParam[i];
            const size_t at = table + i * kParamSize;
            putDword(out, at, p.dwParam);
            putDword(out, at + 4, p.cbData ? static_cast<DWORD>(out.size()) : 0);
            putDword(out, at + 8, p.cbData);
            putDword(out, at + 12, p.dwFlags);
            if (p.cbData && p.pbData)
                out.insert(out.end(), p.pbData, p.pbData + p.cbData);
        }
    }
    if (out.size() % 2)
        out.push_back(0);
    if (info.pwszContainerName) {
        putDword(out, 0, static_cast<DWORD>(out.size()));
        appendUtf16le(out, info.pwszContainerName);
    }
    if (info.pwszProvName) {
        putDword(out, 4, static_cast<DWORD>(out.size()));
        appendUtf16le(out, info.pwszProvName);
    }
    return out;
}

DWORD keyProvInfoStructSize(const Bytes &serialized)
{
    auto d = decode(serialized);
    auto l = d ? layoutOf(*d) : std::nullopt;
    return l ? static_cast<DWORD>(l->total) : 0;
}

void keyProvInfoWriteStruct(const Bytes &serialized, void *dest)
{
    auto d = decode(serialized);
    auto layout = d ? layoutOf(*d) : std::nullopt;
    if (!layout)
        return;
    const Layout &l = *layout;
    auto *base = static_cast<BYTE *>(dest);
    std::memset(base, 0, l.total);
    auto *info = reinterpret_cast<CRYPT_KEY_PROV_INFO *>(base);
    info->dwProvType = d->provType;
    info->dwFlags = d->flags;
    info->dwKeySpec = d->keySpec;
    info->cProvParam = static_cast<DWORD>(d->params.size());
    if (!d->params.empty()) {
        info->rgProvParam = reinterpret_cast<CRYPT_KEY_PROV_PARAM *>(base + l.params);
        size_t at = l.data;
        for (size_t i = 0; i < d->params.size(); ++i) {
            CRYPT_KEY_PROV_PARAM &p = info->rgProvParam[i];
            p.dwParam = d->params[i].param;
            p.dwFlags = d->params[i].flags;
            p.cbData = static_cast<DWORD>(d->params[i].data.size());
            p.pbData = p.cbData ? base + at : nullptr;
            if (p.cbData)
                std::memcpy(base + at, d->params[i].data.data(), p.cbData);
            at += p.cbData;
        }
    }
    if (d->container) {
        info->pwszContainerName = reinterpret_cast<wchar_t *>(base + l.container);
        std::wmemcpy(info->pwszContainerName, d->container->c_str(), d->container->size() + 1);
    }
    if (d->provider) {
        info->pwszProvName = reinterpret_cast<wchar_t *>(base + l.provider);
        std::wmemcpy(info->pwszProvName, d->provider->c_str(), d->provider->size() + 1);
    }
}

} // namespace platform
