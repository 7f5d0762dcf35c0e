/* The native methods of the test class ru.norvel.davo.FakeValidator: the Java tests'
 * hold on the stand-in validation library. Loading this library loads the stand-in too,
 * so it stays in memory, with what it recorded, however often the bridge frees it. */
#include "fakevalidator.h"

#include <jni.h>

#include <stdlib.h>

JNIEXPORT void JNICALL Java_ru_norvel_davo_FakeValidator_reset(JNIEnv *env, jclass type)
{
    (void)env;
    (void)type;
    fake_reset();
}

JNIEXPORT void JNICALL Java_ru_norvel_davo_FakeValidator_setCode(JNIEnv *env, jclass type, jstring entryPoint,
                                                                 jint code)
{
    (void)type;
    const char *name = (*env)->GetStringUTFChars(env, entryPoint, NULL);
    if (name == NULL)
        return;
    int known = fake_set_code(name, code);
    (*env)->ReleaseStringUTFChars(env, entryPoint, name);
    if (!known) {
        jclass error = (*env)->FindClass(env, "java/lang/IllegalArgumentException");
        if (error != NULL)
            (*env)->ThrowNew(env, error, "no such entry point");
    }
}

JNIEXPORT void JNICALL Java_ru_norvel_davo_FakeValidator_setValues(JNIEnv *env, jclass type, jint first,
                                                                   jint second)
{
    (void)env;
    (void)type;
    fake_set_values(first, second);
}

JNIEXPORT void JNICALL Java_ru_norvel_davo_FakeValidator_setLog(JNIEnv *env, jclass type, jbyteArray bytes)
{
    (void)type;
    if (bytes == NULL) {
        fake_set_log(NULL, 0);
        return;
    }
    jsize length = (*env)->GetArrayLength(env, bytes);
    jbyte *elements = (*env)->GetByteArrayElements(env, bytes, NULL);
    if (elements == NULL)
        return;
    fake_set_log((const char *)elements, (size_t)length);
    (*env)->ReleaseByteArrayElements(env, bytes, elements, JNI_ABORT);
}

JNIEXPORT void JNICALL Java_ru_norvel_davo_FakeValidator_setEcho(JNIEnv *env, jclass type, jboolean on)
{
    (void)env;
    (void)type;
    fake_set_echo(on == JNI_TRUE);
}

JNIEXPORT jstring JNICALL Java_ru_norvel_davo_FakeValidator_journalText(JNIEnv *env, jclass type)
{
    (void)type;
    char *text = fake_journal();
    if (text == NULL)
        return NULL;
    /* The journal is plain ASCII, which modified UTF-8 keeps as it is. */
    jstring result = (*env)->NewStringUTF(env, text);
    free(text);
    return result;
}
