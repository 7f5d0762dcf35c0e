package ru.norvel.davo;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;

import java.nio.charset.Charset;
import java.nio.charset.StandardCharsets;
import java.util.Arrays;
import org.junit.jupiter.api.Test;

/** The result objects: the library's codes unchanged, with the values and texts it gave. */
class ResultObjectsTest extends BridgeTest {
    private static final int LOG_BUFFER_SIZE = 1024;

    private static byte[] terminated(String text) {
        byte[] bytes = text.getBytes(StandardCharsets.UTF_8);
        return Arrays.copyOf(bytes, bytes.length + 1);
    }

    private static byte[] repeated(char c, int count) {
        byte[] bytes = new byte[count];
        Arrays.fill(bytes, (byte) c);
        return bytes;
    }

    @Test
    void vlknInitLibHandsBackTheLibrarysCode() {
        bridge.vlknInitDll(FakeValidator.path());
        FakeValidator.setCode("vlknInitLib", 11);

        assertEquals(11, bridge.vlknInitLib("parameters").getCode());
    }

    @Test
    void vlknInitLib2HandsBackTheLibrarysCode() {
        bridge.vlknInitDll(FakeValidator.path());
        FakeValidator.setCode("vlknInitLib2", -12);

        assertEquals(-12, bridge.vlknInitLib2("parameters", "extra").getCode());
    }

    @Test
    void vlknValidateZHandsBackTheLibrarysCode() {
        loadStandIn();
        FakeValidator.setCode("vlknValidateZ", 14);

        assertEquals(14, bridge.vlknValidateZ("document").getCode());
    }

    @Test
    void vlknFreeLibHandsBackTheLibrarysCode() {
        loadStandIn();
        FakeValidator.setCode("vlknFreeLib", -16);

        assertEquals(-16, bridge.vlknFreeLib().getCode());
    }

    @Test
    void validationHandsBackTheCodeAndBothIntegersInOrder() {
        loadStandIn();
        FakeValidator.setCode("vlknValidate", 13);
        FakeValidator.setValues(7, -9);

        ResultIntArray result = bridge.vlknValidate("document");

        assertEquals(13, result.getCode());
        assertArrayEquals(new int[] {7, -9}, result.getValue());
    }

    @Test
    void validationThatWritesNothingGivesZeroAndZero() {
        loadStandIn();
        FakeValidator.setCode("vlknValidate", 3);

        ResultIntArray result = bridge.vlknValidate("document");

        assertEquals(3, result.getCode());
        assertArrayEquals(new int[] {0, 0}, result.getValue());
    }

    @Test
    void theLogTextComesBackWithTheCode() {
        loadStandIn();
        FakeValidator.setCode("vlknGetLogFileName", 15);
        FakeValidator.setLog(terminated("validation.log"));

        ResultString result = bridge.vlknGetLogFileName("document", 1, false);

        assertEquals(15, result.getCode());
        assertEquals("validation.log", result.getValue());
    }

    @Test
    void theLogTextIsDecodedWithTheDefaultCharset() {
        loadStandIn();
        FakeValidator.setCode("vlknGetLogFileName", 1);
        FakeValidator.setLog(terminated("журнал.log"));

        assertEquals("журнал.log", bridge.vlknGetLogFileName("document", 1, false).getValue());
    }

    @Test
    void anEmptyLogTextGivesAnEmptyString() {
        loadStandIn();
        FakeValidator.setCode("vlknGetLogFileName", 2);
        FakeValidator.setLog(new byte[] {0});

        assertEquals("", bridge.vlknGetLogFileName("document", 1, false).getValue());
    }

    @Test
    void codeZeroGivesAnEmptyStringThoughTheBufferHoldsText() {
        loadStandIn();
        FakeValidator.setLog(terminated("validation.log"));

        ResultString result = bridge.vlknGetLogFileName("document", 1, false);

        assertEquals(0, result.getCode());
        assertEquals("", result.getValue());
    }

    @Test
    void aLogTextWithoutTerminatorEndsAtTheBufferEnd() {
        loadStandIn();
        FakeValidator.setCode("vlknGetLogFileName", 1);
        FakeValidator.setLog(repeated('x', LOG_BUFFER_SIZE));

        assertEquals("x".repeat(LOG_BUFFER_SIZE), bridge.vlknGetLogFileName("document", 1, false).getValue());
    }

    @Test
    void aLogTextFillingTheBufferWithItsTerminatorIsWhole() {
        loadStandIn();
        FakeValidator.setCode("vlknGetLogFileName", 1);
        FakeValidator.setLog(terminated("y".repeat(LOG_BUFFER_SIZE - 1)));

        assertEquals("y".repeat(LOG_BUFFER_SIZE - 1), bridge.vlknGetLogFileName("document", 1, false).getValue());
    }

    @Test
    void test3GivesCodeEightAndItsBytesInTheDefaultCharset() {
        byte[] greeting = {(byte) 0xCF, (byte) 0xF0, (byte) 0xE8, (byte) 0xE2, (byte) 0xE5, (byte) 0xF2};

        ResultString result = DavoUtil.test3();

        assertEquals(8, result.getCode());
        assertEquals(new String(greeting, Charset.defaultCharset()), result.getValue());
    }
}
