#include "jniutil.h"

namespace {

// Written only by jniutil_initIDs, which must not run alongside any other call.
jclass g_stringClass = nullptr;
jmethodID g_stringFromBytes = nullptr;
jmethodID g_stringGetBytes = nullptr;

std::size_t textLength(const char *bytes, std::size_t maxLength)
{
    std::size_t length = 0;
    while (length < maxLength && bytes[length] != 0)
        ++length;
    return length;
}

} // namespace

void jniutil_initIDs(JNIEnv *env)
{
    if (g_stringClass == nullptr) {
        LocalRef<jclass> found(env, env->FindClass("java/lang/String"));
        if (!found)
            return;
        g_stringClass = static_cast<jclass>(env->NewGlobalRef(found.get()));
        if (g_stringClass == nullptr)
            return;
    }
    if (g_stringFromBytes == nullptr) {
        g_stringFromBytes = env->GetMethodID(g_stringClass, "<init>", "([BII)V");
        if (g_stringFromBytes == nullptr)
            return;
    }
    if (g_stringGetBytes == nullptr)
        g_stringGetBytes = env->GetMethodID(g_stringClass, "getBytes", "()[B");
}

bool jniutil_checkInit(JNIEnv *env)
{
    if (g_stringClass != nullptr)
        return true;
    LocalRef<jclass> error(env, env->FindClass("java/lang/IncompatibleClassChangeError"));
    if (error)
        env->ThrowNew(error.get(), "jniutil_initIDs() was not called");
    return false;
}

jbyteArray jniutil_stringToPlatformBytes(JNIEnv *env, jstring text)
{
    if (text == nullptr)
        return nullptr;
    // The virtual machine allows no further calls until a pending exception is handled;
    // it stays pending for the Java caller.
    if (exceptionPending(env) || !jniutil_checkInit(env))
        return nullptr;

    LocalRef<jbyteArray> encoded(env, static_cast<jbyteArray>(env->CallObjectMethod(text, g_stringGetBytes)));
    if (exceptionPending(env) || !encoded)
        return nullptr;

    const jsize length = env->GetArrayLength(encoded.get());
    // A new array is zero-filled, so its last byte is already the terminator.
    LocalRef<jbyteArray> terminated(env, env->NewByteArray(length + 1));
    if (!terminated)
        return nullptr;
    if (length > 0) {
        PinnedBytes source(env, encoded.get());
        if (source.chars() == nullptr)
            return nullptr;
        env->SetByteArrayRegion(terminated.get(), 0, length, reinterpret_cast<const jbyte *>(source.chars()));
    }
    return terminated.release();
}

jstring jniutil_newStringPlatform(JNIEnv *env, const char *bytes, std::size_t maxLength)
{
    if (bytes == nullptr)
        return nullptr;
    const std::size_t length = textLength(bytes, maxLength);
    if (length == 0) {
        const jchar none = 0;
        return env->NewString(&none, 0);
    }

    LocalRef<jbyteArray> array(env, env->NewByteArray(static_cast<jsize>(length)));
    if (!array)
        return nullptr;
    env->SetByteArrayRegion(array.get(), 0, static_cast<jsize>(length), reinterpret_cast<const jbyte *>(bytes));
    if (!jniutil_checkInit(env))
        return nullptr;
    return static_cast<jstring>(
        env->NewObject(g_stringClass, g_stringFromBytes, array.get(), jint{0}, static_cast<jint>(length)));
}
