#!/bin/bash
# tumbler_test.sh ENTRY PROGRAM FIXTURE_DIR: file-manager thumbnails of a VOB and a disc image, asked of
# tumbler (XFCE's thumbnail service) over a D-Bus session bus of the test's own, with our thumbnailer
# ENTRY as the only one it finds and PROGRAM as the stillreel-thumbs it runs. Prints each failure and
# exits 1 when there was any.
set -u

# The thumbnails asked for: the file in the fixtures, its size in each flavor (normal, large).
files=(pal100.vob disc.iso)
flavors=(normal large)
declare -A expected=([normal]=128x96 [large]=256x192)

if [ "${1:-}" != --on-bus ]; then
  entry=$1 program=$2 fixtures=$3
  tumblerd=$(dpkg -L tumbler 2>/dev/null | grep '/tumblerd$' | head -n 1)
  if [ ! -x "$tumblerd" ]; then
    echo "FAILED: tumblerd not found (package tumbler)"
    exit 1
  fi
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  mkdir -p "$work/data/thumbnailers" "$work/bin" "$work/config/tumbler" "$work/cache" "$work/in"
  # The data folders hold our entry and nothing else a thumbnailer could come from; tumbler reads the
  # thumbnail back through gdk-pixbuf, which tells a PNG by the MIME database.
  cp "$entry" "$work/data/thumbnailers/"
  ln -s /usr/share/mime "$work/data/mime"
  # What tumbler runs by the entry's name: the program, each call and its exit status recorded, so the
  # thumbnails are known to be ours and not those of tumbler's own video plugins. Tumbler makes the
  # output file itself and keeps it open: a program that puts a new file in its place gives it
  # nothing, and that is recorded too.
  printf -v program '%q' "$program"
  printf -v calls '%q' "$work/calls"
  cat >"$work/bin/stillreel-thumbs" <<EOF
#!/bin/bash
before=\$(stat -c %i -- "\${!#}" 2>/dev/null)
$program "\$@"
status=\$?
[ -n "\$before" ] && [ "\$(stat -c %i -- "\${!#}" 2>/dev/null)" != "\$before" ] && replaced=" (output replaced)"
echo "\$* -> \$status\${replaced:-}" >>$calls
exit \$status
EOF
  chmod +x "$work/bin/stillreel-thumbs"
  # Tumbler's settings of the test's own, neither the system's nor the user's: its video plugins, which
  # claim MPEG video, at the priorities it ships, above .thumbnailer entries; and a size limit on those
  # entries that both files are over, as a desktop may set. The entry's own settings must beat both.
  cat >"$work/config/tumbler/tumbler.rc" <<'EOF'
[GstThumbnailer]
Disabled=false
Priority=1
[FfmpegThumbnailer]
Disabled=false
Priority=2
[DesktopThumbnailer]
Disabled=false
Priority=0
MaxFileSize=1048576
EOF
  # A bus that starts nothing by itself: activation would bring up a second tumblerd with the bus's
  # environment instead of the test's.
  cat >"$work/bus.conf" <<'EOF'
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
  # Each file under a plain name of the test's folder, so its URI needs no escaping; asked for with the
  # MIME type a file manager finds for it in the system's database.
  uris=() types=()
  for file in "${files[@]}"; do
    ln -s "$fixtures/$file" "$work/in/$file"
    uris+=("file://$work/in/$file")
    types+=("$(gio info -a standard::content-type "$work/in/$file" | sed -n 's/^ *standard::content-type: //p')")
  done
  echo "MIME types: ${types[*]}"
  start=$SECONDS
  timeout -k 5 60 dbus-run-session --config-file="$work/bus.conf" -- \
    env PATH="$work/bin:$PATH" XDG_DATA_HOME="$work/data" XDG_DATA_DIRS="$work/data" \
    XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/config" XDG_CACHE_HOME="$work/cache" \
    bash "$0" --on-bus "$tumblerd" "$work" "${uris[@]}" "${types[@]}" 2>"$work/bus.log"
  status=$?
  [ "$status" -eq 124 ] && echo "FAILED: the run on the bus did not end within 60 s"
  [ "$status" -ne 0 ] && grep -v 'fd limit' "$work/bus.log"
  echo "$((SECONDS - start)) s on the bus"
  exit "$status"
fi

# On the private bus: start tumblerd, queue the files in both flavors, check what lands in the cache.
tumblerd=$2 work=$3
shift 3
count=${#files[@]}
uris=("${@:1:count}") types=("${@:count+1:count}")
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
service=org.freedesktop.thumbnails.Thumbnailer1
call() {
  gdbus call --session --timeout 10 --dest "$service" --object-path /org/freedesktop/thumbnails/Thumbnailer1 \
    --method "$service.$1" "${@:2}"
}
# Strings as a GVariant array of strings.
list() {
  local text="" item
  for item in "$@"; do
    text+="${text:+,}'$item'"
  done
  echo "[$text]"
}

# tumblerd dies with this shell, whichever way it ends.
setpriv --pdeathsig KILL "$tumblerd" >"$work/tumblerd.log" 2>&1 &
daemon=$!
dbus-monitor --session "type='signal',interface='$service'" >"$work/signals.log" 2>/dev/null &
monitor=$!
trap 'kill $daemon $monitor 2>/dev/null; wait' EXIT

owned=false
deadline=$((SECONDS + 10))
while [ $SECONDS -lt $deadline ] && kill -0 $daemon 2>/dev/null; do
  # The monitor's own first signal shows it listens.
  if [ -s "$work/signals.log" ] && gdbus call --session --dest org.freedesktop.DBus \
    --object-path /org/freedesktop/DBus --method org.freedesktop.DBus.NameHasOwner "$service" 2>/dev/null |
    grep -q true; then
    owned=true
    break
  fi
  sleep 0.1
done
if ! $owned; then
  echo "FAILED: tumblerd did not take $service within 10 s, or the bus monitor did not start"
  cat "$work/tumblerd.log"
  exit 1
fi

# The cache's name for a thumbnail: the MD5 of the file's URI.
thumbnail() {
  local md5
  md5=$(printf '%s' "$2" | md5sum)
  echo "$work/cache/thumbnails/$1/${md5%% *}.png"
}
# Whether tumbler has said that request $1 is over, each file ready or failed.
finished() {
  grep -A1 'member=Finished' "$work/signals.log" | grep -q "^ *uint32 $1\$"
}

# One flavor after the other, as a file manager asks: two requests for the same files at once lose
# thumbnails in tumbler itself (both reported ready, one never in the cache).
deadline=$((SECONDS + 30))
for flavor in "${flavors[@]}"; do
  if ! reply=$(call Queue "$(list "${uris[@]}")" "$(list "${types[@]}")" "$flavor" default 0); then
    fail "Queue for $flavor thumbnails was refused"
    continue
  fi
  handle=$(echo "$reply" | sed -n 's/^(uint32 \([0-9]*\),)$/\1/p')
  until finished "$handle" || ! kill -0 $daemon 2>/dev/null || [ $SECONDS -ge $deadline ]; do
    sleep 0.1
  done
done
kill -0 $daemon 2>/dev/null || fail "tumblerd ended while thumbnailing"

for flavor in "${flavors[@]}"; do
  size=${expected[$flavor]}
  for ((k = 0; k < count; k++)); do
    uri=${uris[k]} path=${uris[k]#file://}
    png=$(thumbnail "$flavor" "$uri")
    if [ ! -s "$png" ]; then
      fail "no $flavor thumbnail of ${path##*/} (${types[k]})"
      continue
    fi
    # The width and height of the PNG's header chunk.
    read -r w1 w2 w3 w4 h1 h2 h3 h4 < <(od -An -tu1 -j16 -N8 "$png")
    got=$((w1 << 24 | w2 << 16 | w3 << 8 | w4))x$((h1 << 24 | h2 << 16 | h3 << 8 | h4))
    [ "$got" = "$size" ] || fail "the $flavor thumbnail of ${path##*/} is $got, not $size"
    grep -aq "Thumb::URI.$uri" "$png" || fail "the $flavor thumbnail of ${path##*/} does not name its file"
    grep -q "^--thumbnail -s ${size%x*} $path [^ ]* -> 0\$" "$work/calls" 2>/dev/null ||
      fail "stillreel-thumbs did not make the $flavor thumbnail of ${path##*/}"
  done
done
grep -q 'output replaced' "$work/calls" 2>/dev/null &&
  fail "stillreel-thumbs put a new file in place of the output tumbler made, instead of writing into it"

if [ "$failures" -ne 0 ]; then
  echo "stillreel-thumbs was run as:"
  cat "$work/calls" 2>/dev/null
  echo "tumbler reported:"
  grep -A8 'member=Error' "$work/signals.log"
  echo "tumblerd printed:"
  cat "$work/tumblerd.log"
  echo "$failures failed"
  exit 1
fi
echo "tumbler made every thumbnail through our entry"
