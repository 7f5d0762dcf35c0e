package ru.norvel.davo;

/** Checks of the native library quorbel itself. */
public final class DavoUtil {
    static {
        System.loadLibrary("quorbel");
    }

    private DavoUtil() {
    }

    /** Code 8 and the word "Привет" when the default charset is windows-1251. */
    public static native ResultString test3();
}
