#!/usr/bin/env bash
# Draws the icons, the splash bitmap and the help cursor of vorn into resources/vorn/
# (ImageMagick for the pictures, a small Python writer for the cursor). The results are
# committed; run this again only to change the pictures.
set -euo pipefail
OUT=$(cd "$(dirname "$0")/.." && pwd)/resources/vorn
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT

# The program: a database drum in blue with a white "V".
drum() {
  local size=$1 out=$2
  convert -size 64x64 xc:none \
    -fill '#1F4E99' -stroke '#0B2550' -strokewidth 2 \
    -draw 'rectangle 10,14 54,50' -draw 'ellipse 32,50 22,8 0,180' -draw 'ellipse 32,14 22,8 0,360' \
    -stroke none -fill '#1F4E99' -draw 'rectangle 11,14 53,49' \
    -stroke '#0B2550' -fill '#5B8FD9' -draw 'ellipse 32,14 22,8 0,360' \
    -stroke white -strokewidth 5 -fill none -draw 'polyline 22,24 32,44 42,24' \
    -resize "${size}x${size}" "$out"
}
# The edit form: a page with lines and a yellow pencil across it.
form() {
  local size=$1 out=$2
  convert -size 64x64 xc:none \
    -fill white -stroke '#404040' -strokewidth 2 -draw 'rectangle 8,4 48,58' \
    -stroke '#7090C0' -strokewidth 3 -draw 'line 14,16 42,16' -draw 'line 14,26 42,26' \
    -draw 'line 14,36 34,36' \
    -stroke '#604000' -strokewidth 1 -fill '#F0C020' -draw 'polygon 30,54 56,20 62,26 36,60' \
    -fill '#303030' -draw 'polygon 30,54 36,60 28,62' \
    -resize "${size}x${size}" "$out"
}
# The record list: rows of a table under a green heading.
list() {
  local size=$1 out=$2
  convert -size 64x64 xc:none \
    -fill white -stroke '#404040' -strokewidth 2 -draw 'rectangle 4,8 60,56' \
    -stroke none -fill '#2E8B57' -draw 'rectangle 5,9 59,18' \
    -stroke '#A0A0A0' -strokewidth 2 -draw 'line 6,28 58,28' -draw 'line 6,38 58,38' \
    -draw 'line 6,48 58,48' -draw 'line 24,19 24,55' \
    -resize "${size}x${size}" "$out"
}
for name in drum form list; do
  $name 32 "$TMP/$name-32.png"
  $name 16 "$TMP/$name-16.png"
done
convert "$TMP/drum-32.png" "$TMP/drum-16.png" "$OUT/app.ico"
convert "$TMP/form-32.png" "$TMP/form-16.png" "$OUT/edit.ico"
convert "$TMP/list-32.png" "$TMP/list-16.png" "$OUT/view.ico"

# The splash and background picture: the drum beside the program's name.
drum 96 "$TMP/drum-96.png"
convert -size 360x140 gradient:'#FFFFFF-#C8DCF4' \
  "$TMP/drum-96.png" -geometry +20+22 -composite \
  -font DejaVu-Sans-Bold -pointsize 54 -fill '#0B2550' -annotate +132+86 'vorn' \
  -font DejaVu-Sans -pointsize 14 -fill '#304060' -annotate +136+112 'model-driven database desk' \
  -type TrueColor BMP3:"$OUT/vorn.bmp"

# The help cursor: an arrow with a question mark, 32 x 32 monochrome, hot spot at the tip.
python3 - "$OUT/help.cur" <<'PY'
import struct, sys
art = """
X...............................
XX..............................
X.X.............................
X..X............................
X...X...........................
X....X..........................
X.....X.........................
X......X........................
X.......X.......................
X........X......................
X.....XXXXX.......XXXXX.........
X..X..X..........XX...XX........
X.X.X..X.........XX...XX........
XX..X..X..............XX........
X....X..X............XX.........
.....X..X...........XX..........
......X..X..........XX..........
......XXXX......................
....................XX..........
....................XX..........
""".strip().splitlines()
rows = [r.ljust(32, '.') for r in art] + ['.' * 32] * (32 - len(art))
def bits(row, on):
    value = 0
    for c in row:
        value = value << 1 | (1 if c in on else 0)
    return struct.pack('>I', value)
# Bottom-up rows: XOR mask (black where drawn stays 0), AND mask (0 where drawn).
xor = b''.join(bits(r, '') for r in reversed(rows))
and_ = b''.join(bits(r, '.') for r in reversed(rows))
header = struct.pack('<IiiHHIIiiII', 40, 32, 64, 1, 1, 0, len(xor) + len(and_), 0, 0, 2, 0)
palette = struct.pack('<BBBBBBBB', 0, 0, 0, 0, 255, 255, 255, 0)
image = header + palette + xor + and_
directory = struct.pack('<HHH', 0, 2, 1) + struct.pack('<BBBBHHII', 32, 32, 2, 0, 0, 0, len(image), 22)
open(sys.argv[1], 'wb').write(directory + image)
PY
echo "resources drawn in $OUT"
