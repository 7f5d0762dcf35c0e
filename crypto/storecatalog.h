// The current user's system stores and their Russian titles.
#pragma once

#include <string>
#include <vector>

// The title of a store name ("Root" → "Доверенные корневые центры сертификации"); a name
// without a title comes back unchanged. Names compare without regard to case.
std::wstring storeTitle(const std::wstring &name);

// The store name of a title; a text that is no title comes back unchanged.
std::wstring storeNameByTitle(const std::wstring &title);

// The names of the current user's system stores in the platform's order. Never throws.
std::vector<std::wstring> enumSystemStores();
