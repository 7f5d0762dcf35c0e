package ru.norvel.davo;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.List;
import org.junit.jupiter.api.Test;

/** Loading, initialising and freeing the validation library. */
class LibraryLifecycleTest extends BridgeTest {
    @Test
    void loadingALibraryGivesCodeZero() {
        assertEquals(0, bridge.vlknInitDll(FakeValidator.path()).getCode());
    }

    @Test
    void aLibraryThatCannotBeLoadedGivesMinus1000() {
        assertEquals(-1000, bridge.vlknInitDll("/nonexistent/libvalidation.so").getCode());
    }

    @Test
    void afterAFailedLoadInitialisationGivesMinus2001AndCallsNothing() {
        bridge.vlknInitDll("/nonexistent/libvalidation.so");

        assertEquals(-2001, bridge.vlknInitLib("parameters").getCode());
        assertEquals(-2001, bridge.vlknInitLib2("parameters", "extra").getCode());
        assertEquals(List.of(), FakeValidator.journal());
    }

    @Test
    void aNullFileNameLoadsNothing() {
        assertEquals(-1000, bridge.vlknInitDll(null).getCode());
    }

    @Test
    void initialisingBeforeAnyLoadGivesMinus2001AndCallsNothing() {
        assertEquals(-2001, bridge.vlknInitLib("parameters").getCode());
        assertEquals(-2001, bridge.vlknInitLib2("parameters", "extra").getCode());
        assertEquals(List.of(), FakeValidator.journal());
    }

    @Test
    void loadingAgainUsesOnlyTheNewestLibrary() {
        bridge.vlknInitDll(FakeValidator.path());
        bridge.vlknInitDll(FakeValidator.partialPath());

        // The newer library lacks vlknInitLib2; the older one has it.
        assertEquals(-2001, bridge.vlknInitLib2("parameters", "extra").getCode());
        assertEquals(List.of(), FakeValidator.journal());
    }

    @Test
    void freeingTheLibraryUnloadsIt() {
        String path = FakeValidator.unloadablePath();
        bridge.vlknInitDll(path);
        assertTrue(FakeValidator.isMapped(path), "loaded");

        bridge.vlknFreeDll();

        assertFalse(FakeValidator.isMapped(path), "still mapped after vlknFreeDll");
    }

    @Test
    void afterFreeingTheLibraryInitialisationFindsNoLibrary() {
        loadStandIn();
        bridge.vlknFreeDll();

        assertEquals(-2001, bridge.vlknInitLib("parameters").getCode());
        assertEquals(List.of(), FakeValidator.journal());
    }

    @Test
    void afterFreeingTheLibraryItsEntryPointsAreNotCalled() {
        // The stand-in stays mapped, so a remembered entry point would still answer.
        loadStandIn();
        bridge.vlknFreeDll();

        assertEquals(-2001, bridge.vlknValidateZ("document").getCode());
        assertEquals(List.of(), FakeValidator.journal());
    }

    @Test
    void freeingTwiceLeavesTheBridgeReadyToLoadAgain() {
        String path = FakeValidator.unloadablePath();
        bridge.vlknInitDll(path);
        bridge.vlknFreeDll();
        bridge.vlknFreeDll();

        assertEquals(0, bridge.vlknInitDll(path).getCode());
        assertTrue(FakeValidator.isMapped(path));
        bridge.vlknFreeDll();
    }

    @Test
    void vlknFreeLibLeavesTheLibraryLoadedAndInitialised() {
        loadStandIn();
        bridge.vlknFreeLib();

        bridge.vlknValidateZ("document");

        assertEquals(List.of("vlknFreeLib()", "vlknValidateZ(\"document\")"), FakeValidator.journal());
    }

    @Test
    void aSecondInitIdsKeepsStringsConverting() {
        loadStandIn();
        bridge.initIDs();

        bridge.vlknValidateZ("document");
        ResultString greeting = DavoUtil.test3();

        assertEquals(List.of("vlknValidateZ(\"document\")"), FakeValidator.journal());
        assertEquals(8, greeting.getCode());
    }
}
