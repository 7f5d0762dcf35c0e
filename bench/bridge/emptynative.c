/* The floor of the bridge benchmark: a native method that does nothing. It has the shape
 * of vlknValidate (an instance method taking one String), so its rate is what the call
 * into native code alone allows. */
#include <jni.h>

JNIEXPORT jint JNICALL Java_ru_norvel_davo_bench_EmptyNative_nothing(JNIEnv *env, jobject self, jstring document)
{
    (void)env;
    (void)self;
    (void)document;
    return 0;
}
