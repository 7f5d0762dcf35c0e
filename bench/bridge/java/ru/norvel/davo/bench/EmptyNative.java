package ru.norvel.davo.bench;

/** A native method that does nothing: what crossing into native code costs by itself. */
final class EmptyNative {
    static {
        System.loadLibrary("benchempty");
    }

    native int nothing(String document);
}
