#!/usr/bin/env bash
# make_disc_seeds.sh FIXTURE_DIR OUT_DIR: the disc fuzzer's seed corpus, cut from the fixture discs.
# Each cell of the two title sets keeps its first sectors, through the start of its second picture,
# and the cells' addresses in the information files are moved to where those sectors now lie: the
# plain disc, the same with its video split into two parts mid-cell, the angle block, the interleaved
# angle block, and the plain disc as a UDF image. A folder seed is laid out as disc_fuzzer.cpp reads
# it, with title set 1 only.
set -euo pipefail
fixtures=$1
out=$2
rm -rf "$out"
mkdir -p "$out"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# cut_disc NAME DISC SPLIT: the seed NAME from the fixture folder DISC, SPLIT of its video's sectors in
# the first part (0: one part; middle: half). Leaves the cut folder in $scratch/NAME/VIDEO_TS.
cut_disc() {
    mkdir -p "$scratch/$1/VIDEO_TS"
    perl -e '
      use strict;
      my ($in, $dir, $seed, $split) = @ARGV;
      sub slurp { open(my $f, "<:raw", $_[0]) or die "$_[0]"; local $/; return <$f>; }
      sub spew { open(my $f, ">:raw", $_[0]) or die "$_[0]"; print $f $_[1]; }
      my $vmg = slurp("$in/VIDEO_TS.IFO");
      spew("$dir/VIDEO_TS.IFO", $vmg);
      for my $set (1, 2) {
        my $ifo = slurp(sprintf("%s/VTS_%02d_0.IFO", $in, $set));
        my $vob = slurp(sprintf("%s/VTS_%02d_1.VOB", $in, $set));
        my ($out, %moved) = ("");
        # The program chain table, its chains, each chain cell table: 24 bytes a cell, its first,
        # first unit end, last VOBU start and last sectors from byte 8.
        my $table = unpack("N", substr($ifo, 0xCC, 4)) * 2048;
        for my $p (0 .. unpack("n", substr($ifo, $table, 2)) - 1) {
          my $pgc = $table + unpack("N", substr($ifo, $table + 8 + 8 * $p + 4, 4));
          my $cells = $pgc + unpack("n", substr($ifo, $pgc + 0xE8, 2));
          for my $c (0 .. ord(substr($ifo, $pgc + 3, 1)) - 1) {
            my $at = $cells + 24 * $c + 8;
            my ($first, $last) = unpack("N x8 N", substr($ifo, $at, 16));
            if (!exists $moved{$first}) {
              my $bytes = substr($vob, $first * 2048, ($last - $first + 1) * 2048);
              my $pictures = 0;
              while ($bytes =~ /\x00\x00\x01\x00/g) { last if ++$pictures == 2; }
              die "cell at sector $first has fewer than two pictures" unless $pictures == 2;
              my $keep = int(pos($bytes) / 2048) + 1;
              $moved{$first} = [length($out) / 2048, $keep];
              $out .= substr($bytes, 0, $keep * 2048);
            }
            my ($to, $keep) = @{$moved{$first}};
            substr($ifo, $at, 16) = pack("N4", $to, $to + $keep - 1, $to, $to + $keep - 1);
          }
        }
        spew(sprintf("%s/VTS_%02d_0.IFO", $dir, $set), $ifo);
        spew(sprintf("%s/VTS_%02d_1.VOB", $dir, $set), $out);
        next unless $set == 1;
        $split = int(length($out) / 2048 / 2) if $split eq "middle";
        spew($seed, pack("V3", length($vmg), length($ifo), $split) . $vmg . $ifo . $out);
      }
    ' "$fixtures/$2/VIDEO_TS" "$scratch/$1/VIDEO_TS" "$out/$1" "$3"
}

cut_disc disc disc 0
cut_disc split disc middle
cut_disc angles angles 0
cut_disc interleaved interleaved 0
# Plain UDF, unpadded: -dvd-video would pad each title set to the size its information file gives.
genisoimage -quiet -udf -no-pad -V SEED -o "$out/image" "$scratch/disc"
