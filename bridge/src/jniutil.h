// Conversions between Java strings and the byte strings of the validation library, in
// the virtual machine's default charset, and the cache of java.lang.String they use.
#pragma once

#include "jniref.h"

#include <jni.h>

#include <cstddef>

// Fills the cache of the String class, its (byte[], int, int) constructor and its
// getBytes() method; values already cached are kept. When the class cannot be found the
// Java exception stays pending.
void jniutil_initIDs(JNIEnv *env);

// True when the cache is filled; otherwise throws IncompatibleClassChangeError with the
// message "jniutil_initIDs() was not called" and gives false.
bool jniutil_checkInit(JNIEnv *env);

// A new byte array with the string's bytes in the default charset and one 0 byte after
// them. Null for a null string, and null with an exception pending when the conversion
// fails or an exception was already pending.
jbyteArray jniutil_stringToPlatformBytes(JNIEnv *env, jstring text);

// A new Java string decoded with the default charset from the bytes before the first 0
// byte, looking at no more than maxLength bytes. Null for a null address, and null with
// an exception pending when the string cannot be made.
jstring jniutil_newStringPlatform(JNIEnv *env, const char *bytes,
                                  std::size_t maxLength = static_cast<std::size_t>(-1));

// A Java string as the validation library takes it: converted, then pinned until
// release() or the end of the scope. chars() is null for a null string or a failed
// conversion.
class PlatformString {
public:
    PlatformString(JNIEnv *env, jstring text) noexcept
        : m_array(env, jniutil_stringToPlatformBytes(env, text)), m_pinned(env, m_array.get())
    {
    }

    char *chars() const noexcept { return m_pinned.chars(); }
    void release() noexcept { m_pinned.release(); }

private:
    LocalRef<jbyteArray> m_array;
    PinnedBytes m_pinned;
};
