package ru.norvel.davo;

import static org.junit.jupiter.api.Assertions.assertEquals;

import java.util.List;
import org.junit.jupiter.api.Test;

/** What the validation library receives: the calls in their order, with their arguments. */
class LibraryArgumentsTest extends BridgeTest {
    @Test
    void aWholeSessionReachesTheLibraryInOrder() {
        bridge.vlknInitDll(FakeValidator.path());
        bridge.vlknInitLib("parameters");
        bridge.vlknValidate("first document");
        bridge.vlknValidateZ("second document");
        bridge.vlknGetLogFileName("third document", 7, true);
        bridge.vlknFreeLib();
        bridge.vlknFreeDll();

        assertEquals(List.of(
                "vlknInitLib(0, \"parameters\")",
                "vlknValidate(\"first document\", 0, 0)",
                "vlknValidateZ(\"second document\")",
                "vlknGetLogFileName(\"third document\", buffer, 7, 1)",
                "vlknFreeLib()"), FakeValidator.journal());
    }

    @Test
    void initialisationWithTwoStringsPassesZeroThenBothInOrder() {
        bridge.vlknInitDll(FakeValidator.path());

        bridge.vlknInitLib2("parameters", "extra");

        assertEquals(List.of("vlknInitLib2(0, \"parameters\", \"extra\")"), FakeValidator.journal());
    }

    @Test
    void validationFindsBothIntegersZeroOnEveryCall() {
        loadStandIn();
        FakeValidator.setValues(5, 6);

        bridge.vlknValidate("a");
        bridge.vlknValidate("b");

        assertEquals(List.of("vlknValidate(\"a\", 0, 0)", "vlknValidate(\"b\", 0, 0)"), FakeValidator.journal());
    }

    @Test
    void theIntegerPassesUnchangedAndTheBooleanAsOneOrZero() {
        loadStandIn();

        bridge.vlknGetLogFileName("a", -7, true);
        bridge.vlknGetLogFileName("b", Integer.MAX_VALUE, false);

        assertEquals(List.of(
                "vlknGetLogFileName(\"a\", buffer, -7, 1)",
                "vlknGetLogFileName(\"b\", buffer, 2147483647, 0)"), FakeValidator.journal());
    }

    @Test
    void anEmptyStringArrivesAsASingleZeroByte() {
        loadStandIn();

        bridge.vlknValidateZ("");

        assertEquals(List.of("vlknValidateZ(\"\")"), FakeValidator.journal());
    }

    @Test
    void aNullStringArrivesAsANullPointer() {
        bridge.vlknInitDll(FakeValidator.path());

        bridge.vlknInitLib2(null, "extra");
        bridge.vlknInitLib2("parameters", null);

        assertEquals(List.of(
                "vlknInitLib2(0, null, \"extra\")",
                "vlknInitLib2(0, \"parameters\", null)"), FakeValidator.journal());
    }

    @Test
    void stringsArriveAsBytesOfTheDefaultCharset() {
        // This run's default charset is UTF-8: Ж is D0 96, у is D1 83, к is D0 BA.
        loadStandIn();

        bridge.vlknValidateZ("Жук");

        assertEquals(List.of("vlknValidateZ(\"\\xD0\\x96\\xD1\\x83\\xD0\\xBA\")"), FakeValidator.journal());
    }
}
