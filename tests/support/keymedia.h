// Key media for the provider tests: containers made by the keymedium tool on temporary
// folders, an environment that points the platform layer at them and nowhere else, and
// owners and readers of provider contexts and keys.
#pragma once

#include <wincrypt.h>

#include "runprogram.h"
#include "tempdir.h"

#include <gtest/gtest.h>
#include <unicode/unistr.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace keymediatest {

using Bytes = std::vector<unsigned char>;
using testsupport::TempDir;

extern const wchar_t kGostProvider[];
constexpr DWORD kGostType = 75;

// Sets environment variables for its lifetime and puts back what was there.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;
    ~ScopedEnvironment()
    {
        for (const auto &[name, old] : saved_)
            old ? ::setenv(name.c_str(), old->c_str(), 1) : ::unsetenv(name.c_str());
    }
    void set(const std::string &name, const std::string &value)
    {
        if (!saved_.count(name)) {
            const char *old = std::getenv(name.c_str());
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        ::setenv(name.c_str(), value.c_str(), 1);
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

// One run of the keymedium tool; a failure of the tool fails the test with its message.
testsupport::ProgramResult keymedium(const std::vector<std::string> &args);

// Makes a container with a new key and certificate through the tool; returns its folder.
std::string createContainer(const std::string &keyFolder, const std::string &name,
                            const std::string &subject = "/CN=Test", const std::vector<std::string> &more = {});

// The user's home, the local key folder and a folder of mount points, all temporary, with
// the UTF-8 locale: the user's real media are never searched.
class KeyMedia : public ::testing::Test {
protected:
    void SetUp() override
    {
        environment.set("CERTINSTALL_HOME", home.path().string());
        environment.set("HOME", home.path().string());
        environment.set("CERTINSTALL_MEDIA", mounts.path().string());
        environment.set("CERTINSTALL_PKCS11", "");
        environment.set("LC_ALL", "C.UTF-8");
    }

    std::string localKeys() const { return home.file("keys"); }
    // A mounted medium with a key folder; returns the key folder.
    std::string medium(const std::string &label) const
    {
        const std::string keys = mounts.file(label) + "/certinstall-keys";
        std::filesystem::create_directories(keys);
        return keys;
    }
    void removeMedium(const std::string &label) const { std::filesystem::remove_all(mounts.file(label)); }
    void writeProviderConfig(const std::string &text) const
    {
        std::ofstream(home.file("providers.conf"), std::ios::binary) << text;
    }

    TempDir home, mounts;
    ScopedEnvironment environment;
};

// SoftHSM tokens in a private folder, with SoftHSM the only PKCS #11 module searched.
// SoftHSM sees the tokens there when a process loads it, and the platform layer loads a
// module once per process: tests that list tokens do it in a process of their own
// (inChild), after making them.
class SoftTokens {
public:
    explicit SoftTokens(ScopedEnvironment &environment);
    static std::string module();
    // A new initialized token.
    void make(const std::string &label) const;
    // A certificate object on the token; without a label when `label` is null.
    void put(const std::string &token, const Bytes &certificate, const std::string &hexId,
             const char *label) const;
    // The token's folder deleted, as a card taken out.
    void remove(const std::string &label) const;

private:
    TempDir folder_;
};

// Runs `body` in a child process and fails the test when an assertion failed there (its
// messages are written as in the test's own process).
void inChild(const std::function<void()> &body);

// Owns a provider context.
class Provider {
public:
    Provider() = default;
    explicit Provider(HCRYPTPROV handle) : handle_(handle) {}
    Provider(Provider &&other) noexcept : handle_(other.release()) {}
    Provider &operator=(Provider &&other) noexcept
    {
        reset(other.release());
        return *this;
    }
    ~Provider() { reset(); }
    HCRYPTPROV get() const { return handle_; }
    HCRYPTPROV release()
    {
        HCRYPTPROV handle = handle_;
        handle_ = 0;
        return handle;
    }
    void reset(HCRYPTPROV handle = 0)
    {
        if (handle_)
            CryptReleaseContext(handle_, 0);
        handle_ = handle;
    }
    explicit operator bool() const { return handle_ != 0; }

private:
    HCRYPTPROV handle_ = 0;
};

// Owns a key.
class Key {
public:
    explicit Key(HCRYPTKEY handle = 0) : handle_(handle) {}
    Key(const Key &) = delete;
    Key &operator=(const Key &) = delete;
    ~Key()
    {
        if (handle_)
            CryptDestroyKey(handle_);
    }
    HCRYPTKEY get() const { return handle_; }
    explicit operator bool() const { return handle_ != 0; }

private:
    HCRYPTKEY handle_ = 0;
};

// A context of the GOST provider on `container` (a verify context when null); empty with
// the last error set when it cannot be opened.
Provider openGost(const wchar_t *container, DWORD flags = 0);
Provider openVerify(const wchar_t *provider = kGostProvider, DWORD type = kGostType);

Key exchangeKey(const Provider &provider);

// Every container name the context lists, as the ANSI bytes without their zero; the
// buffer is sized by the query for the longest name first. Fails the test on an error
// other than the end of the list.
std::vector<std::string> listContainers(HCRYPTPROV provider);

// A provider parameter through the two-call contract; empty when it fails.
Bytes provParam(HCRYPTPROV provider, DWORD param, DWORD flags = 1);
// An ANSI text parameter without its terminating zero.
std::string provText(HCRYPTPROV provider, DWORD param, DWORD flags = 1);

// The key's certificate through the two-call contract; empty when it fails.
Bytes keyCertificate(HCRYPTKEY key);

std::wstring fromUtf8(const std::string &text);
Bytes fileBytes(const std::string &path);
std::string utf8(const std::wstring &text); // names with Cyrillic letters, from wide literals

inline DWORD code(HRESULT hr) { return static_cast<DWORD>(hr); }

} // namespace keymediatest
