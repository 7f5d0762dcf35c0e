// Builders of the Java result objects of the package ru.norvel.davo. Each gives null,
// leaving the Java exception pending for the caller, when one is pending on entry or
// arises while the object is built.
#pragma once

#include <jni.h>

#include <cstddef>

// A Result holding code.
jobject newResult(JNIEnv *env, jint code);

// A ResultIntArray holding code and a new int array with the count values.
jobject newResultIntArray(JNIEnv *env, jint code, const jint *values, jsize count);

// A ResultString holding code and the Java string made from text (see
// jniutil_newStringPlatform; a null text gives a null value).
jobject newResultString(JNIEnv *env, jint code, const char *text,
                        std::size_t maxLength = static_cast<std::size_t>(-1));
