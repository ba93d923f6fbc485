package kestrafol.output;

import static org.junit.jupiter.api.Assertions.assertEquals;

import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import org.junit.jupiter.api.Test;

class SummaryJsonTest {
    @Test
    void numbersStringsListsAndNonFiniteValues() {
        Map<String, Object> settings = new LinkedHashMap<>();
        settings.put("mach", 0.8);
        settings.put("viscous", false);
        Map<String, Object> m = new LinkedHashMap<>();
        m.put("cl", 0.1 + 0.2);
        m.put("iterations", 42);
        m.put("residualDrop", Double.NaN);
        m.put("warnings", List.of("a \"quoted\" word\tand a tab"));
        m.put("empty", List.of());
        m.put("settings", settings);
        assertEquals("{\n"
                + "  \"cl\": 0.30000000000000004,\n"
                + "  \"iterations\": 42,\n"
                + "  \"residualDrop\": null,\n"
                + "  \"warnings\": [\n"
                + "    \"a \\\"quoted\\\" word\\tand a tab\"\n"
                + "  ],\n"
                + "  \"empty\": [],\n"
                + "  \"settings\": {\n"
                + "    \"mach\": 0.8,\n"
                + "    \"viscous\": false\n"
                + "  }\n"
                + "}", SummaryJson.toJson(m));
    }
}
