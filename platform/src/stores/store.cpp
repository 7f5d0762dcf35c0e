#include "stores/store.h"
#include "files/filereplace.h"
#include "files/regularfiles.h"
#include "lasterror.h"
#include "stores/adddisposition.h"
#include "stores/fileelements.h"
#include "stores/storefile.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_set>

namespace platform {
namespace {

// A system store keeps one element per certificate, as Windows keys them by hash: of equal
// ones (a file written when duplicates were still kept) the last one stays. `identity`
// names an item's certificate, or is empty for an item that is no certificate.
template <typename Item, typename Identity>
void keepLastOfEach(std::vector<Item> &items, Identity identity)
{
    std::unordered_set<std::string_view> seen;
    std::vector<bool> keep(items.size(), true);
    for (size_t i = items.size(); i-- > 0;) {
        const std::string_view key = identity(items[i]);
        if (!key.empty())
            keep[i] = seen.insert(key).second;
    }
    size_t kept = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        if (keep[i] && kept != i)
            items[kept] = std::move(items[i]);
        kept += keep[i];
    }
    items.erase(items.begin() + static_cast<long>(kept), items.end());
}

void keepLastOfEach(std::vector<SerializedElement> &elements)
{
    keepLastOfEach(elements, [](const SerializedElement &e) {
        return e.id == kCertElementId
                   ? std::string_view(reinterpret_cast<const char *>(e.encoded.data()), e.encoded.size())
                   : std::string_view();
    });
}

void keepLastOfEach(std::vector<std::unique_ptr<CertObject>> &objects)
{
    keepLastOfEach(objects, [](const std::unique_ptr<CertObject> &o) {
        return std::string_view(reinterpret_cast<const char *>(o->cert->sha1.data()), o->cert->sha1.size());
    });
}

} // namespace

namespace {

// Every store alive. A handle is taken for a store only when it names one of them, so that
// a foreign or closed handle is refused without being read as a store.
std::mutex &liveStoresMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::unordered_set<const void *> &liveStores()
{
    static std::unordered_set<const void *> stores;
    return stores;
}

} // namespace

Store::Store(Kind kind) : kind_(kind)
{
    std::lock_guard<std::mutex> guard(liveStoresMutex());
    liveStores().insert(this);
}

Store::~Store()
{
    std::lock_guard<std::mutex> guard(liveStoresMutex());
    liveStores().erase(this);
}

Store *storeOf(HCERTSTORE handle)
{
    {
        std::lock_guard<std::mutex> guard(liveStoresMutex());
        if (handle && liveStores().count(handle) != 0)
            return static_cast<Store *>(handle);
    }
    return fail(hresultCode(E_INVALIDARG), static_cast<Store *>(nullptr));
}

void Store::release()
{
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        for (CertObject *o = head_; o;) {
            CertObject *next = o->next;
            delete o;
            o = next;
        }
        head_ = tail_ = nullptr;
    }
    delete this;
}

void Store::configureFile(std::string path, bool commitOnClose, bool readOnly)
{
    path_ = std::move(path);
    commitOnClose_ = commitOnClose;
    readOnly_ = readOnly;
}

void Store::configureSystem(std::string path, bool readOnly)
{
    path_ = std::move(path);
    readOnly_ = readOnly;
}

void Store::link(CertObject *object, CertObject *after)
{
    object->owner = this;
    object->hCertStore = this;
    object->linked = true;
    object->refs.fetch_add(1);
    CertObject *before = after ? after : tail_;
    object->prev = before;
    object->next = before ? before->next : head_;
    if (object->next)
        object->next->prev = object;
    else
        tail_ = object;
    if (before)
        before->next = object;
    else
        head_ = object;
    // In store order among its equals too: last, or right after the one it replaces.
    SameHash &chain = byHash_[object->hashKey()];
    CertObject *previous = after && after->linked ? after : chain.last;
    object->prevSameHash = previous;
    object->nextSameHash = previous ? previous->nextSameHash : chain.first;
    if (object->nextSameHash)
        object->nextSameHash->prevSameHash = object;
    else
        chain.last = object;
    if (previous)
        previous->nextSameHash = object;
    else
        chain.first = object;
}

void Store::unlinkMember(CertObject *object)
{
    if (!object->linked)
        return;
    object->linked = false;
    auto it = byHash_.find(object->hashKey());
    if (it != byHash_.end()) {
        SameHash &chain = it->second;
        if (object->prevSameHash)
            object->prevSameHash->nextSameHash = object->nextSameHash;
        else
            chain.first = object->nextSameHash;
        if (object->nextSameHash)
            object->nextSameHash->prevSameHash = object->prevSameHash;
        else
            chain.last = object->prevSameHash;
        if (!chain.first)
            byHash_.erase(it);
    }
    object->prevSameHash = object->nextSameHash = nullptr;
    if (object->refs.fetch_sub(1) == 1)
        destroyLocked(object);
}

CertObject *Store::firstWithHash(const std::string &hash) const
{
    auto it = byHash_.find(hash);
    return it == byHash_.end() ? nullptr : it->second.first;
}

void Store::destroyLocked(CertObject *object)
{
    if (object->prev)
        object->prev->next = object->next;
    else
        head_ = object->next;
    if (object->next)
        object->next->prev = object->prev;
    else
        tail_ = object->prev;
    delete object;
}

CertObject *Store::handOut(CertObject *object)
{
    object->refs.fetch_add(1);
    addRef();
    return object;
}

void Store::dropReference(CertObject *object)
{
    if (object->refs.fetch_sub(1) == 1) {
        std::lock_guard<std::mutex> guard(mutex_);
        destroyLocked(object);
    }
}

bool Store::load(const Bytes &data)
{
    // Each element becomes its object as it is read, so that reading costs the file and
    // its objects, not a parsed copy of the file besides.
    std::vector<std::unique_ptr<CertObject>> objects;
    std::vector<SerializedElement> opaque;
    const bool parsed = forEachSerializedElement(data, [&](SerializedElement &e) {
        if (e.id != kCertElementId) {
            opaque.push_back(std::move(e));
            return true;
        }
        auto cert = parseCertificate(e.encoded.data(), static_cast<DWORD>(e.encoded.size()));
        if (!cert)
            return false;
        auto props = trustedProperties(e.props, *cert);
        objects.emplace_back(newCertObject(std::move(cert), std::move(props)));
        return true;
    });
    if (!parsed)
        return false;
    if (kind_ == Kind::System)
        keepLastOfEach(objects);
    std::lock_guard<std::mutex> guard(mutex_);
    clearLocked();
    byHash_.reserve(objects.size());
    for (auto &o : objects)
        link(o.release(), nullptr);
    opaque_ = std::move(opaque);
    pending_.clear();
    dirty_ = false;
    return true;
}

void Store::clearLocked()
{
    for (CertObject *o = head_; o;) {
        CertObject *next = o->next; // read first: unlinking may destroy o
        unlinkMember(o);
        o = next;
    }
    opaque_.clear();
}

bool Store::resync()
{
    if (kind_ == Kind::Memory)
        return true;
    Bytes data;
    if (readStoreFile(path_, data) == StoreFileRead::Failed)
        return false;
    return load(data);
}

std::vector<SerializedElement> Store::elements()
{
    std::lock_guard<std::mutex> guard(mutex_);
    std::vector<SerializedElement> out;
    for (CertObject *o = head_; o; o = o->next)
        if (o->linked)
            out.push_back(elementOf(*o));
    out.insert(out.end(), opaque_.begin(), opaque_.end());
    return out;
}

CertObject *Store::enumerate(CertObject *previous)
{
    std::lock_guard<std::mutex> guard(mutex_);
    for (CertObject *o = previous ? previous->next : head_; o; o = o->next)
        if (o->linked)
            return handOut(o);
    return nullptr;
}

CertObject *Store::findByHash(const std::string &hash, CertObject *previous)
{
    std::lock_guard<std::mutex> guard(mutex_);
    CertObject *found = nullptr;
    if (!previous) {
        found = firstWithHash(hash);
    } else if (previous->linked && previous->hashKey() == hash) {
        found = previous->nextSameHash;
    } else { // deleted meanwhile: walk on from where it was
        for (CertObject *o = previous->next; o && !found; o = o->next)
            if (o->linked && o->hashKey() == hash)
                found = o;
    }
    return found ? handOut(found) : nullptr;
}

bool Store::changeFile(const FileChange &change)
{
    std::string target;
    if (!followLinks(path_, target))
        return false;
    FileLock lock = lockStoreFile(target);
    if (!lock.locked())
        return false;
    std::vector<SerializedElement> elements;
    {
        Bytes data;
        if (readStoreFile(target, data) == StoreFileRead::Failed || !parseSerializedStore(data, elements))
            return false; // a damaged file is left as it is
    }
    if (kind_ == Kind::System)
        keepLastOfEach(elements);
    FileElements changing(std::move(elements));
    if (!change(changing))
        return false;
    return replaceFileAtomically(target, serializeStore(changing.take()));
}

void Store::recordLocked(FileChange change)
{
    if (kind_ == Kind::File)
        pending_.push_back(std::move(change));
}

bool Store::applyChange(FileChange change, const std::function<void()> &update)
{
    if (kind_ == Kind::System && !changeFile(change))
        return false;
    std::lock_guard<std::mutex> guard(mutex_);
    recordLocked(std::move(change));
    update();
    markChanged();
    return true;
}

bool Store::add(std::unique_ptr<ParsedCertificate> cert, std::vector<Property> props, DWORD disposition,
                CertObject **result)
{
    if (result)
        *result = nullptr;
    if (!isAddDisposition(disposition))
        return fail(hresultCode(E_INVALIDARG), false);
    if (readOnly_)
        return fail(ERROR_ACCESS_DENIED, false);

    AddAction action = AddAction::Append;
    if (kind_ == Kind::System) {
        // One element per certificate: adding one that is there replaces it.
        if (disposition == CERT_STORE_ADD_ALWAYS)
            disposition = CERT_STORE_ADD_REPLACE_EXISTING;
        // The file decides: another window or process may have changed it since we read it.
        bool ok = changeFile([&](FileElements &elements) {
            action = applyAdd(elements, cert->encoded, cert->info.NotBefore, disposition, props);
            return action == AddAction::Fail ? fail(hresultCode(CRYPT_E_EXISTS), false) : true;
        });
        if (!ok)
            return false;
    }

    std::lock_guard<std::mutex> guard(mutex_);
    CertObject *existing = firstWithHash(std::string(cert->sha1.begin(), cert->sha1.end()));

    if (kind_ != Kind::System) {
        action = decideAdd(disposition, existing ? &existing->cert->info.NotBefore : nullptr, cert->info.NotBefore);
        if (action == AddAction::Fail)
            return fail(hresultCode(CRYPT_E_EXISTS), false);
        // The file gets the same add at commit, against what the file holds by then.
        recordLocked([encoded = cert->encoded, notBefore = cert->info.NotBefore, disposition,
                      props](FileElements &elements) mutable {
            applyAdd(elements, encoded, notBefore, disposition, props);
            return true;
        });
        if (existing && action != AddAction::Append)
            props = resultingProperties(action, disposition, existing->props, props);
    } else if (!existing) {
        action = AddAction::Append; // this handle has not seen the certificate another one added
    } else if (action == AddAction::Append) {
        action = AddAction::Replace; // another one removed it from the file since this handle read it
    }

    CertObject *object = nullptr;
    if (action == AddAction::UseExisting) {
        existing->props = std::move(props);
        object = existing;
    } else {
        object = newCertObject(std::move(cert), std::move(props));
        if (action == AddAction::Replace) {
            link(object, existing);
            unlinkMember(existing);
        } else {
            link(object, nullptr);
        }
    }
    markChanged();
    if (result)
        *result = handOut(object);
    return true;
}

bool Store::addOpaque(SerializedElement element)
{
    if (readOnly_)
        return fail(ERROR_ACCESS_DENIED, false);
    return applyChange(
        [element](FileElements &elements) {
            elements.append(element);
            return true;
        },
        [&] { opaque_.push_back(std::move(element)); });
}

bool Store::remove(CertObject *object)
{
    if (!object->linked)
        return true;
    if (readOnly_)
        return fail(ERROR_ACCESS_DENIED, false);
    const Bytes &encoded = object->cert->encoded;
    auto change = [encoded](FileElements &elements) {
        elements.removeFirst(encoded);
        return true;
    };
    return applyChange(change, [&] { unlinkMember(object); });
}

bool Store::setProperty(CertObject *object, const Property *property, DWORD id)
{
    std::vector<Property> props;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        props = object->props;
    }
    setOrRemoveProperty(props, property, id);
    const bool persisted = object->linked && (!property || property->persist);
    auto change = [encoded = object->cert->encoded, props](FileElements &elements) {
        if (SerializedElement *e = elements.find(encoded))
            e->props = props;
        return true;
    };
    if (persisted && kind_ != Kind::Memory && readOnly_)
        return fail(ERROR_ACCESS_DENIED, false);
    if (persisted)
        return applyChange(std::move(change), [&] { object->props = std::move(props); });
    std::lock_guard<std::mutex> guard(mutex_);
    object->props = std::move(props);
    return true;
}

bool Store::commit(bool force)
{
    if (kind_ != Kind::File)
        return true;
    if (readOnly_)
        return fail(ERROR_ACCESS_DENIED, false);
    std::vector<FileChange> changes;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (!dirty_ && !force)
            return true;
        changes = pending_;
    }
    // The changes made here go into the file as it is now, so that what another window or
    // program wrote to it since is kept.
    if (!changeFile([&](FileElements &elements) {
            for (const FileChange &change : changes)
                change(elements);
            return true;
        }))
        return false;
    std::lock_guard<std::mutex> guard(mutex_);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(changes.size()));
    dirty_ = !pending_.empty();
    return true;
}

void Store::clearDirty()
{
    std::lock_guard<std::mutex> guard(mutex_);
    dirty_ = false;
    pending_.clear();
}

std::mutex &Store::mutex() { return mutex_; }

} // namespace platform
