#!/usr/bin/env bash
# Fault injection: applies each fault of a fault list to the sources, one at a time, builds, runs the test
# suite and records whether the suite caught it. The sources are restored after every fault.
#
#   [FAULT_LIST=tools/faults/user-faults.txt] tools/faults/inject.sh [build-folder] [fault-id ...]
#
# FAULT_LIST names the list, tools/faults/faults.txt unless set. FAULT_CTEST_ARGS passes further
# arguments to ctest, e.g. FAULT_CTEST_ARGS="-R tst_friendlist" to see what one suite catches on its own.
# Prints one line per fault (caught / MISSED / no-build / not-found) and a summary; the same lines go to
# <build-folder>/<list name>.tsv. Run it in a clean checkout: it edits files in place while it works.
set -uo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
shift || true
only=" $* "
list=${FAULT_LIST:-tools/faults/faults.txt}
results="$build/$(basename "$list" .txt).tsv"
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFERNWATCH_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null || { echo "the unchanged tree does not build"; exit 2; }
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest -j "$(nproc)" >/dev/null) || { echo "the unchanged suite fails"; exit 2; }
: >"$results"

# Replaces the one occurrence of `from` with `to` in `file`; fails when it is not there exactly once.
apply() {
    python3 - "$1" "$2" "$3" <<'PY'
import sys
path, old, new = sys.argv[1], sys.argv[2], sys.argv[3]
text = open(path, encoding="utf-8").read()
if text.count(old) != 1:
    sys.exit(1)
open(path, "w", encoding="utf-8").write(text.replace(old, new))
PY
}

run_fault() {
    local id=$1 base=$2 from=$3 to=$4 what=$5 file verdict
    [[ "$only" == "  " || "$only" == *" $id "* ]] || return 0
    file=$(git ls-files | grep -E "(^|/)${base//./\\.}$" | head -n 1)
    if [ -z "$file" ] || ! apply "$file" "$from" "$to"; then
        verdict=not-found
    elif ! cmake --build "$build" -j "$(nproc)" >/dev/null 2>&1; then
        verdict=no-build
    elif (cd "$build" && QT_QPA_PLATFORM=offscreen ctest -j "$(nproc)" --timeout 60 --stop-on-failure ${FAULT_CTEST_ARGS:-} >/dev/null 2>&1); then
        verdict=MISSED
    else
        verdict=caught
    fi
    [ -n "$file" ] && git checkout -q -- "$file"
    printf '%s\t%s\t%s\t%s\n' "$id" "$verdict" "$file" "$what" | tee -a "$results"
}

# The list: "@ id file-name description", then "- text to find" and "+ its replacement", each one line
# taken literally; the text must occur exactly once in the file.
id=""
while IFS= read -r line || [ -n "$line" ]; do
    case "$line" in
    "@ "*) read -r _ id base what <<<"$line" ;;
    "- "*) from=${line#- } ;;
    "+ "*) to=${line#+ }; run_fault "$id" "$base" "$from" "$to" "$what" ;;
    esac
done <"$list"
cmake --build "$build" -j "$(nproc)" >/dev/null 2>&1

caught=$(grep -c $'\tcaught\t' "$results")
counted=$(grep -c -E $'\t(caught|MISSED)\t' "$results")
echo "caught $caught of $counted faults; $(grep -c -v -E $'\t(caught|MISSED)\t' "$results") could not be applied or built"
