#include "providers/tokens.h"

#include <p11-kit/p11-kit.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

namespace platform {
namespace {

// Bounds on what a module reports, so that a broken one costs no more than a real token:
// slots, objects per token and the bytes of one attribute.
constexpr CK_ULONG kMostSlots = 256;
constexpr size_t kMostObjects = 4096;
constexpr CK_ULONG kLargestAttribute = CK_ULONG(1) << 20;

// A module loaded and initialized through p11-kit, which shares it with every other user
// of the module in the process and passes CKF_OS_LOCKING_OK.
struct LoadedModule {
    CK_FUNCTION_LIST *functions = nullptr;
    std::string file;
};

std::mutex &modulesMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::string moduleFile(CK_FUNCTION_LIST *module)
{
    char *file = p11_kit_module_get_filename(module);
    std::string out = file ? file : "";
    std::free(file);
    return out;
}

bool initialized(CK_FUNCTION_LIST *module)
{
    if (p11_kit_module_initialize(module) == CKR_OK)
        return true;
    p11_kit_module_release(module);
    return false;
}

// The registry's modules but those of trust policy, which hold the system's trust anchors
// (no one's keys) and would list every root certificate as a container. Loaded at the
// first call only.
const std::vector<LoadedModule> &registryModules()
{
    static std::vector<LoadedModule> modules;
    static bool loaded = false;
    if (loaded)
        return modules;
    loaded = true;
    CK_FUNCTION_LIST **all = p11_kit_modules_load(nullptr, 0);
    for (CK_FUNCTION_LIST **at = all; at && *at; ++at) {
        char *trust = p11_kit_config_option(*at, "trust-policy");
        // p11-kit takes "yes" for true in its configuration.
        const bool trustPolicy = trust && std::strcmp(trust, "yes") == 0;
        std::free(trust);
        if (trustPolicy)
            p11_kit_module_release(*at);
        else if (initialized(*at))
            modules.push_back(LoadedModule{*at, moduleFile(*at)});
    }
    std::free(all); // the array only; its modules are released one by one or kept
    return modules;
}

// The module at an absolute path, loaded at the first call for that path; null when it
// cannot be loaded or initialized, which is not tried again.
const LoadedModule *pathModule(const std::string &path)
{
    static std::map<std::string, LoadedModule> modules;
    auto found = modules.find(path);
    if (found == modules.end()) {
        LoadedModule module;
        if (CK_FUNCTION_LIST *functions = p11_kit_module_load(path.c_str(), 0); functions && initialized(functions))
            module = LoadedModule{functions, path};
        found = modules.emplace(path, module).first;
    }
    return found->second.functions ? &found->second : nullptr;
}

std::string paddedText(const CK_UTF8CHAR *text, size_t size)
{
    while (size > 0 && (text[size - 1] == ' ' || text[size - 1] == '\0'))
        --size;
    return std::string(reinterpret_cast<const char *>(text), size);
}

// The token now in the slot, when it is initialized.
bool tokenIn(CK_FUNCTION_LIST *module, CK_SLOT_ID slot, Token &out)
{
    CK_TOKEN_INFO info {};
    if (module->C_GetTokenInfo(slot, &info) != CKR_OK || !(info.flags & CKF_TOKEN_INITIALIZED))
        return false;
    out.module = module;
    out.slot = slot;
    out.label = paddedText(info.label, sizeof info.label);
    out.serial = paddedText(info.serialNumber, sizeof info.serialNumber);
    return true;
}

void addTokens(const LoadedModule &module, std::vector<Token> &out)
{
    CK_SLOT_ID slots[kMostSlots];
    CK_ULONG count = kMostSlots;
    // A module with more slots than that says so, and gives none: such a host is no desktop.
    if (module.functions->C_GetSlotList(CK_TRUE, slots, &count) != CKR_OK)
        return;
    const size_t first = out.size();
    for (CK_ULONG i = 0; i < count && i < kMostSlots; ++i) {
        Token token;
        token.moduleFile = module.file;
        if (tokenIn(module.functions, slots[i], token))
            out.push_back(std::move(token));
    }
    // By label, as media come by name: slot numbers may change from one start to the next.
    std::stable_sort(out.begin() + static_cast<std::ptrdiff_t>(first), out.end(),
                     [](const Token &a, const Token &b) { return a.label < b.label; });
}

// Ends a session however the reading ends.
class Session {
public:
    Session(CK_FUNCTION_LIST *module, CK_SLOT_ID slot) : module_(module)
    {
        if (module->C_OpenSession(slot, CKF_SERIAL_SESSION, nullptr, nullptr, &handle_) != CKR_OK)
            module_ = nullptr;
    }
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;
    ~Session()
    {
        if (module_)
            module_->C_CloseSession(handle_);
    }
    explicit operator bool() const { return module_ != nullptr; }
    CK_SESSION_HANDLE handle() const { return handle_; }

private:
    CK_FUNCTION_LIST *module_;
    CK_SESSION_HANDLE handle_ = 0;
};

// The handles of the token's X.509 certificates, at most kMostObjects.
std::vector<CK_OBJECT_HANDLE> certificateObjects(CK_FUNCTION_LIST *module, CK_SESSION_HANDLE session)
{
    CK_OBJECT_CLASS objectClass = CKO_CERTIFICATE;
    CK_CERTIFICATE_TYPE type = CKC_X_509;
    CK_ATTRIBUTE search[] = {{CKA_CLASS, &objectClass, sizeof objectClass},
                             {CKA_CERTIFICATE_TYPE, &type, sizeof type}};
    std::vector<CK_OBJECT_HANDLE> objects;
    if (module->C_FindObjectsInit(session, search, 2) != CKR_OK)
        return objects;
    CK_OBJECT_HANDLE batch[64];
    CK_ULONG found = 0;
    while (objects.size() < kMostObjects && module->C_FindObjects(session, batch, 64, &found) == CKR_OK && found > 0)
        objects.insert(objects.end(), batch, batch + std::min<CK_ULONG>(found, 64));
    module->C_FindObjectsFinal(session);
    if (objects.size() > kMostObjects)
        objects.resize(kMostObjects);
    return objects;
}

// Id, label and value of a certificate object: their sizes first, then the bytes. False
// when one is missing or larger than kLargestAttribute.
bool readCertificate(CK_FUNCTION_LIST *module, CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object,
                     TokenCertificate &out)
{
    CK_ATTRIBUTE attributes[] = {{CKA_ID, nullptr, 0}, {CKA_LABEL, nullptr, 0}, {CKA_VALUE, nullptr, 0}};
    module->C_GetAttributeValue(session, object, attributes, 3);
    std::vector<unsigned char> id, label, value;
    std::vector<unsigned char> *buffers[] = {&id, &label, &value};
    for (int i = 0; i < 3; ++i) {
        // A missing label reads as an empty one; an id and a value are needed.
        if (attributes[i].ulValueLen == CK_UNAVAILABLE_INFORMATION && attributes[i].type == CKA_LABEL)
            attributes[i].ulValueLen = 0;
        if (attributes[i].ulValueLen == CK_UNAVAILABLE_INFORMATION || attributes[i].ulValueLen > kLargestAttribute)
            return false;
        buffers[i]->resize(attributes[i].ulValueLen);
        attributes[i].pValue = buffers[i]->empty() ? nullptr : buffers[i]->data();
    }
    if (module->C_GetAttributeValue(session, object, attributes, 3) != CKR_OK || id.empty() || value.empty())
        return false;
    for (int i = 0; i < 3; ++i) // a module may give fewer bytes than it announced
        buffers[i]->resize(std::min<CK_ULONG>(attributes[i].ulValueLen, buffers[i]->size()));
    out = TokenCertificate{std::move(id), std::string(label.begin(), label.end()), std::move(value)};
    return true;
}

} // namespace

std::vector<Token> presentTokens(const ReaderSource &source)
{
    std::vector<Token> tokens;
    std::lock_guard<std::mutex> lock(modulesMutex());
    if (source.kind == ReaderSource::Kind::Pkcs11Registry) {
        for (const LoadedModule &module : registryModules())
            addTokens(module, tokens);
    } else if (const LoadedModule *module = pathModule(source.path)) {
        addTokens(*module, tokens);
    }
    return tokens;
}

bool tokenCertificates(const Token &token, std::vector<TokenCertificate> &out)
{
    Token now;
    if (!tokenIn(token.module, token.slot, now) || now.label != token.label || now.serial != token.serial)
        return false;
    Session session(token.module, token.slot);
    if (!session)
        return false;
    out.clear();
    for (CK_OBJECT_HANDLE object : certificateObjects(token.module, session.handle())) {
        TokenCertificate certificate;
        if (readCertificate(token.module, session.handle(), object, certificate))
            out.push_back(std::move(certificate));
    }
    return true;
}

} // namespace platform
