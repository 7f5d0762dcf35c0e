package ru.norvel.davo;

import static org.junit.jupiter.api.Assertions.assertAll;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;

import java.util.List;
import org.junit.jupiter.api.Test;

/**
 * A call whose entry point is not resolved answers -2001 in its usual result object and
 * calls nothing.
 */
class MissingEntryPointsTest extends BridgeTest {
    private void assertValidationCallsAnswerMinus2001() {
        ResultIntArray validated = bridge.vlknValidate("document");
        Result validatedZ = bridge.vlknValidateZ("document");
        ResultString logFileName = bridge.vlknGetLogFileName("document", 1, true);
        Result freed = bridge.vlknFreeLib();

        assertAll(
                () -> assertEquals(-2001, validated.getCode(), "vlknValidate"),
                () -> assertArrayEquals(new int[] {0, 0}, validated.getValue(), "vlknValidate values"),
                () -> assertEquals(-2001, validatedZ.getCode(), "vlknValidateZ"),
                () -> assertEquals(-2001, logFileName.getCode(), "vlknGetLogFileName"),
                () -> assertEquals("", logFileName.getValue(), "vlknGetLogFileName text"),
                () -> assertEquals(-2001, freed.getCode(), "vlknFreeLib"),
                () -> assertEquals(List.of(), FakeValidator.journal(), "calls that reached the library"));
    }

    @Test
    void withNoLibraryLoaded() {
        assertValidationCallsAnswerMinus2001();
    }

    @Test
    void withTheLibraryLoadedButNotInitialised() {
        bridge.vlknInitDll(FakeValidator.path());

        assertValidationCallsAnswerMinus2001();
    }

    @Test
    void afterTheLibraryWasFreed() {
        loadStandIn();
        bridge.vlknFreeDll();

        assertValidationCallsAnswerMinus2001();
    }

    @Test
    void withALibraryLackingTheEntryPoints() {
        // This library exports vlknInitLib only.
        bridge.vlknInitDll(FakeValidator.partialPath());
        assertEquals(0, bridge.vlknInitLib("parameters").getCode(), "vlknInitLib");

        assertEquals(-2001, bridge.vlknInitLib2("parameters", "extra").getCode(), "vlknInitLib2");
        assertValidationCallsAnswerMinus2001();
    }
}
