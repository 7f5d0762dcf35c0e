package ru.norvel.davo;

import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.io.IOException;
import java.io.UncheckedIOException;
import java.util.Arrays;
import java.util.List;

/**
 * The tests' hold on the stand-in validation library (fakevalidator.h): what it answers,
 * and the calls it saw. The stand-in stays loaded for the whole run, so what it recorded
 * survives the bridge's freeing it.
 */
final class FakeValidator {
    static {
        System.loadLibrary("fakecontrol");
    }

    private FakeValidator() {
    }

    /** The file name of the stand-in, to pass to vlknInitDll. */
    static String path() {
        return property("quorbel.fake");
    }

    /** A stand-in that exports vlknInitLib only. */
    static String partialPath() {
        return property("quorbel.fake.partial");
    }

    /** A second stand-in that nothing else holds, so freeing it unloads it. */
    static String unloadablePath() {
        return property("quorbel.fake.unloadable");
    }

    /** True while a library of that file name is mapped into this process. */
    static boolean isMapped(String path) {
        try {
            String real = Paths.get(path).toRealPath().toString();
            return Files.readAllLines(Path.of("/proc/self/maps")).stream().anyMatch(line -> line.endsWith(real));
        } catch (IOException e) {
            throw new UncheckedIOException(e);
        }
    }

    static native void reset();

    static native void setCode(String entryPoint, int code);

    static native void setValues(int first, int second);

    /** The exact bytes vlknGetLogFileName leaves in its buffer; null writes nothing. */
    static native void setLog(byte[] bytes);

    static native void setEcho(boolean on);

    /** The calls seen since the last reset, oldest first. */
    static List<String> journal() {
        String text = journalText();
        return text.isEmpty() ? List.of() : Arrays.asList(text.split("\n"));
    }

    private static native String journalText();

    private static String property(String name) {
        String value = System.getProperty(name);
        if (value == null) {
            throw new IllegalStateException("the test run must set -D" + name);
        }
        return value;
    }
}
