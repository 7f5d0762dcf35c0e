package ru.norvel.davo;

/**
 * The validation library, reached through the native library quorbel. Strings travel to
 * the library as bytes in the default charset.
 *
 * <p>Call {@link #initIDs()} first, then {@link #vlknInitDll(String)} with the library's
 * file name, then {@link #vlknInitLib(String)} or {@link #vlknInitLib2(String, String)};
 * after that the validation calls may come from any number of threads. End with
 * {@link #vlknFreeLib()} and {@link #vlknFreeDll()}. The calls that load, initialise or
 * free must not run alongside any other call.
 */
public class Kelvastorix {
    static {
        System.loadLibrary("quorbel");
    }

    /** Prepares the string conversions; needed once per virtual machine. */
    public native void initIDs();

    /** Loads the library: code 0 when loaded, -1000 when it cannot be loaded. */
    public native Result vlknInitDll(String libraryName);

    /** Unloads the library; later calls answer -2001 until one is loaded again. */
    public native void vlknFreeDll();

    public native Result vlknInitLib(String parameters);

    public native Result vlknInitLib2(String parameters, String extraParameters);

    /** The library's code and the two integers it wrote (0 and 0 when it wrote none). */
    public native ResultIntArray vlknValidate(String document);

    public native Result vlknValidateZ(String document);

    /** The library's code and, when the code is not 0, the text it gave. */
    public native ResultString vlknGetLogFileName(String document, int kind, boolean flag);

    public native Result vlknFreeLib();
}
