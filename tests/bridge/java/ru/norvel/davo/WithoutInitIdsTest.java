package ru.norvel.davo;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;

import java.util.List;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.MethodOrderer;
import org.junit.jupiter.api.Order;
import org.junit.jupiter.api.Tag;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.TestMethodOrder;

/**
 * A virtual machine in which initIDs has not been called. Runs in a virtual machine of its
 * own, since nothing undoes initIDs; the last test calls it.
 */
@Tag("without-initids")
@TestMethodOrder(MethodOrderer.OrderAnnotation.class)
class WithoutInitIdsTest {
    private static final String MESSAGE = "jniutil_initIDs() was not called";

    private final Kelvastorix bridge = new Kelvastorix();

    @BeforeAll
    static void keepStandInLoaded() {
        FakeValidator.reset();
    }

    @BeforeEach
    void forgetCalls() {
        FakeValidator.reset();
    }

    @Test
    @Order(1)
    void initialisingBeforeAnyLoadNeedsNoConversion() {
        assertEquals(-2001, bridge.vlknInitLib("parameters").getCode());
        assertEquals(-2001, bridge.vlknInitLib2("parameters", "extra").getCode());
        assertEquals(List.of(), FakeValidator.journal());
    }

    @Test
    @Order(2)
    void callsWithNoLibraryLoadedNeedNoConversion() {
        assertEquals(-2001, bridge.vlknValidate("document").getCode());
        assertEquals(-2001, bridge.vlknValidateZ("document").getCode());
        assertEquals("", bridge.vlknGetLogFileName("document", 1, true).getValue());
    }

    @Test
    @Order(3)
    void aNullFileNameNeedsNoConversion() {
        assertEquals(-1000, bridge.vlknInitDll(null).getCode());
    }

    @Test
    @Order(4)
    void loadingThrowsIncompatibleClassChangeError() {
        IncompatibleClassChangeError error =
                assertThrows(IncompatibleClassChangeError.class, () -> bridge.vlknInitDll(FakeValidator.path()));
        assertEquals(MESSAGE, error.getMessage());
    }

    @Test
    @Order(5)
    void aLoadThatThrewLeavesNoLibraryLoaded() {
        assertThrows(IncompatibleClassChangeError.class, () -> bridge.vlknInitDll(FakeValidator.path()));

        assertEquals(-2001, bridge.vlknInitLib(null).getCode());
        assertEquals(List.of(), FakeValidator.journal());
    }

    @Test
    @Order(6)
    void makingATextThrowsIncompatibleClassChangeError() {
        IncompatibleClassChangeError error = assertThrows(IncompatibleClassChangeError.class, DavoUtil::test3);
        assertEquals(MESSAGE, error.getMessage());
    }

    @Test
    @Order(7)
    void afterInitIdsStringsConvert() {
        bridge.initIDs();

        assertEquals(0, bridge.vlknInitDll(FakeValidator.path()).getCode());
        assertEquals(0, bridge.vlknInitLib("parameters").getCode());
        assertEquals(List.of("vlknInitLib(0, \"parameters\")"), FakeValidator.journal());
        bridge.vlknFreeDll();
    }
}
