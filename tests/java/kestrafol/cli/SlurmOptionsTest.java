package kestrafol.cli;

import static org.junit.jupiter.api.Assertions.assertEquals;

import java.nio.file.Path;
import org.junit.jupiter.api.Test;

/** The tasks of a job array read the recorded --airfoil files from another working folder. */
class SlurmOptionsTest {
    @Test
    void airfoilFilesBecomeAbsoluteAndKeepTheirPlacement() {
        String here = Path.of("").toAbsolutePath().toString();
        String[][] table = {
            {"a.dat", here + "/a.dat"},
            {"docs/../flap.dat@1.02,-0.06,20,0.3", here + "/flap.dat@1.02,-0.06,20,0.3"},
            {"/x/slat.dat@-0.1,0,-10,0.2", "/x/slat.dat@-0.1,0,-10,0.2"},
            // a placement that is no placement is left to the option's own check
            {"flap.dat@1,2", "flap.dat@1,2"},
        };
        for (String[] row : table) {
            assertEquals(row[1], SlurmOptions.absoluteAirfoil(row[0]), row[0]);
        }
    }
}
