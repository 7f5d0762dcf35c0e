package ru.norvel.davo;

import java.util.Arrays;

/** A result code with the integers the library wrote. */
public class ResultIntArray extends Result {
    private int[] value;

    public ResultIntArray(int code) {
        super(code);
    }

    public void setValue(int[] value) {
        this.value = value;
    }

    public int[] getValue() {
        return value;
    }

    @Override
    public String toString() {
        return "ResultIntArray[code=" + getCode() + ", value=" + Arrays.toString(value) + "]";
    }
}
