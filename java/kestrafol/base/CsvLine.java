package kestrafol.base;

import java.util.ArrayList;
import java.util.List;

/** One line of the toolkit's CSV files: fields separated by commas, quoted where needed. */
public final class CsvLine {
    private CsvLine() {}

    /**
     * The fields of one CSV line: separated by commas, a field in double quotes may hold commas
     * and doubled quotes.
     *
     * @throws IllegalArgumentException for a quote that is not closed
     */
    public static List<String> fields(String line) {
        List<String> f = new ArrayList<>();
        StringBuilder cell = new StringBuilder();
        boolean inQuotes = false;
        for (int i = 0; i < line.length(); i++) {
            char c = line.charAt(i);
            if (inQuotes) {
                if (c == '"' && i + 1 < line.length() && line.charAt(i + 1) == '"') {
                    cell.append('"');
                    i++;
                } else if (c == '"') {
                    inQuotes = false;
                } else {
                    cell.append(c);
                }
            } else if (c == '"' && cell.length() == 0) {
                inQuotes = true;
            } else if (c == ',') {
                f.add(cell.toString());
                cell.setLength(0);
            } else {
                cell.append(c);
            }
        }
        if (inQuotes) {
            throw new IllegalArgumentException("a quoted field is not closed");
        }
        f.add(cell.toString());
        return f;
    }
}
