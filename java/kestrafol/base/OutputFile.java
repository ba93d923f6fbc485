package kestrafol.base;

import java.util.List;

/**
 * A file a command writes into its output folder and what it holds, as the folder's owner
 * declares it: the list that help texts print.
 *
 * @param name the file's name in the folder
 * @param holds what it holds, a few words
 */
public record OutputFile(String name, String holds) {
    /** The names of the files, in order. */
    public static List<String> names(List<OutputFile> files) {
        return files.stream().map(OutputFile::name).toList();
    }

    /** "a (what a holds), b (what b holds) and c (what c holds)". */
    public static String described(List<OutputFile> files) {
        List<String> each = files.stream().map(f -> f.name + " (" + f.holds + ")").toList();
        return each.size() < 2 ? String.join("", each) : String.join(", ",
                each.subList(0, each.size() - 1)) + " and " + each.get(each.size() - 1);
    }
}
