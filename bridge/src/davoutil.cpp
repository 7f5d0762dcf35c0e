// The native method of ru.norvel.davo.DavoUtil.
#include "results.h"

#include <jni.h>

namespace {

constexpr jint kTestCode = 8;

// "Привет" in the Windows-1251 code page; it reads right only on a virtual machine whose
// default charset is that code page, which is what the method lets a user check.
constexpr char kGreeting[] = "\xCF\xF0\xE8\xE2\xE5\xF2";

} // namespace

extern "C" JNIEXPORT jobject JNICALL Java_ru_norvel_davo_DavoUtil_test3(JNIEnv *env, jclass)
{
    return newResultString(env, kTestCode, kGreeting);
}
