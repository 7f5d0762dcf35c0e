// FormatMessageW and LocalFree: the system's message texts and the buffers they come in.
#include "lasterror.h"
#include "text/messagetable.h"
#include "text/userlocale.h"

#include <cstdlib>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr DWORD knownFlags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                             FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_HMODULE |
                             FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY |
                             FORMAT_MESSAGE_MAX_WIDTH_MASK;
constexpr int maxInsert = 99;

// Thrown inside the formatter; FormatMessageW turns it into its failure.
struct FormatFailure {
    DWORD code;
};

// ---- Language --------------------------------------------------------------------------

// Which language a language identifier asks for; false when the system has no texts in it.
bool messageLanguageFor(DWORD languageId, platform::MessageLanguage &language)
{
    const WORD primary = PRIMARYLANGID(languageId);
    if (languageId > 0xFFFF)
        return false;
    if (primary == LANG_NEUTRAL) {
        const WORD sub = SUBLANGID(languageId);
        if (sub != SUBLANG_NEUTRAL && sub != SUBLANG_DEFAULT && sub != SUBLANG_SYS_DEFAULT)
            return false;
        language = platform::userMessageLanguage();
        return true;
    }
    if (primary == LANG_RUSSIAN) {
        language = platform::MessageLanguage::Russian;
        return true;
    }
    if (primary == LANG_ENGLISH) {
        language = platform::MessageLanguage::English;
        return true;
    }
    return false;
}

// ---- Parsing a message -----------------------------------------------------------------

// One insert "%n!format!": which argument it shows and how, in printf terms.
struct Insert {
    int number = 0;              // 1..99
    std::wstring flags;          // "-+ #0"
    bool widthFromArgument = false;
    std::wstring width;          // digits
    bool hasPrecision = false;
    bool precisionFromArgument = false;
    std::wstring precision;      // digits
    enum class Size { Default, Short, Long, Int64, Pointer } size = Size::Default;
    wchar_t conversion = L's';
};

enum class ArgumentKind { Unknown, Int32, Int64, Pointer };

struct Piece {
    enum class Kind { Text, RegularBreak, HardBreak, Insert } kind;
    std::wstring text;
    Insert insert;
};

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Parses the printf-like format between the exclamation marks of an insert.
void parseInsertFormat(const std::wstring &format, Insert &insert)
{
    std::size_t i = 0;
    while (i < format.size() && std::wcschr(L"-+ #0", format[i]))
        insert.flags += format[i++];
    if (i < format.size() && format[i] == L'*') {
        insert.widthFromArgument = true;
        ++i;
    } else {
        while (i < format.size() && isDigit(format[i]))
            insert.width += format[i++];
    }
    if (i < format.size() && format[i] == L'.') {
        insert.hasPrecision = true;
        ++i;
        if (i < format.size() && format[i] == L'*') {
            insert.precisionFromArgument = true;
            ++i;
        } else {
            while (i < format.size() && isDigit(format[i]))
                insert.precision += format[i++];
        }
    }
    const std::wstring rest = format.substr(i);
    const std::wstring prefixes[] = {L"I64", L"I32", L"ll", L"I", L"h", L"l", L"w"};
    std::wstring sizePrefix;
    for (const auto &prefix : prefixes)
        if (rest.compare(0, prefix.size(), prefix) == 0) {
            sizePrefix = prefix;
            break;
        }
    if (rest.size() != sizePrefix.size() + 1)
        throw FormatFailure{ERROR_INVALID_PARAMETER};
    insert.conversion = rest.back();
    if (sizePrefix == L"I64" || sizePrefix == L"ll")
        insert.size = Insert::Size::Int64;
    else if (sizePrefix == L"I")
        insert.size = Insert::Size::Pointer;
    else if (sizePrefix == L"h")
        insert.size = Insert::Size::Short;
    else if (sizePrefix == L"l" || sizePrefix == L"w")
        insert.size = Insert::Size::Long;
    // Floating point is not among the conversions an insert may use.
    if (!std::wcschr(L"sScCdiuxXop", insert.conversion))
        throw FormatFailure{ERROR_INVALID_PARAMETER};
}

// Splits a message into text, line breaks and inserts. With escapes off (IGNORE_INSERTS),
// only the line breaks of the text are found, and only when a width asks for them.
std::vector<Piece> parseMessage(const std::wstring &message, bool escapes, bool findLineBreaks)
{
    std::vector<Piece> pieces;
    std::wstring text;
    auto flushText = [&] {
        if (!text.empty())
            pieces.push_back({Piece::Kind::Text, std::move(text), {}});
        text.clear();
    };
    for (std::size_t i = 0; i < message.size(); ++i) {
        const wchar_t c = message[i];
        if (findLineBreaks && (c == L'\n' || (c == L'\r' && i + 1 < message.size() && message[i + 1] == L'\n'))) {
            if (c == L'\r')
                ++i;
            flushText();
            pieces.push_back({Piece::Kind::RegularBreak, {}, {}});
            continue;
        }
        if (!escapes || c != L'%' || i + 1 == message.size()) {
            text += c;
            continue;
        }
        const wchar_t next = message[++i];
        if (next == L'0')
            break; // ends the message here, without a line break
        if (isDigit(next)) {
            Insert insert;
            insert.number = next - L'0';
            if (i + 1 < message.size() && isDigit(message[i + 1]))
                insert.number = insert.number * 10 + (message[++i] - L'0');
            if (i + 1 < message.size() && message[i + 1] == L'!') {
                const std::size_t end = message.find(L'!', i + 2);
                if (end == std::wstring::npos)
                    throw FormatFailure{ERROR_INVALID_PARAMETER};
                parseInsertFormat(message.substr(i + 2, end - i - 2), insert);
                i = end;
            }
            flushText();
            pieces.push_back({Piece::Kind::Insert, {}, insert});
            continue;
        }
        switch (next) {
        case L'n':
            flushText();
            pieces.push_back({Piece::Kind::HardBreak, {}, {}});
            break;
        case L'r':
            text += L'\r';
            break;
        case L't':
            text += L'\t';
            break;
        default: // "%%", "% ", "%.", "%!" and any other character stand for themselves
            text += next;
            break;
        }
    }
    flushText();
    return pieces;
}

// ---- Arguments -------------------------------------------------------------------------

ArgumentKind valueKind(const Insert &insert)
{
    switch (insert.conversion) {
    case L's':
    case L'S':
    case L'p':
        return ArgumentKind::Pointer;
    default:
        if (insert.size == Insert::Size::Int64)
            return ArgumentKind::Int64;
        if (insert.size == Insert::Size::Pointer)
            return sizeof(void *) == 8 ? ArgumentKind::Int64 : ArgumentKind::Int32;
        return ArgumentKind::Int32;
    }
}

// The argument numbers an insert reads: a width and a precision taken from arguments use
// the insert's own number and the ones after it, the value the next.
struct InsertArguments {
    int width = 0, precision = 0, value = 0;
};

InsertArguments argumentsOf(const Insert &insert)
{
    InsertArguments numbers;
    int next = insert.number;
    if (insert.widthFromArgument)
        numbers.width = next++;
    if (insert.precisionFromArgument)
        numbers.precision = next++;
    numbers.value = next;
    if (next > maxInsert)
        throw FormatFailure{ERROR_INVALID_PARAMETER};
    return numbers;
}

// The raw argument values, by number (1-based), read once from the caller's va_list or array.
class InsertValues {
public:
    InsertValues(const std::vector<Piece> &pieces, va_list *list, bool isArray)
    {
        std::map<int, ArgumentKind> kinds;
        for (const Piece &piece : pieces) {
            if (piece.kind != Piece::Kind::Insert)
                continue;
            const InsertArguments numbers = argumentsOf(piece.insert);
            if (numbers.width)
                kinds.emplace(numbers.width, ArgumentKind::Int32);
            if (numbers.precision)
                kinds.emplace(numbers.precision, ArgumentKind::Int32);
            kinds.emplace(numbers.value, valueKind(piece.insert));
        }
        if (kinds.empty())
            return;
        if (!list)
            throw FormatFailure{ERROR_INVALID_PARAMETER};
        const int count = kinds.rbegin()->first;
        m_values.resize(count + 1);
        if (isArray) {
            const auto *array = reinterpret_cast<const DWORD_PTR *>(list);
            for (int n = 1; n <= count; ++n)
                m_values[n] = array[n - 1];
            return;
        }
        // A va_list can only be walked in order, each argument read as the type it was
        // passed as; arguments no insert names are taken as pointer-sized.
        for (int n = 1; n <= count; ++n) {
            const auto kind = kinds.count(n) ? kinds[n] : ArgumentKind::Unknown;
            switch (kind) {
            case ArgumentKind::Int32:
                m_values[n] = static_cast<unsigned int>(va_arg(*list, int));
                break;
            case ArgumentKind::Int64:
                m_values[n] = static_cast<unsigned long long>(va_arg(*list, long long));
                break;
            case ArgumentKind::Pointer:
            case ArgumentKind::Unknown:
                m_values[n] = reinterpret_cast<std::uintptr_t>(va_arg(*list, void *));
                break;
            }
        }
    }

    unsigned long long operator[](int number) const { return m_values.at(number); }

private:
    std::vector<unsigned long long> m_values;
};

// ---- Rendering -------------------------------------------------------------------------

std::wstring narrowToWide(const char *text, int length)
{
    if (length == 0)
        return {};
    const int size = MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
    std::wstring wide(size > 0 ? size : 0, L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_ACP, 0, text, length, &wide[0], size);
    if (length < 0 && !wide.empty())
        wide.pop_back(); // the terminating zero
    return wide;
}

template <class... Values>
std::wstring printfFormatted(const std::wstring &format, Values... values)
{
    std::vector<wchar_t> buffer(64);
    for (;;) {
        const int written = std::swprintf(buffer.data(), buffer.size(), format.c_str(), values...);
        if (written >= 0)
            return std::wstring(buffer.data(), written);
        if (buffer.size() > (1u << 20))
            throw FormatFailure{ERROR_INVALID_PARAMETER};
        buffer.resize(buffer.size() * 4);
    }
}

std::wstring renderInsert(const Insert &insert, const InsertValues &arguments)
{
    const InsertArguments numbers = argumentsOf(insert);
    std::wstring printfFormat = L"%" + insert.flags;
    if (insert.widthFromArgument)
        printfFormat += std::to_wstring(static_cast<int>(arguments[numbers.width]));
    else
        printfFormat += insert.width;
    if (insert.hasPrecision) {
        printfFormat += L'.';
        if (insert.precisionFromArgument)
            printfFormat += std::to_wstring(static_cast<int>(arguments[numbers.precision]));
        else
            printfFormat += insert.precision;
    }
    const unsigned long long value = arguments[numbers.value];
    const bool narrow = insert.size == Insert::Size::Short ||
                        ((insert.conversion == L'S' || insert.conversion == L'C') &&
                         insert.size != Insert::Size::Long);
    switch (insert.conversion) {
    case L's':
    case L'S': {
        const void *pointer = reinterpret_cast<const void *>(static_cast<std::uintptr_t>(value));
        if (!pointer)
            return printfFormatted(printfFormat + L"ls", L"(null)");
        if (narrow)
            return printfFormatted(printfFormat + L"ls", narrowToWide(static_cast<const char *>(pointer), -1).c_str());
        return printfFormatted(printfFormat + L"ls", static_cast<const wchar_t *>(pointer));
    }
    case L'c':
    case L'C': {
        if (narrow) {
            const char byte = static_cast<char>(value);
            return printfFormatted(printfFormat + L"ls", narrowToWide(&byte, 1).c_str());
        }
        const wchar_t character[] = {static_cast<wchar_t>(value), L'\0'};
        return printfFormatted(printfFormat + L"ls", character);
    }
    case L'p':
        return printfFormatted(L"%0*llX", static_cast<int>(2 * sizeof(void *)), value);
    case L'd':
    case L'i': {
        const long long number = valueKind(insert) == ArgumentKind::Int64
                                     ? static_cast<long long>(value)
                                     : static_cast<long long>(static_cast<std::int32_t>(value));
        return printfFormatted(printfFormat + L"ll" + insert.conversion, number);
    }
    default: { // u, x, X, o
        const unsigned long long number =
            valueKind(insert) == ArgumentKind::Int64 ? value : static_cast<std::uint32_t>(value);
        return printfFormatted(printfFormat + L"ll" + insert.conversion, number);
    }
    }
}

// Breaks one hard line into lines of at most `width` characters at white space; a word
// longer than the width keeps a line of its own.
std::wstring wrapLine(const std::wstring &line, unsigned width)
{
    std::wstring result, current;
    std::size_t i = 0;
    while (i < line.size()) {
        const std::size_t wordStart = line.find_first_not_of(L' ', i);
        const std::wstring spaces = line.substr(i, (wordStart == std::wstring::npos ? line.size() : wordStart) - i);
        if (wordStart == std::wstring::npos) {
            if (current.size() + spaces.size() <= width)
                current += spaces;
            break;
        }
        std::size_t wordEnd = line.find(L' ', wordStart);
        if (wordEnd == std::wstring::npos)
            wordEnd = line.size();
        const std::wstring word = line.substr(wordStart, wordEnd - wordStart);
        if (current.empty() && result.empty() && i == 0)
            current = spaces + word;
        else if (current.size() + spaces.size() + word.size() <= width)
            current += spaces + word;
        else {
            result += current + L"\r\n";
            current = word;
        }
        i = wordEnd;
    }
    return result + current;
}

std::wstring render(const std::vector<Piece> &pieces, const InsertValues &arguments, unsigned width)
{
    // Hard lines, each a run of text between hard breaks; a regular line break of the text
    // stays as written when there is no width, else it becomes a space.
    std::vector<std::wstring> lines(1);
    for (const Piece &piece : pieces) {
        switch (piece.kind) {
        case Piece::Kind::Text:
            lines.back() += piece.text;
            break;
        case Piece::Kind::RegularBreak:
            lines.back() += L' ';
            break;
        case Piece::Kind::HardBreak:
            lines.emplace_back();
            break;
        case Piece::Kind::Insert:
            lines.back() += renderInsert(piece.insert, arguments);
            break;
        }
    }
    std::wstring result;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            result += L"\r\n";
        result += width == 0 || width == FORMAT_MESSAGE_MAX_WIDTH_MASK ? lines[i] : wrapLine(lines[i], width);
    }
    return result;
}

std::wstring formatText(const std::wstring &message, DWORD flags, va_list *arguments)
{
    const unsigned width = flags & FORMAT_MESSAGE_MAX_WIDTH_MASK;
    const bool escapes = !(flags & FORMAT_MESSAGE_IGNORE_INSERTS);
    if (!escapes && width == 0)
        return message;
    const auto pieces = parseMessage(message, escapes, width != 0);
    const InsertValues values(pieces, arguments, flags & FORMAT_MESSAGE_ARGUMENT_ARRAY);
    return render(pieces, values, width);
}

// The message the flags name: the caller's string, or the system's text for the code.
std::wstring sourceMessage(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId)
{
    if (flags & FORMAT_MESSAGE_FROM_STRING) {
        if (flags & (FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_FROM_HMODULE) || !source)
            throw FormatFailure{ERROR_INVALID_PARAMETER};
        return static_cast<const wchar_t *>(source);
    }
    // No module of this host carries a message table of its own, so a module search
    // finds nothing and only the system's texts remain.
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM)) {
        if (flags & FORMAT_MESSAGE_FROM_HMODULE)
            throw FormatFailure{ERROR_MR_MID_NOT_FOUND};
        throw FormatFailure{ERROR_INVALID_PARAMETER};
    }
    platform::MessageLanguage language;
    if (!messageLanguageFor(languageId, language))
        throw FormatFailure{ERROR_RESOURCE_LANG_NOT_FOUND};
    const platform::SystemMessage *message = platform::findSystemMessage(messageId);
    if (!message)
        throw FormatFailure{ERROR_MR_MID_NOT_FOUND};
    return language == platform::MessageLanguage::Russian ? message->russian : message->english;
}

} // namespace

DWORD WINAPI FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                            LPWSTR lpBuffer, DWORD nSize, va_list *Arguments)
{
    const bool allocate = dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER;
    if (!lpBuffer)
        return platform::fail<DWORD>(ERROR_INVALID_PARAMETER, 0);
    if (allocate)
        *reinterpret_cast<LPWSTR *>(lpBuffer) = nullptr;
    if (dwFlags & ~knownFlags)
        return platform::fail<DWORD>(ERROR_INVALID_FLAGS, 0);

    std::wstring text;
    try {
        text = formatText(sourceMessage(dwFlags, lpSource, dwMessageId, dwLanguageId), dwFlags, Arguments);
    } catch (const FormatFailure &failure) {
        return platform::fail<DWORD>(failure.code, 0);
    } catch (const std::bad_alloc &) {
        return platform::fail<DWORD>(ERROR_NOT_ENOUGH_MEMORY, 0);
    }

    const std::size_t needed = text.size() + 1;
    if (allocate) {
        // nSize is the least number of characters the caller wants allocated.
        const std::size_t count = needed > nSize ? needed : nSize;
        auto *buffer = static_cast<wchar_t *>(std::calloc(count, sizeof(wchar_t)));
        if (!buffer)
            return platform::fail<DWORD>(ERROR_NOT_ENOUGH_MEMORY, 0);
        std::wmemcpy(buffer, text.c_str(), needed);
        *reinterpret_cast<LPWSTR *>(lpBuffer) = buffer;
    } else {
        if (needed > nSize)
            return platform::fail<DWORD>(ERROR_INSUFFICIENT_BUFFER, 0);
        std::wmemcpy(lpBuffer, text.c_str(), needed);
    }
    return static_cast<DWORD>(text.size());
}

HLOCAL WINAPI LocalFree(HLOCAL hMem)
{
    // Local memory on this host is the C heap; NULL is accepted and ignored.
    std::free(hMem);
    return nullptr;
}
