#!/usr/bin/env bash
# completion.sh TOOL TEMPLATE OUT: writes the bash completion of lumenmeta to
# OUT: TEMPLATE (the completion function) after the tables of
# commands, options and option arguments read from what the built TOOL prints
# for --help and for each command's help, so that they follow the tool.
set -euo pipefail
tool=$1 template=$2 out=$3
exec >"$out.tmp"

overview=$("$tool" --help)
commands=$(printf '%s\n' "$overview" |
  awk '/^Commands:/ { inside = 1; next } inside && /^  [a-z]/ { print $1; next } inside { exit }')

echo "# bash completion for lumenmeta. Made from the tool's help when it was built."
echo
echo "_lumenmeta_commands='$(echo $commands)'"
echo "_lumenmeta_global_options='$(printf '%s\n' "$overview" | awk '/^  --/ { print $1 }' | xargs)'"
echo "declare -A _lumenmeta_options=()"
echo "declare -A _lumenmeta_argument=()"
for command in $commands; do
  page=$("$tool" help "$command")
  # The usage lines: "Usage: ..." and the indented lines right after it.
  usage=$(printf '%s\n' "$page" | awk '/^Usage:/ { on = 1; print; next } on && /^ / { print; next } { on = 0 }')
  # The options: each described option ("  -x ..." lines) and each named in the usage.
  options=$( {
    printf '%s\n' "$page" | awk '/^  +-/ { print $1 }'
    printf '%s\n' "$usage" | grep -oE -- '(^|[[( ])--?[a-zA-Z][a-zA-Z-]*' | sed 's/^[[( ]*//' || true
  } | sort -u | xargs)
  echo "_lumenmeta_options[$command]='--help $options'"
  # What an option takes: the word after it, in the usage ("--to TARGET",
  # "--family Exif|Iptc|Xmp") or in its description ("  -j N   ...").
  {
    printf '%s\n' "$usage" | grep -oE -- '(^|[[( ])--?[a-zA-Z][a-zA-Z-]* [A-Za-z|=]+' |
      sed 's/^[[( ]*//' || true
    printf '%s\n' "$page" | grep -oE -- '^  +--?[a-zA-Z][a-zA-Z-]* [A-Za-z|=]+' | sed 's/^ *//' || true
  } | awk '!seen[$1]++ { printf "_lumenmeta_argument[%s %s]=%s\n", command, $1, "\047" $2 "\047" }' \
        command="$command"
done
echo
cat "$template"
mv "$out.tmp" "$out"
