// Sets environment variables for one test and puts the old values back afterwards.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

    ~ScopedEnvironment()
    {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->second)
                setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                unsetenv(it->first.c_str());
        }
    }

    // value nullptr removes the variable.
    ScopedEnvironment &set(const char *name, const char *value)
    {
        const char *old = std::getenv(name);
        m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
        return *this;
    }

    // A user whose every locale category is `locale` (LC_ALL), nothing else set.
    ScopedEnvironment &locale(const char *locale)
    {
        for (const char *name : {"LC_MESSAGES", "LC_CTYPE", "LC_TIME", "LANG"})
            set(name, nullptr);
        return set("LC_ALL", locale);
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};
