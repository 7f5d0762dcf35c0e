package ru.norvel.davo;

/** The result code of one call into the validation library. */
public class Result {
    private final int code;

    public Result(int code) {
        this.code = code;
    }

    /** The library's code, or the bridge's own: -1000 load failed, -2001 no library or entry point. */
    public int getCode() {
        return code;
    }

    @Override
    public String toString() {
        return getClass().getSimpleName() + "[code=" + code + "]";
    }
}
