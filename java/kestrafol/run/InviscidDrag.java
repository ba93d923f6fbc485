package kestrafol.run;

/** What the drag of an inviscid case is, said beside it wherever a page or console shows it. */
public final class InviscidDrag {
    /** The sentence, one line. */
    public static final String NOTE = "Drag here is numerical: the inviscid method has no"
            + " friction, so the drag of a subsonic flow is the scheme's spurious drag and that"
            + " of a transonic flow is wave drag plus spurious drag.";

    private InviscidDrag() {}
}
