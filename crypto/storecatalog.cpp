#include "crypto/storecatalog.h"

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <cwchar>
#include <map>

namespace {

// Letters compare without case over the shorter length; then the shorter name sorts first.
struct NameLess {
    bool operator()(const std::wstring &a, const std::wstring &b) const
    {
        const size_t common = std::min(a.size(), b.size());
#ifdef _WIN32
        const int order = _wcsnicmp(a.c_str(), b.c_str(), common);
#else
        const int order = wcsncasecmp(a.c_str(), b.c_str(), common);
#endif
        if (order != 0)
            return order < 0;
        return a.size() < b.size();
    }
};

using Catalogue = std::map<std::wstring, std::wstring, NameLess>;

const Catalogue &catalogue()
{
    static const Catalogue titles = [] {
        Catalogue c;
        c[L"My"] = L"Личные";
        c[L"Root"] = L"Доверенные корневые центры сертификации";
        c[L"Trust"] = L"Доверительные отношения в предприятии";
        c[L"CA"] = L"Промежуточные центры сертификации";
        c[L"UserDS"] = L"Объект пользователя Active Directory";
        c[L"Disallowed"] = L"Сертификаты, к которым нет доверия";
        c[L"AuthRoot"] = L"Сторонние корневые центры сертификации";
        c[L"TrustedPeople"] = L"Доверенные лица";
        c[L"AddressBook"] = L"Другие пользователи";
        c[L"TrustedPublisher"] = L"Доверенные издатели";
        c[L"REQUEST"] = L"Запросы заявок на сертификат";
        c[L"ClientAuthIssuer"] = L"Издатели сертификатов проверки подлинности клиентов";
        c[L"SmartCardRoot"] = L"Корневые сертификаты смарт-карт";
        c[L"TrustedDevices"] = L"Доверенные устройства";
        return c;
    }();
    return titles;
}

BOOL WINAPI collectStore(const void *store, DWORD flags, PCERT_SYSTEM_STORE_INFO, void *, void *list)
{
    const wchar_t *name = (flags & CERT_SYSTEM_STORE_RELOCATE_FLAG)
                              ? static_cast<const CERT_SYSTEM_STORE_RELOCATE_PARA *>(store)->pwszSystemStore
                              : static_cast<const wchar_t *>(store);
    static_cast<std::vector<std::wstring> *>(list)->push_back(name ? name : L"");
    return TRUE;
}

} // namespace

std::wstring storeTitle(const std::wstring &name)
{
    const Catalogue &titles = catalogue();
    const auto found = titles.find(name);
    return found == titles.end() ? name : found->second;
}

std::wstring storeNameByTitle(const std::wstring &title)
{
    const NameLess less;
    for (const auto &entry : catalogue())
        if (!less(entry.second, title) && !less(title, entry.second))
            return entry.first;
    return title;
}

std::vector<std::wstring> enumSystemStores()
{
    std::vector<std::wstring> names;
    CertEnumSystemStore(CERT_SYSTEM_STORE_CURRENT_USER, nullptr, &names, collectStore);
    return names;
}
