// How the bridge lends Java strings to the validation library, seen from the JNI side:
// pinned byte strings are given back in the order the contract fixes, nothing the
// library wrote is copied back, and no byte array is left behind.
#include "fake/fakevalidator.h"
#include "recordingjni.h"

#include <gtest/gtest.h>

#include <jni.h>

extern "C" {
JNIEXPORT void JNICALL Java_ru_norvel_davo_Kelvastorix_initIDs(JNIEnv *, jobject);
JNIEXPORT jobject JNICALL Java_ru_norvel_davo_Kelvastorix_vlknInitDll(JNIEnv *, jobject, jstring);
JNIEXPORT void JNICALL Java_ru_norvel_davo_Kelvastorix_vlknFreeDll(JNIEnv *, jobject);
JNIEXPORT jobject JNICALL Java_ru_norvel_davo_Kelvastorix_vlknInitLib(JNIEnv *, jobject, jstring);
JNIEXPORT jobject JNICALL Java_ru_norvel_davo_Kelvastorix_vlknInitLib2(JNIEnv *, jobject, jstring, jstring);
JNIEXPORT jobject JNICALL Java_ru_norvel_davo_Kelvastorix_vlknValidate(JNIEnv *, jobject, jstring);
JNIEXPORT jobject JNICALL Java_ru_norvel_davo_Kelvastorix_vlknValidateZ(JNIEnv *, jobject, jstring);
JNIEXPORT jobject JNICALL Java_ru_norvel_davo_Kelvastorix_vlknGetLogFileName(JNIEnv *, jobject, jstring, jint, jboolean);
JNIEXPORT jobject JNICALL Java_ru_norvel_davo_Kelvastorix_vlknFreeLib(JNIEnv *, jobject);
JNIEXPORT jobject JNICALL Java_ru_norvel_davo_DavoUtil_test3(JNIEnv *, jclass);
}

namespace {

class StringPassing : public ::testing::Test {
protected:
    void SetUp() override
    {
        Java_ru_norvel_davo_Kelvastorix_vlknFreeDll(env(), nullptr);
        Java_ru_norvel_davo_Kelvastorix_initIDs(env(), nullptr);
        jobject loaded = Java_ru_norvel_davo_Kelvastorix_vlknInitDll(env(), nullptr, m_jni.string(FAKE_VALIDATOR));
        ASSERT_EQ(m_jni.codeOf(loaded), 0) << "cannot load " << FAKE_VALIDATOR;
        fake_reset();
        m_jni.forgetUnpinning();
    }

    void TearDown() override { Java_ru_norvel_davo_Kelvastorix_vlknFreeDll(env(), nullptr); }

    JNIEnv *env() { return m_jni.env(); }

    // Every native method that passes a string, once.
    void runSession()
    {
        Java_ru_norvel_davo_Kelvastorix_vlknInitLib(env(), nullptr, m_jni.string("parameters"));
        Java_ru_norvel_davo_Kelvastorix_vlknInitLib2(env(), nullptr, m_jni.string("first"), m_jni.string("second"));
        Java_ru_norvel_davo_Kelvastorix_vlknValidate(env(), nullptr, m_jni.string("document"));
        Java_ru_norvel_davo_Kelvastorix_vlknValidateZ(env(), nullptr, m_jni.string("document"));
        Java_ru_norvel_davo_Kelvastorix_vlknGetLogFileName(env(), nullptr, m_jni.string("document"), 1, JNI_TRUE);
        Java_ru_norvel_davo_Kelvastorix_vlknFreeLib(env(), nullptr);
        Java_ru_norvel_davo_DavoUtil_test3(env(), nullptr);
    }

    RecordingJni m_jni;
};

std::string unpinned(const std::string &bytes)
{
    return bytes + ", mode " + std::to_string(JNI_ABORT);
}

} // namespace

TEST_F(StringPassing, TwoStringsAreUnpinnedFirstThenSecond)
{
    Java_ru_norvel_davo_Kelvastorix_vlknInitLib2(env(), nullptr, m_jni.string("first"), m_jni.string("second"));

    EXPECT_EQ(m_jni.unpinnedMadeArrays(), (std::vector<std::string>{unpinned("first"), unpinned("second")}));
}

TEST_F(StringPassing, NothingStaysPinned)
{
    runSession();

    EXPECT_EQ(m_jni.livePins(), 0);
}

TEST_F(StringPassing, NothingIsCopiedBackIntoJavaArrays)
{
    runSession();

    for (jint mode : m_jni.unpinModes())
        EXPECT_EQ(mode, JNI_ABORT);
}

TEST_F(StringPassing, NoByteArrayOutlivesTheCall)
{
    runSession();

    EXPECT_EQ(m_jni.liveByteArrays(), 0);
}
