#include "results.h"

#include "jniref.h"
#include "jniutil.h"

namespace {

// A new instance of className made by its (int) constructor, with the class in type.
// The class is looked up on every call; nothing about the result classes is cached.
LocalRef<jobject> newWithCode(JNIEnv *env, LocalRef<jclass> &type, const char *className, jint code)
{
    if (exceptionPending(env))
        return LocalRef<jobject>(env, nullptr);
    type = LocalRef<jclass>(env, env->FindClass(className));
    if (exceptionPending(env))
        return LocalRef<jobject>(env, nullptr);
    jmethodID constructor = env->GetMethodID(type.get(), "<init>", "(I)V");
    if (exceptionPending(env))
        return LocalRef<jobject>(env, nullptr);
    LocalRef<jobject> result(env, env->NewObject(type.get(), constructor, code));
    if (exceptionPending(env))
        return LocalRef<jobject>(env, nullptr);
    return result;
}

} // namespace

jobject newResult(JNIEnv *env, jint code)
{
    LocalRef<jclass> type(env, nullptr);
    return newWithCode(env, type, "ru/norvel/davo/Result", code).release();
}

jobject newResultIntArray(JNIEnv *env, jint code, const jint *values, jsize count)
{
    LocalRef<jclass> type(env, nullptr);
    LocalRef<jobject> result = newWithCode(env, type, "ru/norvel/davo/ResultIntArray", code);
    if (!result)
        return nullptr;
    jmethodID setValue = env->GetMethodID(type.get(), "setValue", "([I)V");
    if (exceptionPending(env))
        return nullptr;
    LocalRef<jintArray> array(env, env->NewIntArray(count));
    if (exceptionPending(env))
        return nullptr;
    env->SetIntArrayRegion(array.get(), 0, count, values);
    env->CallVoidMethod(result.get(), setValue, array.get());
    if (exceptionPending(env))
        return nullptr;
    return result.release();
}

jobject newResultString(JNIEnv *env, jint code, const char *text, std::size_t maxLength)
{
    LocalRef<jclass> type(env, nullptr);
    LocalRef<jobject> result = newWithCode(env, type, "ru/norvel/davo/ResultString", code);
    if (!result)
        return nullptr;
    jmethodID setValue = env->GetMethodID(type.get(), "setValue", "(Ljava/lang/String;)V");
    if (exceptionPending(env))
        return nullptr;
    LocalRef<jstring> value(env, jniutil_newStringPlatform(env, text, maxLength));
    if (exceptionPending(env))
        return nullptr;
    env->CallVoidMethod(result.get(), setValue, value.get());
    if (exceptionPending(env))
        return nullptr;
    return result.release();
}
