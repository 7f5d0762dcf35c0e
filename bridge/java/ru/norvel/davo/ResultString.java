package ru.norvel.davo;

/** A result code with the text the library gave. */
public class ResultString extends Result {
    private String value;

    public ResultString(int code) {
        super(code);
    }

    public void setValue(String value) {
        this.value = value;
    }

    public String getValue() {
        return value;
    }

    @Override
    public String toString() {
        return "ResultString[code=" + getCode() + ", value=" + value + "]";
    }
}
