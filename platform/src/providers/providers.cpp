#include "providers/providers.h"
#include "files/filereading.h"
#include "lasterror.h"
#include "text/unicodetext.h"
#include "text/utf8text.h"
#include "userhome.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unordered_map>
#include <utility>

namespace platform {

const wchar_t kDefaultProviderName[] = L"Crypto-Pro GOST R 34.10-2001 Cryptographic Service Provider";
const char kMediumKeyFolder[] = "certinstall-keys";

namespace {

const char kConfigFile[] = "/providers.conf";

// Far larger than any list of providers a person writes; the same bound as Crypto.cfg.
constexpr size_t kLargestConfig = size_t(1) << 20;

// Programs list providers into buffers of 200 characters, the terminating zero included;
// a longer name would end their walk through the providers there.
constexpr size_t kLongestProviderName = 199;

// The non-empty parts of a ':'-separated list, as PATH-like variables give them.
std::vector<std::string> colonList(const std::string &all)
{
    std::vector<std::string> parts;
    for (size_t at = 0; at <= all.size();) {
        auto colon = all.find(':', at);
        if (colon == std::string::npos)
            colon = all.size();
        if (colon > at)
            parts.push_back(all.substr(at, colon - at));
        at = colon + 1;
    }
    return parts;
}

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

// The text with its control characters spelled out (\x1B, \u009B), so that a line of the
// file shown on a terminal cannot drive it.
std::string printable(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    char escape[8];
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c < 0x20 || c == 0x7F) {
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            out += escape;
        } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) { // U+0080 to U+009F in UTF-8
            std::snprintf(escape, sizeof escape, "\\u%04X", next);
            out += escape;
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// Writes a problem of the configuration file to standard error. The file is parsed, and
// its problems reported, only when its contents change.
void report(const std::string &line) { std::fprintf(stderr, "%s\n", printable(line).c_str()); }

// The key that names compare by: their full case folding, as sameProviderName compares.
std::wstring foldedName(const std::wstring &name)
{
    return toWide(toUnicodeString(name).foldCase(U_FOLD_CASE_DEFAULT));
}

// One section of the file as it is read. Outside the reader, so that it is complete (and
// default-constructible) where the reader keeps an optional one.
struct Section {
    ProviderConfig provider;
    std::string name; // as written, for the messages
    size_t line = 0;
    bool named = false; // the header names a provider not described before
    bool builtIn = false;
    bool typed = false;
    bool broken = false;
    std::set<std::wstring> readerNames;
};

// Reads the configuration line by line. A section with a problem is skipped whole, so a
// mistake costs one provider, never the others; the built-in provider is always listed
// and keeps its type.
class ConfigReader {
public:
    explicit ConfigReader(std::string path) : path_(std::move(path)) {}

    std::vector<ProviderConfig> read(const std::string &text)
    {
        size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
        while (at < text.size()) {
            auto end = text.find('\n', at);
            if (end == std::string::npos)
                end = text.size();
            const std::string line = trimmed(text.substr(at, end - at));
            at = end + 1;
            ++lineNumber_;
            if (line.empty() || line[0] == '#' || line[0] == ';')
                continue;
            if (line[0] == '[')
                startSection(line);
            else
                readEntry(line);
        }
        endSection();
        return std::move(listed_);
    }

private:
    void problem(size_t line, const std::string &what)
    {
        report(path_ + ":" + std::to_string(line) + ": " + what);
    }
    void sectionProblem(const std::string &what)
    {
        problem(lineNumber_, what + "; section skipped");
        section_->broken = true;
    }

    void startSection(const std::string &line)
    {
        endSection();
        section_.emplace();
        Section &section = *section_;
        section.line = lineNumber_;
        if (line.size() < 2 || line.back() != ']')
            return sectionProblem("the section header does not end in \"]\"");
        section.name = trimmed(line.substr(1, line.size() - 2));
        if (section.name.empty())
            return sectionProblem("the section header names no provider");
        if (section.name.find('\0') != std::string::npos)
            return sectionProblem("the provider's name holds a NUL character");
        section.provider.name = fromUtf8(section.name);
        if (section.provider.name.size() > kLongestProviderName)
            return sectionProblem("the provider's name is longer than " + std::to_string(kLongestProviderName) +
                                  " characters");
        const auto [first, added] = headers_.emplace(foldedName(section.provider.name), section.line);
        if (!added)
            return sectionProblem("provider \"" + section.name + "\" is already described on line " +
                                  std::to_string(first->second));
        section.named = true;
        section.builtIn = sameProviderName(section.provider.name, kDefaultProviderName);
        if (section.builtIn)
            section.provider = ProviderConfig{kDefaultProviderName, kDefaultProviderType, {}};
    }

    void readEntry(const std::string &line)
    {
        if (!section_)
            return problem(lineNumber_, "\"" + line + "\" is outside any section; ignored");
        if (line.find('\0') != std::string::npos)
            return sectionProblem("\"" + line + "\" holds a NUL character");
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            return sectionProblem("\"" + line + "\" is not \"key = value\"");
        const std::string key = trimmed(line.substr(0, equals)), value = trimmed(line.substr(equals + 1));
        Section &section = *section_;
        ProviderConfig &provider = section.provider;
        if (key == "type") {
            DWORD type = 0;
            const bool valid = parseType(value, type);
            if (section.builtIn) {
                if (type != kDefaultProviderType)
                    problem(lineNumber_, "the built-in provider's type is 75; type \"" + value + "\" ignored");
                return;
            }
            if (section.typed)
                return sectionProblem("a second type");
            section.typed = true;
            if (!valid)
                return sectionProblem("type \"" + value + "\" is not a number from 1 to 999");
            provider.type = type;
        } else if (key == "reader") {
            ReaderSource reader;
            if (!parseReader(value, reader))
                return sectionProblem("reader \"" + value +
                                      "\" must be a name (one word without \"\\\") and an absolute folder");
            if (!section.readerNames.insert(reader.name).second)
                return sectionProblem("a second reader of the same name in \"" + value + "\"");
            provider.sources.push_back(std::move(reader));
        } else if (key == "media") {
            if (value.empty() || value[0] != '/')
                return sectionProblem("media \"" + value + "\" is not an absolute folder");
            provider.sources.push_back(ReaderSource{ReaderSource::Kind::MediaRoot, {}, value});
        } else if (key == "pkcs11") {
            if (value == "registry")
                provider.sources.push_back(ReaderSource{ReaderSource::Kind::Pkcs11Registry, {}, {}});
            else if (!value.empty() && value[0] == '/')
                provider.sources.push_back(ReaderSource{ReaderSource::Kind::Pkcs11Module, {}, value});
            else
                return sectionProblem("pkcs11 \"" + value + "\" is neither \"registry\" nor an absolute module file");
        } else {
            sectionProblem("unknown key \"" + key + "\"");
        }
    }

    void endSection()
    {
        if (!section_)
            return;
        Section &section = *section_;
        // A section skipped already (say for a mistyped "typ" key) has had its one message.
        if (!section.broken && section.named && !section.builtIn && !section.typed) {
            problem(section.line, "provider \"" + section.name + "\" has no type; section skipped");
            section.broken = true;
        }
        if (!section.broken)
            listed_.push_back(std::move(section.provider));
        section_.reset();
    }

    std::string path_;
    size_t lineNumber_ = 0;
    std::optional<Section> section_;
    std::unordered_map<std::wstring, size_t> headers_; // the names described so far (folded), by line
    std::vector<ProviderConfig> listed_;
};

// What tells one version of a file from another without reading it.
struct FileStamp {
    bool present = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long modified = 0, changed = 0; // in nanoseconds
    bool operator==(const FileStamp &o) const
    {
        return present == o.present && device == o.device && inode == o.inode && size == o.size &&
               modified == o.modified && changed == o.changed;
    }
};

FileStamp fileStamp(const std::string &path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    auto nanoseconds = [](const timespec &t) { return t.tv_sec * 1000000000LL + t.tv_nsec; };
    return FileStamp{true, st.st_dev, st.st_ino, st.st_size, nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)};
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

ReaderSource localReaderSource() { return {ReaderSource::Kind::Folder, L"LOCAL", userHome() + "/keys"}; }

std::vector<ReaderSource> defaultReaderSources()
{
    std::vector<ReaderSource> sources{localReaderSource()};
    std::vector<std::string> roots;
    if (const char *listed = std::getenv("CERTINSTALL_MEDIA")) {
        roots = colonList(listed);
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
    if (const char *listed = std::getenv("CERTINSTALL_PKCS11")) {
        for (std::string &module : colonList(listed))
            sources.push_back(ReaderSource{ReaderSource::Kind::Pkcs11Module, {}, std::move(module)});
    } else {
        sources.push_back(ReaderSource{ReaderSource::Kind::Pkcs11Registry, {}, {}});
    }
    return sources;
}

std::shared_ptr<const std::vector<ProviderConfig>> installedProviders(ProviderListing listing)
{
    // What the file was when it was last read, and what it gave.
    struct Snapshot {
        std::string path;
        FileStamp stamp;
        std::optional<std::string> text; // none when there is no file or it cannot be read
        DWORD readError = ERROR_SUCCESS;
        std::shared_ptr<const std::vector<ProviderConfig>> providers;
    };
    static std::mutex mutex;
    static Snapshot last;

    Snapshot next;
    next.path = userHome() + kConfigFile;
    next.stamp = fileStamp(next.path);
    std::lock_guard<std::mutex> lock(mutex);
    if (listing == ProviderListing::Cached && last.providers && last.path == next.path && last.stamp == next.stamp)
        return last.providers;
    if (next.stamp.present) {
        std::vector<BYTE> data;
        if (readWholeFile(next.path, data, kLargestConfig))
            next.text.emplace(data.begin(), data.end());
        else
            next.readError = GetLastError();
    }
    // The same contents again: nothing to parse, and the problems were reported already.
    if (last.providers && last.path == next.path && last.stamp.present == next.stamp.present &&
        last.text == next.text && last.readError == next.readError) {
        next.providers = last.providers;
        last = std::move(next);
        return last.providers;
    }
    std::vector<ProviderConfig> providers;
    if (next.text)
        providers = ConfigReader(next.path).read(*next.text);
    else if (next.readError == ERROR_FILE_TOO_LARGE)
        report(next.path + ": larger than " + std::to_string(kLargestConfig >> 20) +
               " MiB; only the built-in provider is listed");
    else if (next.stamp.present)
        report(next.path + ": cannot be read; only the built-in provider is listed");
    if (std::none_of(providers.begin(), providers.end(),
                     [](const ProviderConfig &p) { return p.name == kDefaultProviderName; }))
        providers.insert(providers.begin(), ProviderConfig{kDefaultProviderName, kDefaultProviderType, {}});
    next.providers = std::make_shared<const std::vector<ProviderConfig>>(std::move(providers));
    last = std::move(next);
    return last.providers;
}

} // namespace platform
