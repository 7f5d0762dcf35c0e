// A stand-in for the Java virtual machine's side of JNI, with just the functions the
// bridge calls, that records what happens to byte arrays: which are pinned, how and in
// which order they are unpinned, and which are still referenced. It lets a test see the
// order of JNI calls that a real virtual machine does not show. One at a time per process.
#pragma once

#include <jni.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

class RecordingJni {
public:
    RecordingJni();
    ~RecordingJni();
    RecordingJni(const RecordingJni &) = delete;
    RecordingJni &operator=(const RecordingJni &) = delete;

    JNIEnv *env() { return &m_env; }

    // A Java string whose getBytes() gives these bytes.
    jstring string(const std::string &bytes);

    // The result code held by a result object the bridge made.
    jint codeOf(jobject result) const;

    // Unpinning of arrays that the bridge made itself, in order: "<bytes>, mode <m>",
    // the bytes shown up to the first 0 byte.
    const std::vector<std::string> &unpinnedMadeArrays() const { return m_unpinned; }

    // Modes of every unpinning, of any array.
    const std::vector<jint> &unpinModes() const { return m_unpinModes; }

    // Starts the records of unpinning afresh.
    void forgetUnpinning()
    {
        m_unpinned.clear();
        m_unpinModes.clear();
    }

    int livePins() const { return static_cast<int>(m_pins.size()); }

    // Byte arrays made by the bridge or by getBytes() and not yet deleted.
    int liveByteArrays() const;

    struct Object;
    struct Method;

private:
    friend struct Callbacks;

    Object *make(Object object);

    JNINativeInterface_ m_functions{};
    JNIEnv m_env{};
    std::deque<std::unique_ptr<Object>> m_objects;
    std::map<jbyte *, Object *> m_pins;
    std::vector<std::string> m_unpinned;
    std::vector<jint> m_unpinModes;
};
