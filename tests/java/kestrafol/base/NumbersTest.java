package kestrafol.base;

import static org.junit.jupiter.api.Assertions.assertEquals;

import org.junit.jupiter.api.Test;

class NumbersTest {
    @Test
    void shortestTextThatReadsBackAsTheSameNumber() {
        assertEquals("3", Numbers.format(3.0));
        assertEquals("-200", Numbers.format(-200));
        assertEquals("1.25", Numbers.format(1.25));
        assertEquals("1e-4", Numbers.format(1e-4));
        assertEquals("2.5e-7", Numbers.format(2.5e-7));
        assertEquals("1e20", Numbers.format(1e20));
        assertEquals("NaN", Numbers.format(Double.NaN));
        for (double v : new double[] {0.1 + 0.2, -1e-300, 6.02214076e23, 0.002}) {
            assertEquals(v, Double.parseDouble(Numbers.format(v)));
        }
    }

    @Test
    void tickLabelsShowTheDecimalsTheStepNeeds() {
        assertEquals("0.25", Numbers.tick(0.25, 0.05));
        assertEquals("3", Numbers.tick(3, 1));
        assertEquals("1.0", Numbers.tick(1, 0.2));
        // A rounding residue of a multiple of the step prints as zero, not -0.000.
        assertEquals("0.00", Numbers.tick(-1e-17, 0.05));
    }
}
