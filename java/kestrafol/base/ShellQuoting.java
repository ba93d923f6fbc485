package kestrafol.base;

import java.util.List;

/**
 * Words for bash: any string becomes one word that bash reads back unchanged, whatever it holds
 * (spaces, quotes, newlines, $, backquotes, %, backslashes). Only NUL cannot be passed on a
 * command line at all.
 */
public final class ShellQuoting {
    private ShellQuoting() {}

    /**
     * The word as bash source: unchanged when it holds only characters bash takes literally
     * (and is no NAME=VALUE, which bash would take for an assignment as the first word), otherwise in single quotes, each
     * embedded single quote written as '\''.
     *
     * @throws IllegalArgumentException for a word holding NUL
     */
    public static String quote(String word) {
        if (word.indexOf('\0') >= 0) {
            throw new IllegalArgumentException("a command-line word cannot hold the NUL character");
        }
        if (!word.isEmpty() && word.matches("[A-Za-z0-9_./:=+,@%-]+")
                && !word.matches("[A-Za-z_][A-Za-z0-9_]*=.*")) {
            return word;
        }
        return "'" + word.replace("'", "'\\''") + "'";
    }

    /** The words quoted and joined by single spaces: a command line for bash. */
    public static String commandLine(List<String> words) {
        StringBuilder b = new StringBuilder();
        for (String w : words) {
            if (b.length() > 0) {
                b.append(' ');
            }
            b.append(quote(w));
        }
        return b.toString();
    }
}
