#include "containerfolder.h"

#include "providers/newcontainer.h"
#include "text/utf8text.h"

#include <windows.h>

#include <stdexcept>

namespace keymedium {
namespace {

// The platform's English text for its last error, without the line break.
std::string lastErrorText()
{
    LPWSTR buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        GetLastError(), MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::wstring text = length && buffer ? std::wstring(buffer, length) : L"unknown error";
    if (buffer)
        LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r'))
        text.pop_back();
    return platform::toUtf8(text);
}

// A folder name that hints at the container: its ASCII letters and digits, at most 32.
std::string folderStem(const std::string &name)
{
    std::string stem;
    for (char c : name)
        if (stem.size() < 32 &&
            ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_'))
            stem.push_back(c);
    return stem.empty() ? "container" : stem;
}

} // namespace

std::string writeContainer(const std::string &keyFolder, const ContainerContent &content)
{
    platform::NewContainer container;
    container.name = platform::fromUtf8(content.name);
    // Names are compared as the providers read them, so a FIFO or huge name file costs nothing.
    if (platform::unusedContainerName(keyFolder, container.name) != container.name)
        throw std::runtime_error("a container named \"" + content.name + "\" is already in " + keyFolder);
    container.keySpec = content.exchangeKey ? AT_KEYEXCHANGE : AT_SIGNATURE;
    container.certificate.assign(content.certificate.begin(), content.certificate.end());
    container.privateKeyPem = content.privateKeyPem;
    container.folderStem = folderStem(content.name);
    const std::string folder = platform::writeNewContainer(keyFolder, container);
    if (folder.empty())
        throw std::runtime_error("cannot write the container into " + keyFolder + ": " + lastErrorText());
    return folder;
}

} // namespace keymedium
