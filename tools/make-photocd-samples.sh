#!/bin/sh
# Makes the Photo CD samples of tests/data/photocd with ImageMagick 6 (an independent writer and
# reader of the format): two drawn pictures, landscape and portrait, written as Photo CD packs, and
# ImageMagick's own reading of each pack at its three sizes (scenes 1, 2, 3) as PNG files, which the
# decoder's test compares with. Run from the source root: tools/make-photocd-samples.sh
set -eu
out=tests/data/photocd
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

convert -size 768x512 gradient:'#2040a0-#f0c060' \
  -fill '#c03020' -draw 'circle 200,256 200,140' \
  -fill '#30a050' -draw 'rectangle 420,90 700,330' \
  -fill '#ffffff' -draw 'rectangle 40,420 360,470' \
  -fill '#000000' -draw 'line 0,0 767,511' "$work/landscape.png"
convert -size 512x768 gradient:'#a02060-#60f0c0' \
  -fill '#2030c0' -draw 'circle 256,200 256,110' \
  -fill '#e0e020' -draw 'rectangle 70,400 440,650' \
  -fill '#000000' -draw 'rectangle 20,700 200,740' "$work/portrait.png"

for name in landscape portrait; do
  convert "$work/$name.png" "PCD:$out/$name.pcd"
  for scene in 1 2 3; do
    convert "$out/$name.pcd[$scene]" -depth 8 -define png:exclude-chunks=date,time "PNG24:$out/$name-$scene.png"
  done
done
