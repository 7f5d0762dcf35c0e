package ru.norvel.davo;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;

import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.Callable;
import java.util.concurrent.CyclicBarrier;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.Test;

/** Once initialised, the bridge serves several Java threads at the same time. */
class ConcurrentCallsTest extends BridgeTest {
    private static final int THREADS = 8;
    private static final int CALLS_PER_THREAD = 300;

    private final ExecutorService pool = Executors.newFixedThreadPool(THREADS);

    @AfterEach
    void stopThreads() {
        pool.shutdownNow();
    }

    /** Every thread gets the answers to its own documents. */
    private Void callRepeatedly(int thread, CyclicBarrier start) throws Exception {
        start.await();
        for (int call = 0; call < CALLS_PER_THREAD; ++call) {
            String document = "документ " + thread + "-" + call;
            byte[] bytes = document.getBytes();
            int sum = 0;
            for (byte b : bytes) {
                sum += b & 0xFF;
            }

            ResultIntArray validated = bridge.vlknValidate(document);
            assertArrayEquals(new int[] {bytes.length, sum}, validated.getValue(), document);
            assertEquals(bytes.length, bridge.vlknValidateZ(document).getCode(), document);
            ResultString log = bridge.vlknGetLogFileName(document, thread + 1, call % 2 == 0);
            assertEquals(thread + 1, log.getCode(), document);
            assertEquals(document, log.getValue(), document);
            assertEquals(8, DavoUtil.test3().getCode(), document);
        }
        return null;
    }

    @Test
    void threadsCallingAtOnceEachGetTheirOwnAnswers() throws Exception {
        loadStandIn();
        FakeValidator.setEcho(true);
        CyclicBarrier start = new CyclicBarrier(THREADS);

        List<Future<Void>> running = new ArrayList<>();
        for (int thread = 0; thread < THREADS; ++thread) {
            final int index = thread;
            Callable<Void> work = () -> callRepeatedly(index, start);
            running.add(pool.submit(work));
        }
        for (Future<Void> each : running) {
            each.get();
        }

        assertEquals(THREADS * CALLS_PER_THREAD * 3, FakeValidator.journal().size());
    }
}
