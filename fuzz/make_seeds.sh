#!/usr/bin/env bash
# make_seeds.sh FIXTURE_DIR OUT_DIR: the fuzzer's seed corpus, cut from the test videos: the heads of
# the PAL, NTSC, film and interlaced videos, the small ones whole, the stretches around timestamp
# restarts, a head cut right after its second picture's start, and a head with bytes changed at
# seeded places.
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

# One whole picture, then the start of the next.
second=$(grep -obUaP '\x00\x00\x01\x00' "$fixtures/pal.vob" | sed -n 2p | cut -d: -f1)
head -c $((second + 64)) "$fixtures/pal.vob" >"$out/pal-one-picture"

cp "$out/pal-head" "$out/pal-damaged"
RANDOM=11
for _ in $(seq 48); do
    offset=$((16384 + (RANDOM * 32768 + RANDOM) % (176 * 1024)))
    printf "\\x$(printf %02x $((RANDOM % 256)))" | dd of="$out/pal-damaged" bs=1 seek="$offset" conv=notrunc status=none
done
