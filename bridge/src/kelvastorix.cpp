// The native methods of ru.norvel.davo.Kelvastorix: each passes its strings to one entry
// point of the validation library as byte strings and wraps the library's code in a
// result object. A call whose entry point is not resolved answers kNotLoaded and calls
// nothing, so no call ever goes through a missing or freed address.
#include "jniutil.h"
#include "results.h"
#include "validationlibrary.h"

#include <jni.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

constexpr jint kLoaded = 0;
constexpr jint kLoadFailed = -1000;

// The library is told nothing of the size; it is the size both sides were built for.
constexpr std::size_t kLogFileNameSize = 1024;

struct FreeDeleter {
    void operator()(char *block) const noexcept { std::free(block); }
};

} // namespace

extern "C" {

JNIEXPORT void JNICALL Java_ru_norvel_davo_Kelvastorix_initIDs(JNIEnv *env, jobject)
{
    jniutil_initIDs(env);
}

JNIEXPORT jobject JNICALL Java_ru_norvel_davo_Kelvastorix_vlknInitDll(JNIEnv *env, jobject, jstring fileName)
{
    PlatformString name(env, fileName);
    const bool loaded = validation::load(name.chars());
    name.release();
    return newResult(env, loaded ? kLoaded : kLoadFailed);
}

JNIEXPORT void JNICALL Java_ru_norvel_davo_Kelvastorix_vlknFreeDll(JNIEnv *, jobject)
{
    validation::unload();
}

JNIEXPORT jobject JNICALL Java_ru_norvel_davo_Kelvastorix_vlknInitLib(JNIEnv *env, jobject, jstring parameters)
{
    if (!validation::loaded())
        return newResult(env, validation::kNotLoaded);
    validation::resolveEntryPoints();
    const validation::InitLib initLib = validation::entryPoints().initLib;
    if (initLib == nullptr)
        return newResult(env, validation::kNotLoaded);

    PlatformString text(env, parameters);
    const jint code = initLib(0, text.chars());
    text.release();
    return newResult(env, code);
}

JNIEXPORT jobject JNICALL Java_ru_norvel_davo_Kelvastorix_vlknInitLib2(JNIEnv *env, jobject, jstring parameters,
                                                                       jstring extraParameters)
{
    if (!validation::loaded())
        return newResult(env, validation::kNotLoaded);
    validation::resolveEntryPoints();
    const validation::InitLib2 initLib2 = validation::entryPoints().initLib2;
    if (initLib2 == nullptr)
        return newResult(env, validation::kNotLoaded);

    PlatformString first(env, parameters);
    PlatformString second(env, extraParameters);
    const jint code = initLib2(0, first.chars(), second.chars());
    first.release();
    second.release();
    return newResult(env, code);
}

JNIEXPORT jobject JNICALL Java_ru_norvel_davo_Kelvastorix_vlknValidate(JNIEnv *env, jobject, jstring document)
{
    const validation::Validate validate = validation::entryPoints().validate;
    if (validate == nullptr) {
        const jint none[2] = {0, 0};
        return newResultIntArray(env, validation::kNotLoaded, none, 2);
    }

    std::int32_t first = 0;
    std::int32_t second = 0;
    PlatformString text(env, document);
    const jint code = validate(text.chars(), &first, &second);
    text.release();
    const jint values[2] = {first, second};
    return newResultIntArray(env, code, values, 2);
}

JNIEXPORT jobject JNICALL Java_ru_norvel_davo_Kelvastorix_vlknValidateZ(JNIEnv *env, jobject, jstring document)
{
    const validation::ValidateZ validateZ = validation::entryPoints().validateZ;
    if (validateZ == nullptr)
        return newResult(env, validation::kNotLoaded);

    PlatformString text(env, document);
    const jint code = validateZ(text.chars());
    text.release();
    return newResult(env, code);
}

JNIEXPORT jobject JNICALL Java_ru_norvel_davo_Kelvastorix_vlknGetLogFileName(JNIEnv *env, jobject, jstring document,
                                                                             jint kind, jboolean flag)
{
    const validation::GetLogFileName getLogFileName = validation::entryPoints().getLogFileName;
    if (getLogFileName == nullptr)
        return newResultString(env, validation::kNotLoaded, "");

    std::unique_ptr<char, FreeDeleter> buffer(static_cast<char *>(std::malloc(kLogFileNameSize)));
    if (!buffer)
        return nullptr;
    PlatformString text(env, document);
    const jint code = getLogFileName(text.chars(), buffer.get(), kind, flag ? 1 : 0);
    text.release();
    if (code == 0)
        return newResultString(env, 0, "");
    // A text the library left without its terminator ends at the buffer's end.
    return newResultString(env, code, buffer.get(), kLogFileNameSize);
}

JNIEXPORT jobject JNICALL Java_ru_norvel_davo_Kelvastorix_vlknFreeLib(JNIEnv *env, jobject)
{
    const validation::FreeLib freeLib = validation::entryPoints().freeLib;
    if (freeLib == nullptr)
        return newResult(env, validation::kNotLoaded);
    return newResult(env, freeLib());
}

} // extern "C"
