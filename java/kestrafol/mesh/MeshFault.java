package kestrafol.mesh;

/**
 * A mesh refused by {@link Mesh}'s checks, in the library's words, with the element or boundary
 * edge it concerns so that a file reader can point at the line: elements numbered triangles
 * first, then quadrilaterals, as in {@link Topology}; -1 where none applies. {@link #reason()}
 * is the message without the array positions that name its subject.
 */
public final class MeshFault extends IllegalArgumentException {
    private static final long serialVersionUID = 1L;
    private final String reason;
    private final int element;
    private final int edge;
    private final int otherElement;
    private final int otherEdge;

    MeshFault(String message, String reason, int element, int edge, int otherElement,
            int otherEdge) {
        super(message);
        this.reason = reason;
        this.element = element;
        this.edge = edge;
        this.otherElement = otherElement;
        this.otherEdge = otherEdge;
    }

    /** "subject: reason", the library's form of most messages. */
    static MeshFault of(String subject, String reason, int element, int edge) {
        return new MeshFault(subject + ": " + reason, reason, element, edge, -1, -1);
    }

    public String reason() {
        return reason;
    }

    /** The element at fault (the later of two), or -1. */
    public int element() {
        return element;
    }

    /** The boundary edge at fault (the later of two), or -1. */
    public int edge() {
        return edge;
    }

    /** The earlier element of a pair at fault, or -1. */
    public int otherElement() {
        return otherElement;
    }

    /** The earlier boundary edge of a pair at fault, or -1. */
    public int otherEdge() {
        return otherEdge;
    }
}
