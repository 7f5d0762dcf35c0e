package ru.norvel.davo;

import static org.junit.jupiter.api.Assertions.assertEquals;

import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.BeforeEach;

/**
 * Common ground of the tests on an initialised bridge: the String cache is filled once,
 * and each test starts with no library loaded and a stand-in that has seen nothing.
 */
abstract class BridgeTest {
    protected final Kelvastorix bridge = new Kelvastorix();

    @BeforeAll
    static void fillStringCache() {
        // Loads the stand-in before the bridge can, so it is never unloaded.
        FakeValidator.reset();
        new Kelvastorix().initIDs();
    }

    @BeforeEach
    void startWithNothingLoaded() {
        bridge.vlknFreeDll();
        FakeValidator.reset();
    }

    /** Loads and initialises the stand-in, then forgets those calls. */
    protected void loadStandIn() {
        assertEquals(0, bridge.vlknInitDll(FakeValidator.path()).getCode(), "vlknInitDll");
        assertEquals(0, bridge.vlknInitLib("").getCode(), "vlknInitLib");
        FakeValidator.reset();
    }
}
