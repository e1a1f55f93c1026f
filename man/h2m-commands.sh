#!/usr/bin/env bash
# Writes a help2man include file with a COMMANDS section: each sub-command's own --help
# (its usage, what it does, its arguments and options) as man page text, so that the man
# page lists every sub-command option without a copy that could drift from the program.
#   man/h2m-commands.sh PROGRAM > commands.h2m
set -euo pipefail
program=$1
name=$(basename "$program")

subcommands() { "$program" "$@" --help | awk '/^Subcommands:/ { f = 1; next } f && /^  [^ ]/ { print $1 }'; }

# One sub-command's --help (CLI11's layout: names in the first 30 columns, a description
# after them or on the next line) as a subsection of .TP entries; -h,--help is left out.
to_roff() {
    awk '
    function esc(s) { gsub(/\\/, "\\e", s); gsub(/-/, "\\-", s); sub(/^[.\047]/, "\\\\&&", s); return s }
    function names(s,   first, rest, n, parts, i, out) {
        first = s; rest = ""
        if (match(s, / /)) { first = substr(s, 1, RSTART - 1); rest = substr(s, RSTART) }
        n = split(first, parts, ",")
        for (i = 1; i <= n; i++)
            out = out (i > 1 ? ", " : "") (parts[i] ~ /^-/ ? "\\fB" esc(parts[i]) "\\fR" : "\\fI" esc(parts[i]) "\\fR")
        return out esc(rest)
    }
    # An entry whose names fill the first 30 columns has its description on the next line.
    function entry(raw, text,   line) {
        line = substr(raw, 3)
        if (text == "") { line = substr(raw, 3, 28); text = substr(raw, 31) }
        sub(/ +$/, "", line)
        print ".TP"; print names(line)
        if (text != "") print esc(text)
    }
    function flush() { if (pending != "") entry(pending, ""); pending = "" }
    NR == 1 { what = $0; next }
    /^Usage: / { printf ".SS \"%s\"\n%s\n", esc(substr($0, 8)), esc(what); next }
    /^  [^ ]/ { flush(); if ($1 != "-h,--help") pending = $0; next }
    /^ +[^ ]/ { if (pending != "") { sub(/^ +/, ""); entry(pending, $0); pending = "" } next }
    { flush() }
    END { flush() }
    '
}

echo "[COMMANDS]"
for command in $(subcommands); do
    nested=$(subcommands "$command")
    if [[ -z $nested ]]; then
        "$program" "$command" --help | to_roff
    fi
    for sub in $nested; do
        "$program" "$command" "$sub" --help | to_roff
    done
done
