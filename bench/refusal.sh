#!/usr/bin/env bash
# Peak memory and time to refusal of files beyond what one document may cost, through the
# built program, each named on its command line: a 2 GB sparse .txt, a 2 GB sparse .fb2, a
# .fb2.zip whose entry declares 4 GiB, the same cut before its central directory (read from
# its local headers), and one cut so whose header declares no size (inflated until the budget
# runs out). A small book gives the cost of a start for comparison.
# Usage: bench/refusal.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/program" "$work/home/run"
chmod 700 "$work/home/run"
cp "$build/zorkan" "$work/program/"

printf 'Маленькая книга.\r\n' > "$work/small.txt"
truncate -s 2G "$work/big.txt" "$work/big.fb2"
# Written to a pipe, an entry leaves its sizes to a descriptor after its data.
cat > "$work/bomb.py" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.stdout.buffer, "w", zipfile.ZIP_DEFLATED, compresslevel=1) as z:
    with z.open("book.fb2", "w", force_zip64=True) as entry:
        entry.write(b"<?xml version='1.0'?><FictionBook><body><p>")
        zeros = bytes(1 << 20)
        for _ in range(4096):
            entry.write(zeros)
PY
python3 "$work/bomb.py" > "$work/declared.fb2.zip"
python3 "$work/bomb.py" | cat > "$work/streamed.fb2.zip"
cat > "$work/cut.py" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
sys.stdout.buffer.write(data[: data.rfind(b"PK\x01\x02")])
PY
python3 "$work/cut.py" "$work/declared.fb2.zip" > "$work/declared-cut.fb2.zip"
python3 "$work/cut.py" "$work/streamed.fb2.zip" > "$work/streamed-cut.fb2.zip"

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }

printf '%-22s %10s %14s\n' file "refused" "peak memory"
for name in small.txt big.txt big.fb2 declared.fb2.zip declared-cut.fb2.zip streamed-cut.fb2.zip; do
  rm -f "$work/program/LastEdit" "$work/program/ZKData"
  start=$(now_ms)
  env HOME="$work/home" XDG_RUNTIME_DIR="$work/home/run" XDG_DATA_HOME="$work/home/data" \
    XDG_CONFIG_HOME="$work/home/config" XDG_CACHE_HOME="$work/home/cache" \
    QT_QPA_PLATFORM=offscreen ZK_INSTANCE_NAME="zk-refusal-$$" \
    "$work/program/zorkan" "$work/$name" 2>/dev/null &
  pid=$!
  # Start-up and the refusal are over once the process stops using the processor.
  last=$(ticks "$pid")
  quiet=0
  idle_since=$start
  while [ "$quiet" -lt 6 ]; do
    sleep 0.05
    t=$(ticks "$pid")
    if [ $((t - last)) -le 1 ]; then
      [ "$quiet" -eq 0 ] && idle_since=$(now_ms)
      quiet=$((quiet + 1))
    else
      quiet=0
    fi
    last=$t
  done
  peak=$(awk '/VmHWM/ { print $2 }' "/proc/$pid/status")
  kill -TERM "$pid"
  wait "$pid" || true
  printf '%-22s %8d ms %11d MB\n' "$name" $((idle_since - start)) $((peak / 1024))
done
