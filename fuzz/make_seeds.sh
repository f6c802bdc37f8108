#!/usr/bin/env bash
# make_seeds.sh FIXTURE_DIR OUT_DIR: the fuzzer's seed corpus, cut from the test videos: the heads of
# the PAL, NTSC, film and interlaced videos, the small ones whole, the stretches around timestamp
# restarts, subtitled stretches, a head cut right after its second picture's start, and a head with
# bytes changed at seeded places.
set -euo pipefail
fixtures=$1
out=$2
rm -rf "$out"
mkdir -p "$out"

# slice NAME FILE OFFSET KIB: KIB KiB of FILE from byte OFFSET.
slice() {
    dd if="$2" of="$out/$1" bs=1K iflag=skip_bytes skip="$3" count="$4" status=none
}

slice pal-head "$fixtures/pal.vob" 0 192
slice ntsc-head "$fixtures/ntsc.vob" 0 128
slice film-head "$fixtures/film.vob" 0 128
slice colours "$fixtures/colours.vob" 0 64
slice untimed "$fixtures/untimed.vob" 0 128
# The second cell of the DVD title, where clock references and timestamps restart.
slice title-cells "$fixtures/title/VIDEO_TS/VTS_01_1.VOB" $((4913152 - 96 * 1024)) 192
slice untimed-joined "$fixtures/untimedjoined.vob" $((212992 - 64 * 1024)) 128
# Interlaced video, which goes through the deinterlacer: its head, and its second part's start, where
# the timestamps restart and the deinterlacer begins a new run.
slice interlaced-head "$fixtures/interlacedpal.vob" 0 192
join=$(sed -n 's/^interlacedpal\.vob .* from byte \([0-9]*\) .*/\1/p' "$fixtures/manifest.txt")
slice interlaced-restart "$fixtures/interlacedpal.vob" $((join - 96 * 1024)) 192

# subtitled NAME FILE STREAM KIB: a cut holding the first subpicture of subtitle stream STREAM (as
# ffprobe counts them) and the I-picture nearest it, from the sector where the earlier of the two
# starts to KIB KiB past the later: the library's subtitle path has a picture to draw it into.
subtitled() {
    local sub picture from to
    sub=$(ffprobe -v fatal -probesize 50M -analyzeduration 50M -select_streams "s:$3" -show_entries packet=pos \
        -of csv=p=0 "$2" | awk 'NR == 1')
    picture=$(ffprobe -v fatal -select_streams v:0 -show_entries frame=pkt_pos,pict_type -of csv=p=0 "$2" |
        awk -F, -v s="$sub" '$2 == "I" { d = $1 - s; if (d < 0) d = -d; if (best == "" || d < best) { best = d; at = $1 } }
                             END { print at }')
    if ! [[ $sub =~ ^[0-9]+$ && $picture =~ ^[0-9]+$ ]]; then
        echo "make_seeds: no subpicture of stream $3 or no I-picture in $2" >&2
        return 1
    fi
    from=$(( (sub < picture ? sub : picture) / 2048 * 2048 ))
    to=$(( (sub > picture ? sub : picture) + $4 * 1024 ))
    head -c "$to" "$2" | tail -c +$(( from + 1 )) >"$out/$1"
}
# latesub.vob's first two units of its band, from the I-picture before them; the subtitled disc's
# first title as a plain VOB, around its normal stream's first unit and its forced one's.
subtitled latesub "$fixtures/latesub.vob" 0 224
subtitled subs-normal "$fixtures/subs/VIDEO_TS/VTS_01_1.VOB" 0 128
subtitled subs-forced "$fixtures/subs/VIDEO_TS/VTS_01_1.VOB" 1 64

# One whole picture, then the start of the next.
second=$(grep -obUaP '\x00\x00\x01\x00' "$fixtures/pal.vob" | sed -n 2p | cut -d: -f1)
head -c $((second + 64)) "$fixtures/pal.vob" >"$out/pal-one-picture"

cp "$out/pal-head" "$out/pal-damaged"
RANDOM=11
for _ in $(seq 48); do
    offset=$((16384 + (RANDOM * 32768 + RANDOM) % (176 * 1024)))
    printf "\\x$(printf %02x $((RANDOM % 256)))" | dd of="$out/pal-damaged" bs=1 seek="$offset" conv=notrunc status=none
done
