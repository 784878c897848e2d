#!/usr/bin/env bash
# Times lorvex against other ways of reading a feed, whole process, on one generated feed with
# the page cache warm, and prints the ratios, lorvex's time against the I/O floor (cat of the
# feed plus cp of its records) and its user time over 100 runs; then the same feed in UTF-16,
# windows-1252, koi8-r and Shift_JIS against its UTF-8 time, and the peak memory of each. Peers
# that are not installed are left out.
#
#   bench/compare.sh [BUILD_DIR] [SIZE_MIB] [RUNS]
#
# RUNS, when given, is every timing's number of runs, without warm-up runs: CI passes 1 on a
# 1 MiB feed, so that a command line the tool no longer takes fails there, in seconds.
#
# Peers (Debian packages): sfeed, xmlstarlet, hyperfine (required), and GNU time for memory.
set -euo pipefail

build=${1:-build/release}
size=${2:-100}
runs=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for tool in "$build/lorvex" "$build/lorvex-feedgen"; do
  [[ -x $tool ]] || { echo "missing $tool: build with -DLORVEX_BUILD_BENCH=ON" >&2; exit 1; }
done
command -v hyperfine >/dev/null || { echo "hyperfine is needed" >&2; exit 1; }

# hyperfine's options for one timing: timing WARMUP_RUNS RUNS.
timing() {
  if [[ -n $runs ]]; then set -- 0 "$runs"; fi
  options=(--warmup "$1" --runs "$2" --style basic)
}

feed=$work/feed.xml
"$build/lorvex-feedgen" "$size" > "$feed"
cat "$feed" > /dev/null  # warm the page cache
echo "feed: $(stat -c %s "$feed") bytes, $(grep -c '<item>' "$feed") items"

lorvex=$(realpath "$build/lorvex")
# The I/O floor: reading the feed (cat) and writing as many bytes as the records (cp of them).
"$lorvex" convert "$feed" "$work/records.rec"
commands=(-n lorvex "$lorvex convert $feed $work/out.rec")
commands+=(-n cat "cat $feed > /dev/null")
commands+=(-n cp "cp $work/records.rec $work/out.cp")
commands+=(-n grep "grep -c '<item>' $feed > $work/out.txt")
if command -v sfeed >/dev/null; then
  commands+=(-n sfeed "sfeed < $feed > $work/out.tsv")
fi
if command -v xmlstarlet >/dev/null; then
  commands+=(-n xmlstarlet
    "xmlstarlet sel -t -m //item -v title -o '	' -v pubDate -o '	' -v description -n $feed > $work/out.xml.tsv")
fi

# Outputs are removed before each run, so that each run writes a new file: none pays for getting
# rid of the last one's (truncated by a shell's redirection, or unlinked by lorvex's rename).
timing 3 20
hyperfine "${options[@]}" --prepare "rm -f $work/out.*" \
  --export-json "$work/times.json" "${commands[@]}"

python3 - "$work/times.json" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
times = {r["command"]: r["median"] for r in results}
lorvex = times["lorvex"]
# hyperfine takes its shell's start-up off each time, which leaves a tiny input's cat at zero.
def ratio(a, b): return f"{a / b:5.2f}" if b > 0 else "  n/a"
print("\nmedian seconds and lorvex's time as a share of each:")
for name, seconds in times.items():
    print(f"  {name:10s} {seconds:8.3f} s   lorvex / {name} = {ratio(lorvex, seconds)}")
floor = times["cat"] + times["cp"]
print(f"\nI/O floor (cat + cp) {floor:.3f} s: lorvex takes {ratio(lorvex, floor).strip()} x it")
PY

# lorvex's user time, on its own and over many runs: where the system counts CPU time by the
# tick, it divides each run's time between user and system by sampling, and the mean of the 20
# runs above moves by a couple of milliseconds from one call of this script to the next.
timing 3 100
hyperfine "${options[@]}" --prepare "rm -f $work/out.*" --export-json "$work/user.json" \
  -n lorvex "$lorvex convert $feed $work/out.rec" > /dev/null
python3 - "$work/user.json" <<'PY'
import json, sys
result = json.load(open(sys.argv[1]))["results"][0]
runs = len(result["times"])
print(f"lorvex user time: {result['user'] * 1000:.1f} ms, the mean of {runs} run{'s' * (runs > 1)}")
PY

# The same feed in other encodings: the time against the UTF-8 time, and the peak memory.
encodings=(UTF-16LE windows-1252 koi8-r Shift_JIS)
commands=(-n UTF-8 "$lorvex convert $feed $work/out.rec")
for encoding in "${encodings[@]}"; do
  "$build/lorvex-feedgen" "$size" 1 "$encoding" > "$work/$encoding.xml"
  commands+=(-n "$encoding" "$lorvex convert $work/$encoding.xml $work/out.rec")
done
echo
timing 2 10
hyperfine "${options[@]}" --prepare "rm -f $work/out.*" \
  --export-json "$work/encodings.json" "${commands[@]}"
python3 - "$work/encodings.json" <<'PY'
import json, sys
times = {r["command"]: r["median"] for r in json.load(open(sys.argv[1]))["results"]}
print("\nmedian seconds and each encoding's time against UTF-8:")
for name, seconds in times.items():
    share = f"{seconds / times['UTF-8']:5.2f}" if times["UTF-8"] > 0 else "  n/a"
    print(f"  {name:13s} {seconds:8.3f} s   = {share} x UTF-8")
PY

if [[ -x /usr/bin/time ]]; then
  echo
  echo "peak resident memory:"
  for input in "$feed" "${encodings[@]/#/$work/}"; do
    [[ $input == *.xml ]] || input=$input.xml
    kib=$(/usr/bin/time -f %M "$lorvex" convert "$input" "$work/out.rec" 2>&1 >/dev/null)
    echo "  lorvex $(basename "$input" .xml): $kib KiB"
  done
  if command -v sfeed >/dev/null; then
    echo "  sfeed      $(/usr/bin/time -f %M sfeed < "$feed" 2>&1 >/dev/null | tail -1) KiB"
  fi
fi

# Two different feeds: the batch form of lorvex convert one feed at a time, then both at once.
second=$work/second.xml
"$build/lorvex-feedgen" "$size" 2 > "$second"
cat "$second" > /dev/null
mkdir -p "$work/batch"
echo
timing 1 8
hyperfine "${options[@]}" --prepare "rm -f $work/batch/*" \
  --export-json "$work/batch.json" \
  -n "one job" "$lorvex convert -d $work/batch --jobs 1 $feed $second" \
  -n "two jobs" "$lorvex convert -d $work/batch --jobs 2 $feed $second"
python3 - "$work/batch.json" <<'PY'
import json, sys
times = {r["command"]: r["median"] for r in json.load(open(sys.argv[1]))["results"]}
one, two = times["one job"], times["two jobs"]
gain = f"{one / two:.2f}" if two > 0 else "n/a"
print(f"\ntwo feeds: {one:.3f} s one at a time, {two:.3f} s both at once: {gain} x the throughput")
PY
