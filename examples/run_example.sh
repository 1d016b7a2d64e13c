#!/usr/bin/env bash
# Runs one bundled example in a fresh folder under runs/ and says where the
# results are. Usage: examples/run_example.sh [example-name] [build-dir]
# The example folder holds "filename", the model file and, for the 2.5D
# chain, varga.arr or a survey file survey.dat. telm runs first; when it
# prepared a mesh (varga.xy), korvis runs on it (with --survey survey.dat
# when the example has one). Pictures are drawn when the section program is
# built.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
name="${1:-dyke}"
build="${2:-$root/build}"
# The programs run inside the results folder: make the build folder absolute.
if [ -d "$build" ]; then build="$(cd "$build" && pwd)"; fi
src="$root/examples/$name"
if [ ! -f "$src/filename" ]; then
  echo "run_example: no example named '$name' (folders under $root/examples with a 'filename' file:" \
       "$(cd "$root/examples" && ls -d */ 2>/dev/null | tr -d / | tr '\n' ' '))" >&2
  exit 2
fi
for exe in telm korvis; do
  [ -x "$build/bin/$exe" ] || { echo "run_example: $build/bin/$exe is missing; build first" >&2; exit 2; }
done
out="$root/runs/$name"
rm -rf "$out"
mkdir -p "$out"
cp -r "$src"/. "$out"/
cd "$out"
survey=()
if [ -f survey.dat ]; then survey=(--survey survey.dat); fi
echo "== telm in $out"
"$build/bin/telm" "${survey[@]}"
if [ -f varga.xy ]; then
  echo "== korvis in $out"
  "$build/bin/korvis" "${survey[@]}"
fi
if [ -x "$build/bin/section" ]; then
  echo "== pictures"
  "$build/bin/section" .
fi
echo
echo "Results of example '$name' are in $out:"
ls -1 "$out"
