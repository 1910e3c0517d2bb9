#!/usr/bin/env bash
# man_page.sh TOOL OUT: writes the manual page lumenmeta(1) to OUT, made
# from what the built TOOL prints for --help, each command's help and
# --version, so that the page says what the tool says.
set -euo pipefail
tool=$1 out=$2
exec >"$out.tmp"

# Roff text: backslashes escaped, a leading dot or quote made literal,
# every hyphen a minus sign (options are typed with the ASCII one).
escape() {
  sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"
}

# One help text as roff: its usage lines and indented blocks kept as they are
# laid out, the lines between them filled as paragraphs, headings in bold.
help_to_roff() {
  escape | awk '
    function open_block() { if (!block) { print ".PP"; print ".nf"; block = 1 } }
    function close_block() { if (block) { print ".fi"; block = 0 } }
    /^Usage:/            { close_block(); open_block(); usage = 1; print "\\fB" $0 "\\fR"; next }
    usage && /^ /        { print "\\fB" $0 "\\fR"; next }
                         { usage = 0 }
    /^$/                 { close_block(); para = 0; next }
    /^ /                 { open_block(); print; next }
    /^[A-Z][A-Za-z ]*:$/  { close_block(); print ".PP"; print "\\fB" $0 "\\fR"; para = 1; next }
                         { close_block(); if (!para) print ".PP"; para = 1; print }
    END                  { close_block() }'
}

overview=$("$tool" --help)
# The commands are the overview's "Commands:" block: "  NAME  what it does".
commands=$(printf '%s\n' "$overview" |
  awk '/^Commands:/ { inside = 1; next } inside && /^  [a-z]/ { print $1; next } inside { exit }')
# The summary is the sentence after the usage line, as the page's name line.
summary=$(printf '%s\n' "$overview" | sed -n '3p' | sed -e 's/\.$//' -e 's/^./\L&/')
version=$("$tool" --version | sed -n '1s/^lumenmeta //p')

cat <<EOF
.TH LUMENMETA 1 "" "lumenmeta $version" "User Commands"
.SH NAME
lumenmeta \\- $(printf '%s\n' "$summary" | escape)
.SH SYNOPSIS
.B lumenmeta
.I COMMAND
.RI [ ARGUMENTS ]
.br
.B lumenmeta
.I COMMAND
.B \\-\\-help
.br
.B lumenmeta \\-\\-version
.SH DESCRIPTION
EOF
printf '%s\n' "$overview" | sed '1,2d' | help_to_roff
echo ".SH COMMANDS"
for command in $commands; do
  echo ".SS $command"
  "$tool" help "$command" | help_to_roff
done
cat <<EOF
.SH VERSIONS
.B lumenmeta \\-\\-version
prints the tool's version, then the versions of the library
.RB ( liblumenmeta.so.1 )
and of Exiv2 it runs with.
.SH SEE ALSO
The library's interface is described in
.IR /usr/include/lumenmeta.h ;
hosts build against it with
.B pkg\\-config \\-\\-cflags \\-\\-libs lumenmeta
or CMake's
.BR find_package(lumenmeta) .
EOF
mv "$out.tmp" "$out"
