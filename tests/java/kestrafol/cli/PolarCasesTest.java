package kestrafol.cli;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotEquals;

import java.io.PrintStream;
import java.io.OutputStream;
import java.util.ArrayList;
import java.util.List;
import kestrafol.run.CaseDefinition;
import org.junit.jupiter.api.Test;
import picocli.CommandLine;

/**
 * A polar case is the polar's run options settled at the case's conditions: it must be the
 * very case that "kestrafol run" builds from the same options and conditions, defaults that
 * follow the conditions included (the weight from the Mach number, a viscous mesh's first cell
 * from the Reynolds number).
 */
class PolarCasesTest {
    private static final PrintStream QUIET = new PrintStream(OutputStream.nullOutputStream());

    private static CaseDefinition run(List<String> options, String mach, String alpha,
            String reynolds) {
        List<String> args = new ArrayList<>(options);
        args.addAll(List.of("--mach", mach, "--alpha", alpha));
        if (reynolds != null) {
            args.addAll(List.of("--reynolds", reynolds));
        }
        Main.RunCommand command = new Main.RunCommand(QUIET, false);
        new CommandLine(command).parseArgs(args.toArray(new String[0]));
        return command.validated().definition();
    }

    @Test
    void eachCaseIsTheRunOfItsConditions() {
        String[][] cases = {
            // options; Mach list, alpha list, Reynolds list; one case's conditions
            {"--naca 2412 --resolution 32 --cauchy 1e-3/40", "0.5,0.8", "0,4", null, "0.8", "4", null},
            {"--naca 2412 --resolution 32", "0.5,0.8", "0,4", null, "0.5", "0", null},
            {"--viscous --resolution 48 --quads", "0.2", "2", "1e4,4e5", "0.2", "2", "4e5"},
            {"--circle --resolution 32 --weight 0.25 --first-order", "0.3", "0", null, "0.3", "0", null},
        };
        for (String[] c : cases) {
            List<String> options = List.of(c[0].split(" "));
            List<String> polar = new ArrayList<>(options);
            polar.addAll(List.of("--mach", c[1], "--alpha", c[2]));
            if (c[3] != null) {
                polar.addAll(List.of("--reynolds", c[3]));
            }
            CommandLine line = PolarCommand.commandLine(QUIET, false);
            line.parseArgs(polar.toArray(new String[0]));
            RunOptions base = ((PolarCommand) line.getCommand()).base;
            CaseDefinition fromPolar = base.at(Double.parseDouble(c[4]), Double.parseDouble(c[5]),
                    c[6] == null ? null : Double.parseDouble(c[6])).definition();
            assertEquals(run(options, c[4], c[5], c[6]), fromPolar, c[0]);
        }
        // The defaults followed the conditions rather than the first case's.
        RunOptions base = RunOptions.writingTo(java.nio.file.Path.of("p"));
        base.body.resolutionOption = 32;
        base.viscous = true;
        CaseDefinition low = base.at(0.2, 0, 1e4).definition();
        CaseDefinition high = base.at(0.8, 0, 1e6).definition();
        assertNotEquals(low.scheme().weight(), high.scheme().weight());
        assertNotEquals(low.meshing().meshOptions().firstHeight(),
                high.meshing().meshOptions().firstHeight());
    }
}
