# Shared by the benchmark scripts: set-up, the benchmark videos and small helpers. Sourced, not run.
# The videos are made once with real encoders (DVD program streams with B-frames) and kept in
# <build>/bench. STILLREEL_BUILD_DIR runs the benchmarks in another build tree.

source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"
BUILD_DIR=${STILLREEL_BUILD_DIR:-$BUILD_DIR}
BENCH_DIR="$BUILD_DIR/bench"
ffmpeg_quiet=(ffmpeg -nostdin -hide_banner -loglevel error)

# Installs the peers and what the build needs, and builds.
bench_setup() {
  install_missing_packages "${STILLREEL_PACKAGES[@]}" ffmpegthumbnailer imagemagick
  build_stillreel >/dev/null
  mkdir -p "$BENCH_DIR"
}

# make_noisy FILE SECONDS [extra ffmpeg options]: a test-pattern PAL VOB with moving noise.
# noisy_source replaces the picture source.
make_noisy() {
  local file=$1 seconds=$2
  shift 2
  [ -s "$file" ] && return 0
  echo "Making $(basename "$file") (once)..." >&2
  "${ffmpeg_quiet[@]}" \
    -f lavfi -i "${noisy_source:-testsrc2=size=720x576:rate=25,noise=alls=12:allf=t}" \
    -f lavfi -i "sine=frequency=440:sample_rate=48000" \
    -t "$seconds" -target pal-dvd -bf 2 "$@" -y "$file.part"
  mv "$file.part" "$file"
}

# make_noisy_interlaced FILE SECONDS: the same, interlaced: pictures at 50 a second woven two by two
# into frames, top field first, so the two fields of every frame differ.
make_noisy_interlaced() {
  noisy_source="testsrc2=size=720x576:rate=50,noise=alls=12:allf=t,interlace=scan=tff" \
    make_noisy "$1" "$2" -flags +ildct+ilme -top 1
}

# make_indexed FILE FRAMES [GOP OPTION...]: a PAL VOB whose frames carry their index (see
# tests/support), in open GOPs of 15 unless told otherwise.
make_indexed() {
  local file=$1 frames=$2 gop=(-g 15)
  [ $# -lt 3 ] || gop=("${@:3}")
  [ -s "$file" ] && return 0
  echo "Making $(basename "$file") (once)..." >&2
  "$BUILD_DIR/bin/framegen" 720 576 0 "$frames" |
    "${ffmpeg_quiet[@]}" \
      -f rawvideo -pix_fmt yuv420p -color_range tv -video_size 720x576 -framerate 25 -i - \
      -f lavfi -i "sine=frequency=440:sample_rate=48000" \
      -map 0:v -map 1:a -shortest \
      -target pal-dvd -aspect 4:3 -bf 2 "${gop[@]}" -sc_threshold 1000000000 -ac 2 -y "$file.part"
  mv "$file.part" "$file"
}

# make_subtitled FILE SECONDS: make_noisy's picture over a flat black band (the bottom quarter), with
# one subtitle stream (substream 0) muxed in by spumux: a line of DejaVu text on the band every 6 s,
# shown 3 s, from 2.02 s on (half a frame past a frame's time, so that no frame lies on an edge). The
# lines' times, in ms of the stream's own time from its first frame, one "start end" a line, go to
# FILE.times.
make_subtitled() {
  local file=$1 seconds=$2 k ms
  [ -s "$file" ] && [ -s "$file.times" ] && return 0
  noisy_source="testsrc2=size=720x576:rate=25,noise=alls=12:allf=t,drawbox=x=0:y=432:w=720:h=144:color=black:t=fill" \
    make_noisy "$file.video" "$seconds" -b:v 8000k
  echo "Muxing subtitles into $(basename "$file") (once)..." >&2
  : >"$file.times.part"
  : >"$file.srt"
  for ((k = 0; 6000 * k + 5020 <= seconds * 1000; k++)); do
    ms=$(( 6000 * k + 2020 ))
    echo "$ms $(( ms + 3000 ))" >>"$file.times.part"
    printf '%d\n%s --> %s\nSubtitle %d\n\n' $(( k + 1 )) "$(srt_time "$ms")" "$(srt_time $(( ms + 3000 )))" $(( k + 1 )) >>"$file.srt"
  done
  # spumux counts the times from the video's first timestamp, as the times file does.
  cat >"$file.xml" <<XML
<subpictures format="PAL"><stream><textsub filename="$file.srt" font="/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
  fontsize="28" vertical-alignment="bottom" movie-width="720" movie-height="576" /></stream></subpictures>
XML
  spumux -s0 "$file.xml" <"$file.video" >"$file.part" 2>"$file.spumux.log" || { cat "$file.spumux.log" >&2; return 1; }
  rm "$file.video"
  mv "$file.times.part" "$file.times"
  mv "$file.part" "$file"
}
srt_time() { printf '%02d:%02d:%02d,%03d' $(( $1 / 3600000 )) $(( $1 / 60000 % 60 )) $(( $1 / 1000 % 60 )) $(( $1 % 1000 )); }

# subtitle_states TIMES OFFSET FILE...: how many of the pictures (of frames at 25 a second) show a
# subtitle exactly when one is on screen by TIMES, as "matching/total". A picture's frame is the last
# number in its name plus OFFSET; it shows a subtitle when more than 100 pixels of the band under the
# picture are light (none on the black band itself, some 800 to 1500 under a line of text).
subtitle_states() {
  local times=$1 offset=$2
  shift 2
  "$BUILD_DIR/bin/bench_convert" light 0.05 0.78 0.95 0.98 "$@" |
    awk -v offset="$offset" -v times="$times" '
      BEGIN { while ((getline line < times) > 0) { split(line, t, " "); n++; from[n] = t[1]; to[n] = t[2] } }
      {
        match($1, /[0-9]+\.jpg$/)
        ms = (substr($1, RSTART, RLENGTH - 4) + offset) * 40
        due = 0
        for (k = 1; k <= n; k++) if (from[k] <= ms && ms < to[k]) due = 1
        matching += (($2 > 100) == due); total++
      }
      END { printf "%d/%d", matching, total }'
}

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
per_second() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.1f", n / s }'; }
# The value of a "key value" line of a benchmark program's output.
value() { sed -n "s/^$1 //p" <<<"$2"; }
hhmmss() { printf '%02d:%02d:%02d' $(( $1 / 3600 )) $(( $1 / 60 % 60 )) $(( $1 % 60 )); }

# exact_pictures SECOND... -- FILE...: how many of the pictures show a frame of the second asked
# for it (25 frames per second).
exact_pictures() {
  local seconds=()
  while [ "$1" != "--" ]; do seconds+=("$1"); shift; done
  shift
  on_their_seconds "${seconds[@]}" < <("$BUILD_DIR/bin/bench_convert" index "$@")
}

# exact_cells SHEET COLUMNS ROWS WIDTH FRAME...: how many cells of a contact sheet show exactly the
# frame asked for them, in order.
exact_cells() {
  local frames=("${@:5}") hits=0 i=0 index
  while read -r _ index; do
    if [ "$index" -eq "${frames[$i]}" ]; then hits=$(( hits + 1 )); fi
    i=$(( i + 1 ))
  done < <("$BUILD_DIR/bin/bench_convert" sheet-index "$1" "$2" "$3" "$4")
  echo "$hits"
}

# on_their_seconds SECOND...: how many of the "name index" lines read show a frame of the second
# asked for that line.
on_their_seconds() {
  local seconds=("$@") hits=0 i=0 index
  while read -r _ index; do
    if [ "$index" -ge 0 ] && [ $(( index / 25 )) -eq "${seconds[$i]}" ]; then hits=$(( hits + 1 )); fi
    i=$(( i + 1 ))
  done
  echo "$hits"
}

# exact_frames FRAME... -- FILE...: how many of the pictures show exactly the frame asked for it.
exact_frames() {
  local frames=() hits=0 i=0 index
  while [ "$1" != "--" ]; do frames+=("$1"); shift; done
  shift
  while read -r _ index; do
    if [ "$index" -eq "${frames[$i]}" ]; then hits=$(( hits + 1 )); fi
    i=$(( i + 1 ))
  done < <("$BUILD_DIR/bin/bench_convert" index "$@")
  echo "$hits"
}

# The peers, as a user would call them for the same pictures.
# peer_whole VIDEO FOLDER: every frame as a 720x540 JPEG.
peer_whole() {
  "${ffmpeg_quiet[@]}" -i "$1" -an -vf scale=720:540 -q:v 1 "$2/%d.jpg"
}
# peer_whole_deinterlaced VIDEO FOLDER: the same through ffmpeg's bwdif (by default a picture per field).
peer_whole_deinterlaced() {
  "${ffmpeg_quiet[@]}" -i "$1" -an -vf bwdif=deint=1,scale=720:540 -q:v 1 "$2/%d.jpg"
}
# peer_whole_subtitled VIDEO FOLDER: the same with the first subtitle stream drawn over the picture
# by ffmpeg's overlay filter, numbered from 000001.
peer_whole_subtitled() {
  "${ffmpeg_quiet[@]}" -i "$1" -filter_complex "[0:v][0:s:0]overlay,scale=720:540" -an -q:v 1 "$2/%06d.jpg"
}
# peer_range VIDEO FOLDER START END: every frame of seconds START to END, both included.
peer_range() {
  "${ffmpeg_quiet[@]}" -ss "$3" -i "$1" -t $(( $4 - $3 + 1 )) -an -vf scale=720:540 -q:v 1 "$2/%d.jpg"
}
# peer_pieces VIDEO FOLDER SECOND...: one picture 720 wide per second asked, as FOLDER/<i>.jpg.
peer_pieces() {
  local video=$1 folder=$2 i=0 second
  shift 2
  for second in "$@"; do
    ffmpegthumbnailer -i "$video" -o "$folder/$i.jpg" -s 720 -q 10 -t "$(hhmmss "$second")" >/dev/null 2>&1
    i=$(( i + 1 ))
  done
}

# peer_sheet VIDEO FOLDER COLSxROWS CELL_WIDTH CELL_HEIGHT TIME...: a contact sheet as one makes
# it by hand: one ffmpeg seek per cell (-ss before -i, the fast way), each picture scaled to the cell
# as FOLDER/<i>.jpg, then ImageMagick's montage into FOLDER/sheet.jpg, at quality 100 as ours.
peer_sheet() {
  local video=$1 folder=$2 grid=$3 size="$4:$5" i=0 time
  shift 5
  for time in "$@"; do
    "${ffmpeg_quiet[@]}" -ss "$time" -i "$video" -frames:v 1 -vf "scale=$size" -q:v 1 \
      "$folder/$(printf '%03d' "$i").jpg"
    i=$(( i + 1 ))
  done
  montage "$folder"/[0-9][0-9][0-9].jpg -tile "$grid" -geometry +4+4 -quality 100 "$folder/sheet.jpg"
}

# make_catalogue_discs DIR COUNT SECONDS: COUNT disc images of one PAL title each, SECONDS long, each
# of a picture of its own (make_noisy's, its hue turned by the disc's number), authored by dvdauthor
# and imaged by genisoimage -dvd-video as DIR/images/discNN.iso; and each title as one file,
# DIR/discNN.vob, for the peer, as ffmpeg does not read images. Made again when the recipe differs.
make_catalogue_discs() {
  local dir=$1 count=$2 seconds=$3 k name
  local recipe="$count discs of $seconds s: make_noisy, hue by number; dvdauthor; genisoimage -dvd-video"
  [ "$(cat "$dir/recipe" 2>/dev/null)" = "$recipe" ] && return 0
  rm -rf "$dir"
  mkdir -p "$dir/images"
  echo "Making $count disc images for the catalogue (once)..." >&2
  for k in $(seq -w 1 "$count"); do
    name="disc$k"
    noisy_source="testsrc2=size=720x576:rate=25,hue=h=$(( 10#$k * 17 )),noise=alls=12:allf=t" \
      make_noisy "$dir/$name.mpg" "$seconds"
    VIDEO_FORMAT=PAL dvdauthor -o "$dir/$name" -t "$dir/$name.mpg" >"$dir/dvdauthor.log" 2>&1
    VIDEO_FORMAT=PAL dvdauthor -o "$dir/$name" -T >>"$dir/dvdauthor.log" 2>&1
    cat "$dir/$name"/VIDEO_TS/VTS_01_[1-9].VOB >"$dir/$name.vob"
    genisoimage -quiet -dvd-video -V "${name^^}" -o "$dir/images/$name.iso" "$dir/$name"
    rm -rf "$dir/$name" "$dir/$name.mpg"
  done
  printf '%s' "$recipe" >"$dir/recipe"
}

# peer_catalogue_disc VOB FOLDER CELL_WIDTH CELL_HEIGHT: one disc's sheet as a shell loop over a shelf
# makes it: the title's length from ffprobe, then peer_sheet at the middle of each of 16 shares.
peer_catalogue_disc() {
  local length i times=()
  length=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$1")
  for i in $(seq 0 15); do
    times+=("$(awk -v l="$length" -v i="$i" 'BEGIN { printf "%.2f", (i + 0.5) * l / 16 }')")
  done
  mkdir -p "$2"
  peer_sheet "$1" "$2" 4x4 "$3" "$4" "${times[@]}"
}

# bench_catalogue OUT: a catalogue of 20 disc images of 60 s (ours: one stillreel-thumbs --catalogue
# of their folder, 4x4 sheets 1600 wide) against peer_catalogue_disc on each title's VOB in turn,
# three rounds taking turns. Sets catalogue_ours and catalogue_peer (each round's seconds, in order),
# and catalogue_ours_n and catalogue_peer_n (the sheets of the last round).
bench_catalogue() {
  local out=$1 discs="$BENCH_DIR/catalogue" cell vob start round
  make_catalogue_discs "$discs" 20 60
  cell=$("$BUILD_DIR/bin/bench_convert" sheet-cell 4 4 1600)
  cat "$discs"/*.vob "$discs"/images/*.iso >/dev/null # into the page cache
  catalogue_ours=() catalogue_peer=()
  for round in 1 2 3; do
    rm -rf "$out"
    mkdir -p "$out/ours" "$out/peer"
    start=$(now)
    "$BUILD_DIR/bin/stillreel-thumbs" -q --catalogue "$out/ours" "$discs/images" >/dev/null
    catalogue_ours+=("$(elapsed "$start" "$(now)")")
    start=$(now)
    for vob in "$discs"/disc*.vob; do
      peer_catalogue_disc "$vob" "$out/peer/$(basename "$vob" .vob)" "$(value cell_width "$cell")" \
        "$(value cell_height "$cell")"
    done
    catalogue_peer+=("$(elapsed "$start" "$(now)")")
  done
  catalogue_ours_n=$(find "$out/ours" -name '*_sheet.jpg' | wc -l)
  catalogue_peer_n=$(find "$out/peer" -name sheet.jpg | wc -l)
}

# Starts an X server of our own on a display number it picks, for the rest of the script.
start_xvfb() {
  exec {displayfd}<> <(:)
  Xvfb -displayfd "$displayfd" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null || true' EXIT
  read -r -t 10 -u "$displayfd" display || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$display" QT_QPA_PLATFORM=xcb
}

# ffplay_cpu_percent VIDEO SECONDS: ffplay showing the video in a window of the panel's size;
# the CPU time it used, as a share of one core.
ffplay_cpu_percent() {
  local cpu
  TIMEFORMAT='%U %S'
  cpu=$( { time SDL_AUDIODRIVER=dummy ffplay -hide_banner -loglevel error -an -x 395 -y 193 \
    -autoexit -t "$2" "$1" >/dev/null 2>&1 ; } 2>&1 )
  awk -v c="$cpu" -v s="$2" 'BEGIN { split(c, t, " "); print 100 * (t[1] + t[2]) / s }'
}

# The chapters of each cell of the benchmark disc, as frames of the cell: every 150.4 s, so most
# start between two whole seconds. Each falls on a GOP of the cell's closed GOPs of 10 frames, where
# dvdauthor can put it exactly.
disc_chapter_frames=(0 3760 7520 11280 15040 18800 22560 26320)

# m:ss.ff of a frame at 25 frames a second, as dvdauthor takes a chapter mark.
mark_of_frame() {
  printf '%d:%02d.%02d' $(( $1 / 1500 )) $(( $1 / 25 % 60 )) $(( $1 % 25 * 4 ))
}

# make_indexed_disc DIR CELLS: a disc of one title, CELLS cells of the same 20 minutes whose frames
# carry their index (0..29999, the most the code holds), each with the chapters of
# disc_chapter_frames, authored by dvdauthor: DIR/folder with the title's VOB cut at sector
# boundaries into four parts (as a disc's 1 GiB parts, mid-GOP), DIR/disc.iso made of it by
# genisoimage -dvd-video, and the same title as one file, DIR/title.vob. The disc is made again
# when its recipe (DIR/recipe) differs.
make_indexed_disc() {
  local dir=$1 cells=$2 sectors part k vobs="" marks="" frame
  # Closed GOPs: an open one's first B-frames would show frames of the chapter before it.
  local gop=(-g 10 -flags +cgop)
  for frame in "${disc_chapter_frames[@]}"; do marks+="${marks:+,}$(mark_of_frame "$frame")"; done
  # A name of its own for each cell: dvdauthor writes a file named twice only once, and the cells
  # would share its sectors.
  for k in $(seq "$cells"); do vobs+="<vob file=\"$dir/cell$k.mpg\" chapters=\"$marks\" />"; done
  local xml="<dvdauthor dest=\"$dir/authored\"><vmgm />
  <titleset><titles><video format=\"pal\" aspect=\"4:3\" /><pgc>$vobs</pgc></titles></titleset>
</dvdauthor>"
  local recipe="cell: make_indexed 30000 ${gop[*]}
$xml"
  [ -s "$dir/disc.iso" ] && [ "$(cat "$dir/recipe" 2>/dev/null)" = "$recipe" ] && return 0
  rm -rf "$dir/folder" "$dir/authored" "$dir/disc.iso" "$dir/title.vob" "$dir/recipe" "$dir/cell.mpg"
  mkdir -p "$dir/folder/VIDEO_TS"
  make_indexed "$dir/cell.mpg" 30000 "${gop[@]}"
  echo "Making a disc of $cells cells (once)..." >&2
  for k in $(seq "$cells"); do ln -f "$dir/cell.mpg" "$dir/cell$k.mpg"; done
  printf '%s\n' "$xml" >"$dir/disc.xml"
  VIDEO_FORMAT=PAL dvdauthor -x "$dir/disc.xml" >"$dir/dvdauthor.log" 2>&1
  rm "$dir"/cell*.mpg
  cp "$dir"/authored/VIDEO_TS/*.IFO "$dir"/authored/VIDEO_TS/*.BUP "$dir/folder/VIDEO_TS/"
  cat "$dir"/authored/VIDEO_TS/VTS_01_[1-9].VOB >"$dir/title.vob"
  rm -rf "$dir/authored"
  sectors=$(( $(stat -c %s "$dir/title.vob") / 2048 ))
  part=$(( (sectors + 3) / 4 ))
  for k in 1 2 3 4; do
    dd if="$dir/title.vob" of="$dir/folder/VIDEO_TS/VTS_01_$k.VOB" bs=2048 skip=$(( (k - 1) * part )) \
      count="$part" status=none
  done
  genisoimage -quiet -dvd-video -V BENCH_DISC -o "$dir/disc.iso.part" "$dir/folder"
  mv "$dir/disc.iso.part" "$dir/disc.iso"
  printf '%s' "$recipe" >"$dir/recipe"
}
