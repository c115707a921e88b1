# Sourced by the packaging tests: reads the usage text of the built binary and sets
#   usage_words  the command words it documents, one a line (-w, /CPN, ...)
#   usage_ids    the FRU device IDs it names, blank-separated
# Fails (status 1, message on stderr) if the usage text does not have the expected shape,
# so that a changed usage text is noticed rather than checked against nothing.
read_usage_words() {
    usage=$("$1" -h x) || { echo "usage-words: '$1 -h x' failed" >&2; return 1; }
    # Lines " ./tarnwick FRUID /CPN ---..." and " ./tarnwick 0 -stxt (...)"; /Item is a placeholder.
    usage_words=$(printf '%s\n' "$usage" |
        awk '$1 == "./tarnwick" && ($3 ~ "^/" || $3 ~ "^-") && $3 != "/Item" { print $3 }')
    usage_ids=$(printf '%s\n' "$usage" |
        sed -n 's/^ FRUID: \([0-9 ]*[0-9]\) *(.*/\1/p')
    n=$(printf '%s\n' "$usage_words" | grep -c .)
    if [ "$n" -ne 19 ] || [ -z "$usage_ids" ]; then
        echo "usage-words: expected 19 command words and a FRUID line in the usage text, got $n words:" >&2
        printf '%s\n' "$usage" >&2
        return 1
    fi
}
