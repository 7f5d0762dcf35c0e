package ru.norvel.davo.bench;

import com.sun.jna.Library;
import com.sun.jna.Native;
import com.sun.jna.NativeLibrary;
import com.sun.jna.ptr.IntByReference;
import java.io.FileDescriptor;
import java.io.FileOutputStream;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Locale;
import ru.norvel.davo.Kelvastorix;
import ru.norvel.davo.ResultIntArray;

/**
 * Calls per second of vlknValidate through quorbel, against calling the same stand-in
 * library's entry point through JNA, and against a native method that does nothing, all
 * in this one virtual machine. The kinds take turns within every round, in an order that
 * rotates from round to round, so that whatever else the machine does hits all alike; each
 * figure is the median of the rounds.
 *
 * <p>Prints one row of the benchmark table on standard output and everything else on
 * standard error. Properties: quorbel.bench.fake (the stand-in's file, required),
 * bench.rounds (5), bench.seconds (seconds per kind and round, 1), bench.only (a comma
 * list of the kinds to run, e.g. "quorbel" under a profiler; no row is printed then).
 */
public final class BridgeBenchmark {
    /** A document path of 40 bytes, the same for every kind. */
    private static final String DOCUMENT = "/srv/documents/2024/contract-0004178.pdf";

    /** What the stand-in answers: a code and two values that the callers must all see. */
    private static final int CODE = 3;
    private static final int FIRST = 17;
    private static final int SECOND = -4;

    /** Calls between two looks at the clock. */
    private static final int BATCH = 1000;

    private static final double GOAL = 2.0;

    /** The stand-in's entry point, and its settings, as a JNA user maps them. */
    public interface Validator extends Library {
        int vlknValidate(String document, IntByReference first, IntByReference second);

        int fake_set_code(String entryPoint, int code);

        void fake_set_values(int first, int second);
    }

    /** The same entry point through JNA's direct mapping, its faster way; shown for context. */
    static final class DirectValidator {
        static {
            Native.register(DirectValidator.class, NativeLibrary.getInstance(fakePath()));
        }

        private DirectValidator() {
        }

        static native int vlknValidate(String document, IntByReference first, IntByReference second);
    }

    /** One way of making the call, run a batch at a time. */
    private abstract static class Kind {
        final String name;
        final List<Double> rates = new ArrayList<>();

        Kind(String name) {
            this.name = name;
        }

        /** Makes the call count times; gives a sum of what came back, so nothing is skipped. */
        abstract long calls(int count);

        /** The code and the two values of one call, to check that every kind sees the same. */
        abstract int[] once();

        double median() {
            double[] sorted = rates.stream().mapToDouble(Double::doubleValue).sorted().toArray();
            int middle = sorted.length / 2;
            return sorted.length % 2 == 1 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
        }
    }

    private static final class ThroughQuorbel extends Kind {
        private final Kelvastorix bridge;

        ThroughQuorbel(Kelvastorix bridge) {
            super("quorbel");
            this.bridge = bridge;
        }

        @Override
        long calls(int count) {
            long sum = 0;
            for (int i = 0; i < count; ++i) {
                ResultIntArray result = bridge.vlknValidate(DOCUMENT);
                int[] values = result.getValue();
                sum += result.getCode() + values[0] + values[1];
            }
            return sum;
        }

        @Override
        int[] once() {
            ResultIntArray result = bridge.vlknValidate(DOCUMENT);
            return new int[] {result.getCode(), result.getValue()[0], result.getValue()[1]};
        }
    }

    /** JNA with the two values by reference, a pair kept for all calls and cleared before each. */
    private static final class ThroughJna extends Kind {
        private final Validator library;
        private final IntByReference first = new IntByReference();
        private final IntByReference second = new IntByReference();

        ThroughJna(Validator library) {
            super("JNA");
            this.library = library;
        }

        @Override
        long calls(int count) {
            long sum = 0;
            for (int i = 0; i < count; ++i) {
                first.setValue(0);
                second.setValue(0);
                int code = library.vlknValidate(DOCUMENT, first, second);
                sum += code + first.getValue() + second.getValue();
            }
            return sum;
        }

        @Override
        int[] once() {
            first.setValue(0);
            second.setValue(0);
            int code = library.vlknValidate(DOCUMENT, first, second);
            return new int[] {code, first.getValue(), second.getValue()};
        }
    }

    private static final class ThroughJnaDirect extends Kind {
        private final IntByReference first = new IntByReference();
        private final IntByReference second = new IntByReference();

        ThroughJnaDirect() {
            super("JNA direct mapping");
        }

        @Override
        long calls(int count) {
            long sum = 0;
            for (int i = 0; i < count; ++i) {
                first.setValue(0);
                second.setValue(0);
                int code = DirectValidator.vlknValidate(DOCUMENT, first, second);
                sum += code + first.getValue() + second.getValue();
            }
            return sum;
        }

        @Override
        int[] once() {
            first.setValue(0);
            second.setValue(0);
            int code = DirectValidator.vlknValidate(DOCUMENT, first, second);
            return new int[] {code, first.getValue(), second.getValue()};
        }
    }

    private static final class EmptyMethod extends Kind {
        private final EmptyNative empty = new EmptyNative();

        EmptyMethod() {
            super("empty JNI method");
        }

        @Override
        long calls(int count) {
            long sum = 0;
            for (int i = 0; i < count; ++i)
                sum += empty.nothing(DOCUMENT);
            return sum;
        }

        @Override
        int[] once() {
            return null;
        }
    }

    private static long sink;

    private BridgeBenchmark() {
    }

    private static String fakePath() {
        String path = System.getProperty("quorbel.bench.fake");
        if (path == null)
            throw new IllegalStateException("set -Dquorbel.bench.fake to the stand-in validation library");
        return path;
    }

    /** Runs the kind for about the given time; gives its calls per second. */
    private static double measure(Kind kind, long nanos) {
        long calls = 0;
        long start = System.nanoTime();
        long elapsed;
        do {
            sink += kind.calls(BATCH);
            calls += BATCH;
            elapsed = System.nanoTime() - start;
        } while (elapsed < nanos);
        return calls * 1e9 / elapsed;
    }

    private static String rate(double perSecond) {
        if (perSecond >= 1e6)
            return String.format(Locale.ROOT, "%.2f M/s", perSecond / 1e6);
        return String.format(Locale.ROOT, "%.0f k/s", perSecond / 1e3);
    }

    public static void main(String[] args) {
        int rounds = Integer.getInteger("bench.rounds", 5);
        long nanos = (long) (Double.parseDouble(System.getProperty("bench.seconds", "1")) * 1e9);
        if (DOCUMENT.getBytes(StandardCharsets.UTF_8).length != 40)
            throw new AssertionError("the document path must be 40 bytes");

        Kelvastorix bridge = new Kelvastorix();
        bridge.initIDs();
        if (bridge.vlknInitDll(fakePath()).getCode() != 0)
            throw new IllegalStateException("quorbel cannot load " + fakePath());
        if (bridge.vlknInitLib("").getCode() != 0)
            throw new IllegalStateException("vlknInitLib failed");

        // The same library, already loaded by quorbel; the settings are the stand-in's own.
        Validator library = Native.load(fakePath(), Validator.class);
        if (library.fake_set_code("vlknValidate", CODE) == 0)
            throw new IllegalStateException("the stand-in knows no vlknValidate");
        library.fake_set_values(FIRST, SECOND);

        ThroughQuorbel quorbel = new ThroughQuorbel(bridge);
        ThroughJna jna = new ThroughJna(library);
        EmptyMethod empty = new EmptyMethod();
        List<Kind> kinds = new ArrayList<>(List.of(quorbel, jna, empty, new ThroughJnaDirect()));
        // For a profiler: only the kinds named, and then no table row.
        String only = System.getProperty("bench.only");
        if (only != null)
            kinds.removeIf(kind -> !Arrays.asList(only.split(",")).contains(kind.name));

        int[] expected = {CODE, FIRST, SECOND};
        for (Kind kind : kinds) {
            int[] seen = kind.once();
            if (seen != null && !Arrays.equals(seen, expected))
                throw new IllegalStateException(kind.name + " saw " + Arrays.toString(seen));
        }

        System.err.println("warming up");
        for (int pass = 0; pass < 2; ++pass) {
            for (Kind kind : kinds)
                measure(kind, nanos);
        }

        for (int round = 0; round < rounds; ++round) {
            StringBuilder line = new StringBuilder("round " + (round + 1) + ":");
            for (int i = 0; i < kinds.size(); ++i) {
                Kind kind = kinds.get((i + round) % kinds.size());
                double perSecond = measure(kind, nanos);
                kind.rates.add(perSecond);
                line.append(' ').append(kind.name).append(' ').append(rate(perSecond)).append(';');
            }
            System.err.println(line);
        }
        for (Kind kind : kinds) {
            double low = kind.rates.stream().mapToDouble(Double::doubleValue).min().orElse(0);
            double high = kind.rates.stream().mapToDouble(Double::doubleValue).max().orElse(0);
            System.err.printf(Locale.ROOT, "%s: median %s, from %s to %s (%.0f ns a call)%n", kind.name,
                    rate(kind.median()), rate(low), rate(high), 1e9 / kind.median());
        }
        System.err.println("(checksum " + sink + ")");

        if (!kinds.containsAll(List.of(quorbel, jna, empty)))
            return;
        double ratio = quorbel.median() / jna.median();
        PrintStream out = new PrintStream(new FileOutputStream(FileDescriptor.out), true, StandardCharsets.UTF_8);
        out.printf(Locale.ROOT, "| 5. Bridge: vlknValidate calls per second from Java | %s | JNA %s; empty JNI method %s "
                        + "| %.2f× | at least 2× JNA | %s |%n",
                rate(quorbel.median()), rate(jna.median()), rate(empty.median()), ratio,
                ratio >= GOAL ? "met" : "missed");
    }
}
