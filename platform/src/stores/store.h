// The store object behind an HCERTSTORE.
#pragma once

#include "stores/serializedformat.h"

#include <functional>

namespace platform {

class FileElements;

class Store final : public CertOwner {
public:
    enum class Kind { Memory, File, System };
    explicit Store(Kind kind);
    ~Store();
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;

    Kind kind() const { return kind_; }

    // References: open handles plus the callers' references on its certificates. The
    // store is destroyed when the last one goes.
    void addRef() { refs_.fetch_add(1, std::memory_order_relaxed); }
    void release() override;
    bool hasOutstandingReferences() const { return refs_.load() > 1; }
    void open() { opens_.fetch_add(1); addRef(); }
    // Drops one open handle; true when it was the last one.
    bool closeHandle() { return opens_.fetch_sub(1) == 1; }

    // A file store or a system store reads its file once at open.
    bool load(const Bytes &data);

    // What the store holds, as a store file writes it: its certificates in order with
    // their properties, then the CRLs and CTLs it keeps.
    std::vector<SerializedElement> elements();

    CertObject *enumerate(CertObject *previous);
    CertObject *findByHash(const std::string &hash, CertObject *previous);
    // Guards the certificates' properties and the store's order.
    std::mutex &mutex() override;

    // Adds with one of the CERT_STORE_ADD_* dispositions. A system store holds one copy of
    // a certificate, so there CERT_STORE_ADD_ALWAYS replaces an equal one. On success
    // returns the store's object with one caller reference taken when `wantContext`.
    bool add(std::unique_ptr<ParsedCertificate> cert, std::vector<Property> props, DWORD disposition,
             CertObject **result);
    bool addOpaque(SerializedElement element);
    bool remove(CertObject *object) override;
    bool setProperty(CertObject *object, const Property *property, DWORD id) override;

    // Writes a file store's contents; `force` writes even when nothing changed.
    bool commit(bool force);
    bool commitOnClose() const { return commitOnClose_; }
    void clearDirty();
    bool resync();

    // Takes one caller reference on an object of this store.
    CertObject *handOut(CertObject *object) override;
    // Drops one reference on an object of this store; the object dies with its last one.
    void dropReference(CertObject *object) override;

    void configureFile(std::string path, bool commitOnClose, bool readOnly);
    void configureSystem(std::string path, bool readOnly);

private:
    using FileChange = std::function<bool(FileElements &)>;

    // Applies a change to the store's file (the target of a link) under its lock, reading
    // the file fresh so that changes made by others are kept.
    bool changeFile(const FileChange &change);
    // A file store keeps its changes to apply them to the file at commit.
    void recordLocked(FileChange change);
    // One change to the store: a system store's file takes it first (another process may
    // have changed the file); then, under the mutex, a file store keeps it for its commit
    // and `update` makes it to the objects. False with the last error set when the file
    // refused it, and then nothing is changed.
    bool applyChange(FileChange change, const std::function<void()> &update);
    // Makes `object` a member, after `after` (an equal certificate it replaces) or last.
    void link(CertObject *object, CertObject *after);
    void unlinkMember(CertObject *object); // with the mutex held
    // The first member with this hash in store order, or null.
    CertObject *firstWithHash(const std::string &hash) const;
    void destroyLocked(CertObject *object);
    void markChanged() { dirty_ = true; }
    void clearLocked();

    Kind kind_;
    std::atomic<long> refs_{0};
    std::atomic<long> opens_{0};
    std::mutex mutex_;
    CertObject *head_ = nullptr, *tail_ = nullptr;
    // Each hash's members as a chain through the objects, so that finding the first of many
    // copies, adding one more and removing one each cost the same whatever their number.
    struct SameHash {
        CertObject *first = nullptr, *last = nullptr;
    };
    std::unordered_map<std::string, SameHash> byHash_;
    std::vector<SerializedElement> opaque_;
    std::vector<FileChange> pending_;
    bool dirty_ = false;
    bool commitOnClose_ = false;
    bool readOnly_ = false;
    std::string path_;
};

// Null with E_INVALIDARG set when the handle is not a store of this layer.
Store *storeOf(HCERTSTORE handle);

} // namespace platform
