#include "ansitext.h"
#include "storefile.h"

#include <unicode/ucnv.h>
#include <unicode/unistr.h>

#include <cstdlib>
#include <langinfo.h>
#include <locale.h>
#include <memory>

namespace platform {
namespace {

std::string ctypeLocaleName()
{
    for (const char *variable : {"LC_ALL", "LC_CTYPE", "LANG"})
        if (const char *value = std::getenv(variable); value && *value)
            return value;
    return "C";
}

bool isUtf8(const std::string &charset)
{
    std::string folded;
    for (char c : charset)
        if (c != '-' && c != '_')
            folded.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
    return folded == "UTF8";
}

struct ConverterCloser {
    void operator()(UConverter *converter) const { ucnv_close(converter); }
};

} // namespace

std::string ansiCharset()
{
    const std::string name = ctypeLocaleName();
    if (const auto dot = name.find('.'); dot != std::string::npos) {
        std::string codeset = name.substr(dot + 1, name.find('@', dot) - dot - 1);
        if (!codeset.empty())
            return codeset;
    }
    const std::string bare = name.substr(0, name.find('@'));
    if (bare != "C" && bare != "POSIX") {
        if (locale_t installed = newlocale(LC_CTYPE_MASK, name.c_str(), nullptr)) {
            std::string codeset = nl_langinfo_l(CODESET, installed);
            freelocale(installed);
            if (!codeset.empty())
                return codeset;
        }
    }
    return "UTF-8";
}

std::string toAnsi(const std::wstring &text)
{
    const std::string charset = ansiCharset();
    if (isUtf8(charset))
        return toUtf8(text);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterCloser> converter(ucnv_open(charset.c_str(), &status));
    if (U_FAILURE(status))
        return toUtf8(text); // a codeset ICU does not know: the layer's default
    status = U_ZERO_ERROR;
    ucnv_setSubstChars(converter.get(), "?", 1, &status);
    const icu::UnicodeString unicode = icu::UnicodeString::fromUTF32(reinterpret_cast<const UChar32 *>(text.data()),
                                                                     static_cast<int32_t>(text.size()));
    status = U_ZERO_ERROR;
    const int32_t size = unicode.extract(nullptr, 0, converter.get(), status);
    std::string out(static_cast<size_t>(size), '\0');
    status = U_ZERO_ERROR;
    unicode.extract(out.data(), size, converter.get(), status);
    return out;
}

} // namespace platform
