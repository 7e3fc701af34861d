#!/usr/bin/env bash
# `qzlayer --pdf` of a project whose front is a 24-megapixel photo, beside
# glabels-3-batch making a PDF of the same photo on a CD booklet template, in
# the same run: wall time, peak memory and the size of each PDF.
#   bench/pdf.sh [STAGE_PREFIX] [RUNS]
# STAGE_PREFIX is where cmake --install put the program (default:
# build/release/stage). glabels is installed here when it is missing; it is
# never a dependency of the build.
set -euo pipefail
cd "$(dirname "$0")/.."
stage=$(readlink -f "${1:-build/release/stage}")
runs=${2:-7}
program_dir=$stage/lib/qzLayer

if ! command -v glabels-3-batch >/dev/null; then
    if [[ $(id -u) -ne 0 ]]; then
        echo "glabels-3-batch is missing; run as root to let this script install it" >&2
        exit 1
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends glabels >/dev/null
fi
for tool in convert python3; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done
[[ -x $stage/bin/qzlayer ]] || { echo "no installed program in $stage" >&2; exit 1; }

work=$(mktemp -d /tmp/qzlayer-pdf-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home LANG=C.UTF-8
mkdir -p "$HOME"

# A photo-like picture: a colour gradient with sensor-like noise, which
# compresses to the size of a real 24-megapixel photo.
convert -seed 2002 -size 6000x4000 gradient:'#8a2030-#f0c878' -attenuate 0.4 \
    +noise Gaussian -quality 90 -sampling-factor 2x2 "$work/photo.jpg"

# The project: the photo in front, the shipped back text and picture.
project="$work/Velvet Hours"
mkdir -p "$project"
cp "$work/photo.jpg" "$project/Front.jpg"
cp "$program_dir/Back.bmp" "$program_dir/Back.rtf" "$project/"
printf 'Velvet Hours\\Front.jpg\r\nVelvet Hours\\Back.bmp\r\nVelvet Hours\\Back.rtf\r\n' \
    >"$work/Velvet Hours.qlp"

# The same photo on gLabels' CD booklet (Avery 8435A), 120 mm square.
cat >"$work/booklet.glabels" <<EOF
<?xml version="1.0"?>
<Glabels-document xmlns="http://glabels.org/xmlspec/3.0">
  <Template brand="Avery" part="8435A" size="A4" description="CD Booklet">
    <Meta category="media"/>
    <Label-rectangle id="0" width="155mm" height="125mm" round="0">
      <Markup-margin size="2mm"/>
      <Layout nx="1" ny="1" x0="27.5mm" y0="22mm" dx="155mm" dy="125mm"/>
    </Label-rectangle>
  </Template>
  <Objects id="0" rotate="False">
    <Object-image x="33mm" y="2.5mm" w="120mm" h="120mm" src="$work/photo.jpg"
      a0="1" a1="0" a2="0" a3="1" a4="0" a5="0"/>
  </Objects>
</Glabels-document>
EOF

# Runs a command RUNS times (alternating is left to the caller) and prints
# "median-seconds peak-KiB" of its runs; the command's own output is dropped.
measure() {
    python3 - "$@" <<'EOF'
import os, subprocess, sys, time
times, peaks = [], []
for _ in range(int(sys.argv[1])):
    start = time.monotonic()
    child = subprocess.Popen(sys.argv[2:], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(child.pid, 0)
    times.append(time.monotonic() - start)
    peaks.append(usage.ru_maxrss)
    if status != 0:
        sys.exit("failed: " + " ".join(sys.argv[2:]) + "\n" + child.stderr.read().decode())
times.sort(); peaks.sort()
print(f"{times[len(times) // 2]:.3f} {peaks[len(peaks) // 2]}")
EOF
}

glabels_runs=$(( runs < 3 ? runs : 3 )) # it takes seconds a run
read -r ours_s ours_kb < <(measure "$runs" "$stage/bin/qzlayer" --pdf "$work/qzlayer.pdf" \
    "$work/Velvet Hours.qlp")
read -r glabels_s glabels_kb < <(measure "$glabels_runs" glabels-3-batch -o "$work/glabels.pdf" \
    "$work/booklet.glabels")
ours_size=$(stat -c %s "$work/qzlayer.pdf")
glabels_size=$(stat -c %s "$work/glabels.pdf")

echo "photo: 6000x4000, $(stat -c %s "$work/photo.jpg") bytes; runs: $runs (gLabels $glabels_runs), medians"
printf 'qzlayer --pdf:   %6.3f s, peak %4d MB, PDF %6.1f MB\n' "$ours_s" $((ours_kb / 1024)) \
    "$(awk -v b="$ours_size" 'BEGIN {print b / 1048576}')"
printf 'glabels-3-batch: %6.3f s, peak %4d MB, PDF %6.1f MB\n' "$glabels_s" $((glabels_kb / 1024)) \
    "$(awk -v b="$glabels_size" 'BEGIN {print b / 1048576}')"
awk -v a="$ours_s" -v b="$glabels_s" -v m="$ours_kb" -v s="$ours_size" 'BEGIN {
    printf "ratio: time %.3f (target <= 0.15); qzlayer %.3f s (target <= 0.5), %d MB (target <= 150), PDF %.1f MB (target <= 15)\n",
        a / b, a, m / 1024, s / 1048576 }'
echo "front picture in qzlayer's PDF:"
pdfimages -list "$work/qzlayer.pdf" | sed -n '3p'
