package ru.norvel.davo;

import static org.junit.jupiter.api.Assertions.assertEquals;

import java.nio.charset.Charset;
import java.util.List;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Tag;
import org.junit.jupiter.api.Test;

/** A virtual machine whose default charset is windows-1251, as on a Russian Windows. */
@Tag("windows-1251")
class Windows1251CharsetTest extends BridgeTest {
    @BeforeAll
    static void runsWithWindows1251() {
        assertEquals("windows-1251", Charset.defaultCharset().name(), "run with -Dfile.encoding=windows-1251");
    }

    @Test
    void test3GivesCodeEightAndPrivet() {
        ResultString result = DavoUtil.test3();

        assertEquals(8, result.getCode());
        assertEquals("Привет", result.getValue());
    }

    @Test
    void stringsArriveAsWindows1251Bytes() {
        loadStandIn();

        bridge.vlknValidateZ("Привет");

        assertEquals(List.of("vlknValidateZ(\"\\xCF\\xF0\\xE8\\xE2\\xE5\\xF2\")"), FakeValidator.journal());
    }

    @Test
    void theLogTextIsDecodedAsWindows1251() {
        loadStandIn();
        FakeValidator.setCode("vlknGetLogFileName", 1);
        FakeValidator.setLog(new byte[] {(byte) 0xCF, (byte) 0xF0, (byte) 0xE8, (byte) 0xE2, (byte) 0xE5, (byte) 0xF2, 0});

        assertEquals("Привет", bridge.vlknGetLogFileName("document", 1, false).getValue());
    }
}
