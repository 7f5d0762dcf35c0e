/* Machine-dependent part of the Java Native Interface for 32-bit Windows, read by the
 * JDK's jni.h when the bridge is built for Windows. Native methods there are exported
 * from the DLL and use the Windows API calling convention. */
#ifndef _JAVASOFT_JNI_MD_H_
#define _JAVASOFT_JNI_MD_H_

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

/* long is 32 bits on every Windows target. */
typedef long jint;
typedef long long jlong;
typedef signed char jbyte;

#endif /* !_JAVASOFT_JNI_MD_H_ */
