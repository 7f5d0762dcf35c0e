#include "recordingjni.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <stdexcept>

struct RecordingJni::Object {
    enum class Kind { Class, String, ByteArray, IntArray, Instance };

    explicit Object(Kind k, std::string n = {}, std::string b = {})
        : kind(k), name(std::move(n)), bytes(std::move(b))
    {
    }

    Kind kind;
    std::string name;  // class name, for a class or an instance
    std::string bytes; // string bytes or byte array elements
    std::vector<jint> ints;
    jint code = 0;
    bool madeByBridge = false;
    bool deleted = false;
};

struct RecordingJni::Method {
    std::string className;
    std::string name;
};

namespace {

RecordingJni *g_current = nullptr;

// Classes and method ids outlive each RecordingJni: the bridge caches some for the life
// of the process.
std::deque<std::unique_ptr<RecordingJni::Object>> &classes()
{
    static std::deque<std::unique_ptr<RecordingJni::Object>> all;
    return all;
}

std::deque<std::unique_ptr<RecordingJni::Method>> &methods()
{
    static std::deque<std::unique_ptr<RecordingJni::Method>> all;
    return all;
}

RecordingJni::Object *object(jobject ref)
{
    if (ref == nullptr)
        throw std::logic_error("null reference passed to JNI");
    return reinterpret_cast<RecordingJni::Object *>(ref);
}

template <class T = jobject>
T ref(RecordingJni::Object *value)
{
    return reinterpret_cast<T>(value);
}

} // namespace

struct Callbacks {
    using Object = RecordingJni::Object;
    using Method = RecordingJni::Method;

    static RecordingJni &jni() { return *g_current; }

    static jclass JNICALL findClass(JNIEnv *, const char *name)
    {
        classes().push_back(std::make_unique<Object>(Object::Kind::Class, name));
        return ref<jclass>(classes().back().get());
    }

    static jobject JNICALL newGlobalRef(JNIEnv *, jobject value) { return value; }

    static jmethodID JNICALL getMethodID(JNIEnv *, jclass type, const char *name, const char *)
    {
        methods().push_back(std::make_unique<Method>(Method{object(type)->name, name}));
        return reinterpret_cast<jmethodID>(methods().back().get());
    }

    static jthrowable JNICALL exceptionOccurred(JNIEnv *) { return nullptr; }

    static void JNICALL deleteLocalRef(JNIEnv *, jobject value)
    {
        if (value != nullptr)
            object(value)->deleted = true;
    }

    static jobject JNICALL callObjectMethodV(JNIEnv *, jobject target, jmethodID method, va_list)
    {
        if (reinterpret_cast<Method *>(method)->name != "getBytes")
            throw std::logic_error("unexpected method called");
        return ref(jni().make(Object(Object::Kind::ByteArray, "", object(target)->bytes)));
    }

    static jsize JNICALL getArrayLength(JNIEnv *, jarray array)
    {
        return static_cast<jsize>(object(array)->bytes.size());
    }

    static jbyteArray JNICALL newByteArray(JNIEnv *, jsize length)
    {
        Object array(Object::Kind::ByteArray, "", std::string(static_cast<std::size_t>(length), '\0'));
        array.madeByBridge = true;
        return ref<jbyteArray>(jni().make(std::move(array)));
    }

    static jbyte *JNICALL getByteArrayElements(JNIEnv *, jbyteArray array, jboolean *isCopy)
    {
        Object *target = object(array);
        auto *copy = new jbyte[target->bytes.size() + 1];
        std::memcpy(copy, target->bytes.data(), target->bytes.size());
        if (isCopy != nullptr)
            *isCopy = JNI_TRUE;
        jni().m_pins[copy] = target;
        return copy;
    }

    static void JNICALL releaseByteArrayElements(JNIEnv *, jbyteArray array, jbyte *elements, jint mode)
    {
        auto pin = jni().m_pins.find(elements);
        if (pin == jni().m_pins.end() || pin->second != object(array))
            throw std::logic_error("released elements that were not pinned from this array");
        Object *target = pin->second;
        if (mode != JNI_ABORT)
            std::memcpy(target->bytes.data(), elements, target->bytes.size());
        jni().m_unpinModes.push_back(mode);
        if (target->madeByBridge)
            jni().m_unpinned.push_back(std::string(target->bytes.c_str()) + ", mode " + std::to_string(mode));
        if (mode != JNI_COMMIT) {
            jni().m_pins.erase(pin);
            delete[] elements;
        }
    }

    static void JNICALL setByteArrayRegion(JNIEnv *, jbyteArray array, jsize start, jsize length, const jbyte *bytes)
    {
        std::memcpy(&object(array)->bytes[static_cast<std::size_t>(start)], bytes, static_cast<std::size_t>(length));
    }

    static jobject JNICALL newObjectV(JNIEnv *, jclass type, jmethodID, va_list args)
    {
        const std::string &name = object(type)->name;
        if (name == "java/lang/String") {
            Object *array = object(va_arg(args, jbyteArray));
            const jint offset = va_arg(args, jint);
            const jint length = va_arg(args, jint);
            return ref(jni().make(Object(Object::Kind::String, name, array->bytes.substr(offset, length))));
        }
        Object instance(Object::Kind::Instance, name);
        instance.code = va_arg(args, jint);
        return ref(jni().make(std::move(instance)));
    }

    static void JNICALL callVoidMethodV(JNIEnv *, jobject, jmethodID, va_list) {}

    static jstring JNICALL newString(JNIEnv *, const jchar *, jsize length)
    {
        if (length != 0)
            throw std::logic_error("only empty strings are made from UTF-16 here");
        return ref<jstring>(jni().make(Object(Object::Kind::String, "java/lang/String")));
    }

    static jintArray JNICALL newIntArray(JNIEnv *, jsize length)
    {
        Object array(Object::Kind::IntArray);
        array.ints.resize(static_cast<std::size_t>(length));
        return ref<jintArray>(jni().make(std::move(array)));
    }

    static void JNICALL setIntArrayRegion(JNIEnv *, jintArray array, jsize start, jsize length, const jint *values)
    {
        std::copy(values, values + length, object(array)->ints.begin() + start);
    }
};

RecordingJni::RecordingJni()
{
    if (g_current != nullptr)
        throw std::logic_error("one RecordingJni at a time");
    g_current = this;
    // What the bridge must not call stays null, so calling it fails the test at once.
    m_functions.FindClass = Callbacks::findClass;
    m_functions.NewGlobalRef = Callbacks::newGlobalRef;
    m_functions.GetMethodID = Callbacks::getMethodID;
    m_functions.ExceptionOccurred = Callbacks::exceptionOccurred;
    m_functions.DeleteLocalRef = Callbacks::deleteLocalRef;
    m_functions.CallObjectMethodV = Callbacks::callObjectMethodV;
    m_functions.GetArrayLength = Callbacks::getArrayLength;
    m_functions.NewByteArray = Callbacks::newByteArray;
    m_functions.GetByteArrayElements = Callbacks::getByteArrayElements;
    m_functions.ReleaseByteArrayElements = Callbacks::releaseByteArrayElements;
    m_functions.SetByteArrayRegion = Callbacks::setByteArrayRegion;
    m_functions.NewObjectV = Callbacks::newObjectV;
    m_functions.CallVoidMethodV = Callbacks::callVoidMethodV;
    m_functions.NewString = Callbacks::newString;
    m_functions.NewIntArray = Callbacks::newIntArray;
    m_functions.SetIntArrayRegion = Callbacks::setIntArrayRegion;
    m_env.functions = &m_functions;
}

RecordingJni::~RecordingJni()
{
    for (auto &pin : m_pins)
        delete[] pin.first;
    g_current = nullptr;
}

RecordingJni::Object *RecordingJni::make(Object value)
{
    m_objects.push_back(std::make_unique<Object>(std::move(value)));
    return m_objects.back().get();
}

jstring RecordingJni::string(const std::string &bytes)
{
    return ref<jstring>(make(Object(Object::Kind::String, "java/lang/String", bytes)));
}

jint RecordingJni::codeOf(jobject result) const
{
    return object(result)->code;
}

int RecordingJni::liveByteArrays() const
{
    int live = 0;
    for (const auto &each : m_objects)
        live += each->kind == Object::Kind::ByteArray && !each->deleted;
    return live;
}
