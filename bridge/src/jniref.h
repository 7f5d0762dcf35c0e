// Owners for what a native method borrows from the virtual machine: a local reference and
// a pinned byte array. Each gives its loan back when its scope ends, or earlier through
// release() where the order of giving back matters.
#pragma once

#include <jni.h>

#include <utility>

// True when a Java exception is pending on env. Safe to call with one pending.
inline bool exceptionPending(JNIEnv *env)
{
    jthrowable pending = env->ExceptionOccurred();
    if (pending == nullptr)
        return false;
    env->DeleteLocalRef(pending);
    return true;
}

// Owns one local reference (may be null) and deletes it.
template <class T>
class LocalRef {
public:
    LocalRef(JNIEnv *env, T ref) noexcept : m_env(env), m_ref(ref) {}
    LocalRef(LocalRef &&other) noexcept : m_env(other.m_env), m_ref(std::exchange(other.m_ref, nullptr)) {}
    LocalRef &operator=(LocalRef &&other) noexcept
    {
        if (this != &other) {
            reset();
            m_env = other.m_env;
            m_ref = std::exchange(other.m_ref, nullptr);
        }
        return *this;
    }
    LocalRef(const LocalRef &) = delete;
    LocalRef &operator=(const LocalRef &) = delete;
    ~LocalRef() { reset(); }

    T get() const noexcept { return m_ref; }
    explicit operator bool() const noexcept { return m_ref != nullptr; }

    // Hands the reference to the caller, who then owns it.
    T release() noexcept { return std::exchange(m_ref, nullptr); }

    void reset() noexcept
    {
        if (m_ref != nullptr)
            m_env->DeleteLocalRef(std::exchange(m_ref, nullptr));
    }

private:
    JNIEnv *m_env;
    T m_ref;
};

// Pins the elements of a byte array for native code and unpins them with JNI_ABORT, so
// whatever native code wrote into them is discarded. A null array pins nothing and
// gives a null address; so does an array the virtual machine could not pin (an
// exception is then pending).
class PinnedBytes {
public:
    PinnedBytes(JNIEnv *env, jbyteArray array) noexcept
        : m_env(env), m_array(array),
          m_elements(array != nullptr ? env->GetByteArrayElements(array, nullptr) : nullptr)
    {
    }
    PinnedBytes(const PinnedBytes &) = delete;
    PinnedBytes &operator=(const PinnedBytes &) = delete;
    ~PinnedBytes() { release(); }

    // The pinned bytes; valid until release().
    char *chars() const noexcept { return reinterpret_cast<char *>(m_elements); }

    void release() noexcept
    {
        if (m_elements != nullptr)
            m_env->ReleaseByteArrayElements(m_array, std::exchange(m_elements, nullptr), JNI_ABORT);
    }

private:
    JNIEnv *m_env;
    jbyteArray m_array;
    jbyte *m_elements;
};
