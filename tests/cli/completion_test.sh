#!/bin/bash
# completion_test.sh COMPLETION: the bash completion of stillreel-thumbs, sourced into a plain bash
# and called as bash calls it: option names, an option's fixed values, folders for a folder, the
# files the program opens before others, nothing for a value only the user knows. Prints each
# failure and exits 1 when there was any.
set -u
completion=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/discs"
touch "$dir/a.VOB" "$dir/b.iso" "$dir/notes.txt"
cd "$dir" || exit 1
failures=0

# The completions offered for the command line "stillreel-thumbs WORD...", the last word the one
# being completed, sorted and joined by spaces.
offered() {
  bash --norc --noprofile -c '
    source "$1" || exit 1
    shift
    COMP_WORDS=(stillreel-thumbs "$@")
    COMP_CWORD=$#
    _stillreel_thumbs
    printf "%s\n" "${COMPREPLY[@]}" | sort | paste -sd " "' bash "$completion" "$@"
}

expect() {
  local want=$1 got
  shift
  got=$(offered "$@")
  echo "stillreel-thumbs $*<TAB>: $got"
  [ "$got" = "$want" ] || { echo "FAILED: wanted '$want'"; failures=$((failures + 1)); }
}

registered=$(bash --norc --noprofile -c 'source "$1" && complete -p stillreel-thumbs' bash "$completion")
[ "$registered" = "complete -F _stillreel_thumbs stillreel-thumbs" ] || {
  echo "FAILED: the completion is registered as '$registered'"
  failures=$((failures + 1))
}
expect "--sheet --sheet-width" --sh
expect "forced off" --subtitles ""
expect "auto off" --thumbnail --deinterlace ""
expect "discs" -o ""
expect "a.VOB b.iso discs" --sheet ""
expect "notes.txt" n
expect "" --range 10 ""
expect "" --pieces ""

if [ "$failures" -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "the completion holds"
