#!/bin/bash
# install_test.sh CMAKE BUILD_DIR VIDEO: installs the build into a temporary prefix and checks what a
# user gets there. Prints each failure and exits 1 when there was any.
set -u
cmake=$1 build=$2 video=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

"$cmake" --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1 || { cat "$prefix.log"; rm -f "$prefix.log"; exit 1; }
rm -f "$prefix.log"
# Run from elsewhere, so nothing is found through the working folder.
cd /

thumbs=$prefix/bin/stillreel-thumbs
[ -L "$thumbs" ] || fail "bin/stillreel-thumbs is not a link"
version=$("$thumbs" --version) || fail "stillreel-thumbs --version exits $?"
[[ $version == "stillreel-thumbs "[0-9]* ]] || fail "stillreel-thumbs --version printed '$version'"
info=$("$thumbs" --info "$video" 2>&1) || fail "stillreel-thumbs --info exits $?: $info"
[[ $info == *"FPS: 25.00 Size: 720x576 Duration: 00:00:12"* ]] || fail "stillreel-thumbs --info printed '$info'"

# The library stays in the programs' private folder, and every program looks for it beside itself only.
private=$(dirname "$(readlink -f "$thumbs")")
[[ $private == "$prefix"/lib/*stillreel ]] || fail "the programs are in $private"
[ -f "$private/libdecoder.so" ] || fail "libdecoder.so is not beside the programs"
public=$(find "$prefix" -name 'lib*.so*' -not -path "$private/*")
[ -z "$public" ] || fail "a library outside the private folder: $public"
for program in stillreel-thumbs stillreel; do
  binary=$private/$program
  if [ "$program" = stillreel ] && [ ! -e "$binary" ]; then
    echo "note: no window program in this build"
    continue
  fi
  [ -x "$prefix/bin/$program" ] || fail "bin/$program does not lead to the program"
  runpath=$(readelf -d "$binary" | grep -E 'RPATH|RUNPATH')
  [[ $runpath == *"Library runpath: [\$ORIGIN]" ]] || fail "$program's search path: $runpath"
done

desktop=$prefix/share/applications/example.stillreel.stillreel.desktop
if [ -f "$desktop" ]; then
  desktop-file-validate "$desktop" || fail "the desktop entry does not validate"
else
  fail "share/applications/example.stillreel.stillreel.desktop is missing"
fi
# The thumbnailer entry, where file managers look for it; it must name programs the install has in
# bin/, as they are run by name through PATH.
entry=$prefix/share/thumbnailers/stillreel.thumbnailer
if [ -f "$entry" ]; then
  [ "$(head -n 1 "$entry")" = "[Thumbnailer Entry]" ] || fail "the thumbnailer entry does not start with its group"
  for key in TryExec Exec; do
    program=$(sed -n "s/^$key=\([^ ]*\).*/\1/p" "$entry")
    [ -n "$program" ] && [ -x "$prefix/bin/$program" ] && continue
    fail "the thumbnailer entry's $key names '$program', which bin/ lacks"
  done
  types=$(sed -n 's/^MimeType=//p' "$entry")
  for type in video/mpeg application/x-cd-image; do
    [[ ";$types" == *";$type;"* ]] || fail "the thumbnailer entry's MimeType lacks $type: '$types'"
  done
else
  fail "share/thumbnailers/stillreel.thumbnailer is missing"
fi
for size in 16 32 48 256; do
  [ -s "$prefix/share/icons/hicolor/${size}x${size}/apps/stillreel.png" ] || fail "no ${size}x${size} icon"
done
for page in stillreel stillreel-thumbs; do
  gzip -t "$prefix/share/man/man1/$page.1.gz" 2>/dev/null || fail "man page $page.1.gz is missing or damaged"
done
# bash-completion loads a command's completion by the command's name from here.
completion=$prefix/share/bash-completion/completions/stillreel-thumbs
registered=$(bash --norc --noprofile -c 'source "$1" && complete -p stillreel-thumbs' bash "$completion" 2>&1)
[ "$registered" = "complete -F _stillreel_thumbs stillreel-thumbs" ] ||
  fail "share/bash-completion/completions/stillreel-thumbs does not complete the program: $registered"

if [ "$failures" -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "the install holds"
