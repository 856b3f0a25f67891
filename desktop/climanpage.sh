#!/bin/sh
# Writes dovex-cli's manual page from its own --help and --version, so the
# page says what the program says. Usage: climanpage.sh DOVEX-CLI OUTPUT
set -eu
cli=$1
out=$2
version=$("$cli" --version)
"$cli" --help | LC_ALL=C awk -v version="$version" '
function esc(s) {
    gsub(/\\/, "\\e", s)
    gsub(/-/, "\\-", s)
    if (s ~ /^[.\x27]/) s = "\\&" s
    return s
}
BEGIN {
    print ".TH DOVEX\\-CLI 1 \"\" \"" esc(version) "\" \"User Commands\""
    print ".SH NAME"
    print "dovex\\-cli \\- the Dovex file manager'"'"'s engines on the command line"
    section = ""
}
/^Usage: / {
    print ".SH SYNOPSIS"
    sub(/^Usage: /, "")
    print ".nf"; print esc($0)
    section = "synopsis"; next
}
section == "synopsis" && /^       / {
    sub(/^ +/, ""); print esc($0); next
}
section == "synopsis" {
    print ".fi"; print ".SH DESCRIPTION"; section = "text"
}
/^[A-Z][A-Za-z ]*:$/ {
    name = toupper(substr($0, 1, length($0) - 1))
    print ".SH " name; section = "list"; next
}
/^Exit status: / {
    print ".SH \"EXIT STATUS\""; sub(/^Exit status: /, ""); print esc($0)
    section = "text"; next
}
/^$/ { if (section == "text") print ".PP"; next }
section == "list" && /^  (dovex-cli |--)/ {
    sub(/^  /, "")
    print ".TP"
    if (match($0, /   +/)) {
        print ".B " esc(substr($0, 1, RSTART - 1))
        print esc(substr($0, RSTART + RLENGTH))
    } else {
        print ".B " esc($0)
    }
    next
}
{ sub(/^ +/, ""); print esc($0) }
END { print ".SH SEE ALSO"; print ".BR dovex (1)" }
' > "$out.tmp"
mv "$out.tmp" "$out"
